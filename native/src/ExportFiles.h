// Turning the page's export bytes into real files: the download into Downloads under the next
// free name, the temporary drag file, and the save dialog's filter. The bytes are written as
// they are. Message thread.
#pragma once

#include <juce_core/juce_core.h>

/** The legal form of a page-supplied name, or fallback when nothing usable is left (an empty
    name, or one made only of dots, would name the folder itself or its parent). */
juce::String legalExportFileName (const juce::String& requested, const juce::String& fallback);

/** Writes bytes into folder under the legal form of fileName, or the framework's next free
    name when that exists (beat.mid, beat2.mid, …). Writes nothing for no bytes or a missing
    folder. Returns the file written, or File() when nothing was written. */
juce::File writeDownload (const juce::File& folder, const juce::String& fileName, const juce::MemoryBlock& bytes);

/** The user's Downloads folder. */
juce::File downloadsFolder();

/** Writes the drag file into the "Tindle" folder below tempRoot, replacing a file of the same
    name. Returns the file, or File() when it could not be written. */
juce::File writeDragFile (const juce::File& tempRoot, const juce::String& exportName, const juce::MemoryBlock& bytes);

/** The save dialog's proposed name (the legal form of exportName, "groove.mid" when none is
    left) and its single filter pattern ("*" + the name's extension). */
juce::String proposedSaveName (const juce::String& exportName);
juce::String saveFilterPattern (const juce::String& proposedName);
