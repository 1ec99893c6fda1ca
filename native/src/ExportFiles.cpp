#include "ExportFiles.h"

juce::String legalExportFileName (const juce::String& requested, const juce::String& fallback)
{
    const auto legal = juce::File::createLegalFileName (requested);
    return legal.trim().containsOnly (".") ? fallback : legal;
}

juce::File writeDownload (const juce::File& folder, const juce::String& fileName, const juce::MemoryBlock& bytes)
{
    if (bytes.isEmpty() || ! folder.isDirectory())
        return {};

    auto target = folder.getChildFile (legalExportFileName (fileName, "export.wav"));

    if (target.getParentDirectory() != folder)
        return {};

    if (target.exists())
        target = target.getNonexistentSibling (false);

    return target.replaceWithData (bytes.getData(), bytes.getSize()) ? target : juce::File();
}

juce::File downloadsFolder()
{
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("Downloads");
}

juce::File writeDragFile (const juce::File& tempRoot, const juce::String& exportName, const juce::MemoryBlock& bytes)
{
    const auto folder = tempRoot.getChildFile ("Tindle");

    if (! folder.isDirectory() && ! folder.createDirectory().wasOk())
        return {};

    const auto file = folder.getChildFile (legalExportFileName (exportName, "groove.mid"));

    if (file.getParentDirectory() != folder)
        return {};

    file.deleteFile();
    return file.replaceWithData (bytes.getData(), bytes.getSize()) ? file : juce::File();
}

juce::String proposedSaveName (const juce::String& exportName)
{
    return legalExportFileName (exportName, "groove.mid");
}

juce::String saveFilterPattern (const juce::String& proposedName)
{
    const auto dot = proposedName.lastIndexOfChar ('.');
    return "*" + (dot >= 0 ? proposedName.substring (dot) : proposedName);
}
