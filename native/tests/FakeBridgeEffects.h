// A BridgeEffects that records every call as one line of text, for the dispatcher tests and the
// dispatcher fuzzer.
#pragma once

#include "BridgeDispatcher.h"

#include <vector>

struct FakeBridgeEffects final : BridgeEffects
{
    std::vector<juce::String> calls;
    std::vector<std::pair<juce::Identifier, juce::var>> emitted;
    juce::String exportName, exportData;
    std::shared_ptr<juce::AudioBuffer<float>> lastStretchInput;
    juce::MemoryBlock lastBytes;

    void pushState() override { calls.push_back ("pushState"); }
    void emitToPage (const juce::Identifier& id, const juce::var& payload) override
    {
        calls.push_back ("emit " + id.toString() + " " + juce::JSON::toString (payload, true));
        emitted.emplace_back (id, payload);
    }
    void setUiState (const juce::String& json) override { calls.push_back ("setUiState " + json); }
    void setSessionSource (const juce::String& name, double bpm, bool demo, juce::MemoryBlock wav) override
    {
        calls.push_back ("setSessionSource " + name + " " + juce::String (bpm) + " " + (demo ? "demo" : "audio")
                         + " " + juce::String ((int) wav.getSize()));
        lastBytes = std::move (wav);
    }
    void downloadExport (const juce::String& fileName, const juce::MemoryBlock& bytes) override
    {
        calls.push_back ("downloadExport " + fileName + " " + juce::String ((int) bytes.getSize()));
        lastBytes = bytes;
    }
    void openInBrowser (const juce::URL& url) override { calls.push_back ("openInBrowser " + url.toString (true)); }
    void setPreviewMain (juce::AudioBuffer<float>&& b, double rate, double loopEndSec) override
    {
        calls.push_back ("setPreviewMain " + juce::String (b.getNumChannels()) + "x" + juce::String (b.getNumSamples())
                         + " " + juce::String (rate) + " " + juce::String (loopEndSec));
    }
    void setPreviewShot (juce::AudioBuffer<float>&& b, double rate) override
    {
        calls.push_back ("setPreviewShot " + juce::String (b.getNumChannels()) + "x" + juce::String (b.getNumSamples())
                         + " " + juce::String (rate));
    }
    void playPreviewMain (double offsetSec) override { calls.push_back ("playPreviewMain " + juce::String (offsetSec)); }
    void playPreviewShot (double fromSec) override { calls.push_back ("playPreviewShot " + juce::String (fromSec)); }
    void stopPreview() override { calls.push_back ("stopPreview"); }
    void launchStretch (const juce::String& reqId, std::shared_ptr<juce::AudioBuffer<float>> input, double rate, double ratio) override
    {
        calls.push_back ("launchStretch " + reqId + " " + juce::String (input->getNumChannels()) + "x"
                         + juce::String (input->getNumSamples()) + " " + juce::String (rate) + " " + juce::String (ratio));
        lastStretchInput = std::move (input);
    }
    void startCapture() override { calls.push_back ("startCapture"); }
    void stopCapture() override { calls.push_back ("stopCapture"); }
    juce::String getExportName() const override { return exportName; }
    juce::String getExportData() const override { return exportData; }
    void setExport (const juce::String& name, const juce::String& data) override
    {
        exportName = name;
        exportData = data;
        calls.push_back ("setExport " + name + " " + data);
    }
    void repaintDragBar() override { calls.push_back ("repaintDragBar"); }
    void saveExportViaDialog() override { calls.push_back ("saveExportViaDialog"); }
};
