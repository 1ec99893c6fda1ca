// The drag strip without a window: the 4 px click / 5 px drag rule, the drag file it writes,
// and what it paints with and without an export.
#include "PluginEditor.h"

#include <gtest/gtest.h>

namespace
{
    struct FakeOwner final : DragBarOwner
    {
        juce::String name, data;
        int saves = 0;

        const juce::String& getCurrentExportName() const noexcept override { return name; }
        const juce::String& getCurrentExportData() const noexcept override { return data; }
        void saveExportViaDialog() override { ++saves; }
    };

    struct StripFixture : ::testing::Test
    {
        juce::ScopedJuceInitialiser_GUI gui;
        FakeOwner owner;
        TindleEditor::DragBar bar { owner };
        juce::File dragFile = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getChildFile ("Tindle").getChildFile ("drag-strip-test.mid");
        const juce::MemoryBlock midi { "MThd\0\0\0\6", 8 };

        StripFixture()
        {
            bar.setBounds (0, 0, 600, 34);
            owner.name = "drag-strip-test.mid";
            owner.data = juce::Base64::toBase64 (midi.getData(), midi.getSize());
            dragFile.deleteFile();
        }

        ~StripFixture() override { dragFile.deleteFile(); }

        juce::MouseEvent pointer (juce::Point<float> down, juce::Point<float> now)
        {
            const auto t = juce::Time::getCurrentTime();
            return { juce::Desktop::getInstance().getMainMouseSource(), now, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                     &bar, &bar, t, down, t, 1, now != down };
        }

        juce::Colour pixel (int x, int y)
        {
            juce::Image image (juce::Image::ARGB, bar.getWidth(), bar.getHeight(), true);
            juce::Graphics g (image);
            bar.paintEntireComponent (g, false);
            return image.getPixelAt (x, y);
        }
    };
}

TEST_F (StripFixture, ReleaseWithinFourPixelsSavesAndFivePixelsDoesNot)
{
    bar.mouseUp (pointer ({ 100, 10 }, { 104, 10 }));
    EXPECT_EQ (owner.saves, 1);
    bar.mouseUp (pointer ({ 100, 10 }, { 103, 14 })); // 5 px
    EXPECT_EQ (owner.saves, 1);

    owner.data = {};
    bar.mouseUp (pointer ({ 100, 10 }, { 100, 10 }));
    EXPECT_EQ (owner.saves, 1);
}

TEST_F (StripFixture, DragOfFivePixelsWritesTheDragFile)
{
    bar.mouseDrag (pointer ({ 100, 10 }, { 104, 10 }));
    EXPECT_FALSE (dragFile.exists());

    bar.mouseDrag (pointer ({ 100, 10 }, { 103, 14 }));
    ASSERT_TRUE (dragFile.existsAsFile());
    juce::MemoryBlock written;
    dragFile.loadFileAsData (written);
    EXPECT_EQ (written, midi);
    EXPECT_FALSE (bar.isDragging()); // an off-screen strip cannot start a drag; it must not stay stuck
}

TEST_F (StripFixture, UndecodableOrMissingExportWritesNothing)
{
    owner.data = "not base64!";
    bar.mouseDrag (pointer ({ 100, 10 }, { 120, 10 }));
    EXPECT_FALSE (dragFile.exists());

    owner.data = {};
    bar.mouseDrag (pointer ({ 100, 10 }, { 120, 10 }));
    EXPECT_FALSE (dragFile.exists());
}

TEST_F (StripFixture, PaintsBackgroundHoverAndEmptyState)
{
    EXPECT_EQ (pixel (300, 4), juce::Colour (0xff141210));

    bar.mouseEnter (pointer ({ 300, 4 }, { 300, 4 }));
    EXPECT_TRUE (bar.isHovering());
    const auto washed = juce::Colour (0xff141210).overlaidWith (juce::Colour (0x14e0a43b));
    const auto painted = pixel (300, 4);
    EXPECT_NE (painted, juce::Colour (0xff141210));
    EXPECT_NEAR (painted.getRed(), washed.getRed(), 1);
    EXPECT_NEAR (painted.getGreen(), washed.getGreen(), 1);
    EXPECT_NEAR (painted.getBlue(), washed.getBlue(), 1);
    EXPECT_EQ (bar.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::DraggingHandCursor));

    bar.mouseExit (pointer ({ 300, 4 }, { 300, 4 }));
    owner.data = {};
    EXPECT_EQ (pixel (300, 4), juce::Colour (0xff141210));
    EXPECT_EQ (bar.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::NormalCursor));
}

TEST (EditorLayout, StripTakesTheBottom34PixelsOrAllOfAShortEditor)
{
    struct Case { int w, h; juce::Rectangle<int> web, strip; };
    const Case cases[] = {
        { 1020, 810, { 0, 0, 1020, 776 }, { 0, 776, 1020, 34 } },
        { 760, 20, { 0, 0, 760, 0 }, { 0, 0, 760, 20 } },
        { 760, 34, { 0, 0, 760, 0 }, { 0, 0, 760, 34 } },
    };

    for (auto& c : cases)
    {
        const auto layout = layoutEditor ({ 0, 0, c.w, c.h });
        EXPECT_EQ (layout.webView, c.web) << c.w << "x" << c.h;
        EXPECT_EQ (layout.dragBar, c.strip) << c.w << "x" << c.h;
    }
}
