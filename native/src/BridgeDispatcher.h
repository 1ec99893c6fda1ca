// The bridge dispatcher: turns one page message (a tnToNative payload) into calls on
// BridgeEffects, reading every field by name with its fixed default. It owns no state and
// touches no window, so tests and the fuzzer drive it with a fake BridgeEffects.
// Message thread only.
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <memory>

namespace BridgeEvents
{
    inline const juce::Identifier toNative { "tnToNative" };
    inline const juce::Identifier fromNative { "tnFromNative" };
    inline const juce::Identifier restore { "tnRestore" };
    inline const juce::Identifier stretchResult { "tnStretchResult" };
}

/** What "ready" restores: the session the editor copied at construction. */
struct RestoreSnapshot
{
    juce::String uiState, name;
    double bpm = 0.0;
    bool demo = false;
    bool hasAudio = false; // the snapshot's WAV bytes are not empty
};

/** Everything a page message may cause. The editor implements it; message thread only. */
class BridgeEffects
{
public:
    virtual ~BridgeEffects() = default;

    virtual void pushState() = 0;
    virtual void emitToPage (const juce::Identifier& eventId, const juce::var& payload) = 0;

    virtual void setUiState (const juce::String& json) = 0;
    virtual void setSessionSource (const juce::String& name, double bpm, bool demo, juce::MemoryBlock wavBytes) = 0;

    virtual void downloadExport (const juce::String& fileName, const juce::MemoryBlock& bytes) = 0;
    virtual void openInBrowser (const juce::URL& url) = 0;

    virtual void setPreviewMain (juce::AudioBuffer<float>&& buffer, double sampleRate, double loopEndSec) = 0;
    virtual void setPreviewShot (juce::AudioBuffer<float>&& buffer, double sampleRate) = 0;
    virtual void playPreviewMain (double offsetSec) = 0;
    virtual void playPreviewShot (double fromSec) = 0;
    virtual void stopPreview() = 0;

    virtual void launchStretch (const juce::String& reqId,
                                std::shared_ptr<juce::AudioBuffer<float>> input,
                                double sampleRate,
                                double ratio) = 0;

    virtual void startCapture() = 0;
    virtual void stopCapture() = 0;

    virtual juce::String getExportName() const = 0;
    virtual juce::String getExportData() const = 0;
    virtual void setExport (const juce::String& name, const juce::String& base64) = 0;
    virtual void repaintDragBar() = 0;
    virtual void saveExportViaDialog() = 0;
};

/** The longest stretch result the service accepts, in frames (about 6 minutes at 44.1 kHz):
    a ratio near 0 would otherwise ask the worker for an allocation it cannot make. */
constexpr juce::int64 maxStretchOutputFrames = (juce::int64) 1 << 24;

/** Sample rates the stretch service accepts: the stretcher's working memory grows with the rate,
    so a WAV header claiming gigahertz must not reach it. */
constexpr double minStretchSampleRate = 3000.0, maxStretchSampleRate = 768000.0;

/** Handles one page message; unknown or unusable messages are dropped without an answer,
    except "stretchAudio", which is answered "bad request" when it cannot be accepted. */
void dispatchPageMessage (const juce::var& payload, const RestoreSnapshot& restore, BridgeEffects& effects);

/** Base64 text to bytes; stops at the first character outside the alphabet and keeps the bytes
    decoded before it (the page's exports and sources are used as far as they decode). */
juce::MemoryBlock decodeBase64Leniently (const juce::String& base64);
