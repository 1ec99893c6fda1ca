#include "BridgeDispatcher.h"

#include "WavCodec.h"

#include <cmath>

namespace
{
    juce::String readString (const juce::var& payload, const char* name, const juce::String& fallback = {})
    {
        const auto& value = payload.getProperty (name, juce::var (fallback));
        return value.toString();
    }

    bool hasField (const juce::var& payload, const char* name)
    {
        auto* object = payload.getDynamicObject();
        return object != nullptr && object->hasProperty (name);
    }

    /** Numbers the page cannot mean (infinities from huge literals) count as absent, so no
        non-finite position or ratio ever reaches the audio thread or the stretcher. */
    double readNumber (const juce::var& payload, const char* name, double fallback = 0.0)
    {
        const auto value = static_cast<double> (payload.getProperty (name, fallback));
        return std::isfinite (value) ? value : fallback;
    }

    bool readBool (const juce::var& payload, const char* name)
    {
        return static_cast<bool> (payload.getProperty (name, false));
    }

    void answerReady (const RestoreSnapshot& restore, BridgeEffects& effects)
    {
        effects.pushState();

        if (restore.uiState.isEmpty() || ! (restore.demo || restore.hasAudio))
            return;

        auto record = juce::DynamicObject::Ptr (new juce::DynamicObject());
        record->setProperty ("uiState", restore.uiState);
        record->setProperty ("name", restore.name);
        record->setProperty ("bpm", restore.bpm);
        record->setProperty ("demo", restore.demo);
        effects.emitToPage (BridgeEvents::restore, juce::var (record.get()));
    }

    void storeSource (const juce::var& payload, BridgeEffects& effects)
    {
        const auto demo = readBool (payload, "demo");
        auto wavBytes = demo ? juce::MemoryBlock() : decodeBase64Leniently (readString (payload, "wavBase64"));
        effects.setSessionSource (readString (payload, "name"), readNumber (payload, "bpm"), demo, std::move (wavBytes));
    }

    bool decodeAudio (const juce::var& payload, juce::AudioBuffer<float>& buffer, double& sampleRate)
    {
        sampleRate = 0.0;
        return tindle::decodeWavBase64 (readString (payload, "base64"), buffer, sampleRate)
               && buffer.getNumChannels() > 0 && buffer.getNumSamples() > 0;
    }

    void startStretch (const juce::var& payload, BridgeEffects& effects)
    {
        const auto reqId = readString (payload, "reqId");
        const auto ratio = readNumber (payload, "ratio");

        if (reqId.isNotEmpty() && ratio > 0.0)
        {
            auto input = std::make_shared<juce::AudioBuffer<float>>();
            double sampleRate = 0.0;

            if (decodeAudio (payload, *input, sampleRate)
                && sampleRate >= minStretchSampleRate && sampleRate <= maxStretchSampleRate
                && std::round ((double) input->getNumSamples() / ratio) <= (double) maxStretchOutputFrames)
            {
                effects.launchStretch (reqId, std::move (input), sampleRate, ratio);
                return;
            }
        }

        auto rejection = juce::DynamicObject::Ptr (new juce::DynamicObject());
        rejection->setProperty ("reqId", reqId);
        rejection->setProperty ("error", "bad request");
        effects.emitToPage (BridgeEvents::stretchResult, juce::var (rejection.get()));
    }

    void takeExport (const juce::var& payload, BridgeEffects& effects, bool keepAbsentFields)
    {
        const auto name = keepAbsentFields && ! hasField (payload, "filename") ? effects.getExportName()
                                                                               : readString (payload, "filename");
        const auto data = keepAbsentFields && ! hasField (payload, "base64") ? effects.getExportData()
                                                                             : readString (payload, "base64");
        effects.setExport (name, data);
    }
}

juce::MemoryBlock decodeBase64Leniently (const juce::String& base64)
{
    juce::MemoryOutputStream bytes;
    juce::Base64::convertFromBase64 (bytes, base64); // failure keeps what was decoded before it
    return bytes.getMemoryBlock();
}

void dispatchPageMessage (const juce::var& payload, const RestoreSnapshot& restore, BridgeEffects& effects)
{
    if (! payload.isObject())
        return;

    const auto type = readString (payload, "type");

    if (type == "ready")
    {
        answerReady (restore, effects);
    }
    else if (type == "uiState")
    {
        effects.setUiState (readString (payload, "json"));
    }
    else if (type == "sourceAudio")
    {
        storeSource (payload, effects);
    }
    else if (type == "downloadExport")
    {
        effects.downloadExport (readString (payload, "filename", "export.wav"),
                                decodeBase64Leniently (readString (payload, "base64")));
    }
    else if (type == "openExternal")
    {
        const auto url = readString (payload, "url");

        if (url.startsWith ("https://"))
            effects.openInBrowser (juce::URL (url));
    }
    else if (type == "previewBuffer")
    {
        juce::AudioBuffer<float> buffer;
        double sampleRate = 0.0;

        if (decodeAudio (payload, buffer, sampleRate))
            effects.setPreviewMain (std::move (buffer), sampleRate, readNumber (payload, "loopEndSec"));
    }
    else if (type == "previewShot")
    {
        juce::AudioBuffer<float> buffer;
        double sampleRate = 0.0;

        if (decodeAudio (payload, buffer, sampleRate))
        {
            effects.setPreviewShot (std::move (buffer), sampleRate);
            effects.playPreviewShot (readNumber (payload, "fromSec"));
        }
    }
    else if (type == "previewPlay")
    {
        effects.playPreviewMain (readNumber (payload, "offsetSec"));
    }
    else if (type == "previewStop")
    {
        effects.stopPreview();
    }
    else if (type == "stretchAudio")
    {
        startStretch (payload, effects);
    }
    else if (type == "startCapture")
    {
        effects.startCapture();
    }
    else if (type == "stopCapture")
    {
        effects.stopCapture();
    }
    else if (type == "exportState")
    {
        takeExport (payload, effects, false);
        effects.repaintDragBar();
    }
    else if (type == "dragExport" || type == "saveExport")
    {
        takeExport (payload, effects, true);
        effects.saveExportViaDialog();
    }
}
