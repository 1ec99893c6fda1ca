// The drag-to-host strip along the editor's bottom edge. Message thread.
#include "PluginEditor.h"

#include "ExportFiles.h"

namespace
{
    const juce::Colour background { 0xff141210 };
    const juce::Colour hoverWash { 0x14e0a43b };
    const juce::Colour borderHover { 0xb2e0a43b }, borderIdle { 0x59e0a43b }, borderEmpty { 0x1fe0a43b };
    const juce::Colour gripHover { 0xe6e0a43b }, gripIdle { 0x8ce0a43b }, gripEmpty { 0x2ee0a43b };
    const juce::Colour textReady { 0xffe0a43b }, textEmpty { 0x66ede6da };

    constexpr int clickSlopPx = 4;  // a release within this distance is a click
    constexpr int dragStartPx = 5;  // a drag this far starts the file drag
}

juce::String TindleEditor::DragBar::textFor (const juce::String& name, bool hasExport)
{
    if (! hasExport)
        return "groove export appears here once a loop is analyzed";

    return juce::String ("DRAG TO YOUR DAW ") + juce::String (juce::CharPointer_UTF8 ("\xe2\x80\x94 ")) + name
           + juce::String (juce::CharPointer_UTF8 ("  \xc2\xb7  click to save"));
}

void TindleEditor::DragBar::paint (juce::Graphics& g)
{
    const auto hasExport = owner.getCurrentExportData().isNotEmpty();
    const auto w = getWidth();
    const auto h = getHeight();
    const auto cy = h / 2;

    g.fillAll (background);

    if (hasExport && hover)
        g.fillAll (hoverWash);

    g.setColour (hasExport ? (hover ? borderHover : borderIdle) : borderEmpty);
    g.drawRect (getLocalBounds(), 1);

    g.setColour (hasExport ? (hover ? gripHover : gripIdle) : gripEmpty);

    for (auto x : { 14, 20 })
        for (auto y : { cy - 7, cy, cy + 7 })
            g.fillEllipse ((float) x - 1.5f, (float) y - 1.5f, 3.0f, 3.0f);

    g.setColour (hasExport ? textReady : textEmpty);
    g.setFont (juce::FontOptions (11.0f));
    g.drawText (textFor (owner.getCurrentExportName(), hasExport),
                juce::Rectangle<int> (34, 0, juce::jmax (0, w - 46), h),
                juce::Justification::centredLeft, true);

    setMouseCursor (hasExport ? juce::MouseCursor::DraggingHandCursor : juce::MouseCursor::NormalCursor);
}

void TindleEditor::DragBar::mouseEnter (const juce::MouseEvent&)
{
    hover = true;
    repaint();
}

void TindleEditor::DragBar::mouseExit (const juce::MouseEvent&)
{
    hover = false;
    repaint();
}

void TindleEditor::DragBar::mouseDrag (const juce::MouseEvent& e)
{
    if (dragging || owner.getCurrentExportData().isEmpty())
        return;

    if (e.getDistanceFromDragStart() < dragStartPx)
        return;

    juce::MemoryOutputStream bytes;

    if (! juce::Base64::convertFromBase64 (bytes, owner.getCurrentExportData()))
        return;

    const auto file = writeDragFile (juce::File::getSpecialLocation (juce::File::tempDirectory),
                                     owner.getCurrentExportName(), bytes.getMemoryBlock());

    if (file == juce::File())
        return;

    dragging = true;
    const auto started = juce::DragAndDropContainer::performExternalDragDropOfFiles (
        { file.getFullPathName() }, false, this,
        [safeThis = juce::Component::SafePointer<DragBar> (this)]
        {
            if (safeThis != nullptr)
                safeThis->dragging = false;
        });

    // A refused drag never calls back; without this the strip would stay dead.
    if (! started)
        dragging = false;
}

void TindleEditor::DragBar::mouseUp (const juce::MouseEvent& e)
{
    if (dragging || e.getDistanceFromDragStart() > clickSlopPx)
        return;

    if (owner.getCurrentExportData().isNotEmpty())
        owner.saveExportViaDialog();
}
