// Downloads under the next free name, legal names that stay inside the folder, the drag file
// and the save dialog's filter; the drag strip's text.
#include "ExportFiles.h"
#include "PluginEditor.h"

#include <gtest/gtest.h>

namespace
{
    struct TempFolder
    {
        juce::File folder = juce::File::createTempFile ("tindle-export-test");
        TempFolder() { folder.createDirectory(); }
        ~TempFolder() { folder.deleteRecursively(); }
    };

    const juce::MemoryBlock midiBytes ("MThd\0\0\0\6", 8);
}

TEST (Download, NextFreeNamesFollowTheFramework)
{
    TempFolder temp;
    const auto& dir = temp.folder;

    struct Case { const char* requested; const char* written; };
    const Case cases[] = {
        { "beat.mid", "beat.mid" },  { "beat.mid", "beat2.mid" },     { "beat.mid", "beat3.mid" },
        { "take1.mid", "take1.mid" }, { "take1.mid", "take1_2.mid" },
        { "", "export.wav" },         { "..", "export2.wav" },        { "...", "export3.wav" },
        { "../../x.mid", "....x.mid" }, { "a/b.mid", "ab.mid" },     { "c:\\evil.mid", "cevil.mid" },
    };

    for (auto& c : cases)
    {
        const auto file = writeDownload (dir, c.requested, midiBytes);
        EXPECT_EQ (file.getFileName(), c.written) << c.requested;
        EXPECT_EQ (file.getParentDirectory(), dir) << c.requested;
        EXPECT_TRUE (file.existsAsFile()) << c.requested;
    }

    juce::MemoryBlock readBack;
    dir.getChildFile ("beat.mid").loadFileAsData (readBack);
    EXPECT_EQ (readBack, midiBytes); // the first file is left untouched

    EXPECT_EQ (dir.findChildFiles (juce::File::findFilesAndDirectories, true).size(), 11);
    EXPECT_EQ (writeDownload (dir, "none.mid", {}), juce::File());
    EXPECT_EQ (writeDownload (dir.getChildFile ("missing"), "beat.mid", midiBytes), juce::File());
    EXPECT_FALSE (dir.getChildFile ("none.mid").exists());
}

TEST (DragFile, WrittenIntoTheTindleFolderAndOverwritten)
{
    TempFolder temp;
    const auto first = writeDragFile (temp.folder, "funk-groove-gm.mid", midiBytes);
    EXPECT_EQ (first, temp.folder.getChildFile ("Tindle").getChildFile ("funk-groove-gm.mid"));

    const juce::MemoryBlock shorter ("MT", 2);
    const auto second = writeDragFile (temp.folder, "funk-groove-gm.mid", shorter);
    EXPECT_EQ (second, first);
    EXPECT_EQ (second.getSize(), 2);

    EXPECT_EQ (writeDragFile (temp.folder, "", midiBytes).getFileName(), "groove.mid");
    EXPECT_EQ (writeDragFile (temp.folder, "../../up.mid", midiBytes).getParentDirectory(), temp.folder.getChildFile ("Tindle"));
}

TEST (SaveDialog, ProposedNameAndFilter)
{
    EXPECT_EQ (proposedSaveName (""), "groove.mid");
    EXPECT_EQ (proposedSaveName ("jazz-groove.agr"), "jazz-groove.agr");
    EXPECT_EQ (proposedSaveName ("../../evil.mid"), "....evil.mid"); // never a path out of the folder
    EXPECT_EQ (proposedSaveName (".."), "groove.mid");
    EXPECT_EQ (saveFilterPattern ("groove.mid"), "*.mid");
    EXPECT_EQ (saveFilterPattern ("loop.v2.wav"), "*.wav");
    EXPECT_EQ (saveFilterPattern ("README"), "*README");
}

TEST (DragBar, TextForExportOrNone)
{
    EXPECT_EQ (TindleEditor::DragBar::textFor ("funk-groove-gm.mid", true),
               juce::String (juce::CharPointer_UTF8 ("DRAG TO YOUR DAW \xe2\x80\x94 funk-groove-gm.mid  \xc2\xb7  click to save")));
    EXPECT_EQ (TindleEditor::DragBar::textFor ("", false), "groove export appears here once a loop is analyzed");
}
