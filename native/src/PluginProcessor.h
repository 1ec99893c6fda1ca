// TindleProcessor: the plug-in's audio processor.
//
// Owns the 60-second capture store and its peak picture, the host tempo, the two audition
// voices with their fallback direct output, and the session record kept with the host project.
// Threads: processBlock and renderPreview run on the audio thread (atomics and a try-lock on
// previewLock only: no allocation, no waiting); everything else runs on the message thread
// (or, for get/setStateInformation, on whichever thread the host picks). sessionLock and
// previewLock are never held together, and sessionLock is never taken on the audio thread.
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TindleProcessor : public juce::AudioProcessor
{
public:
    /** The persisted session: the page's latest report, never interpreted here. */
    struct SavedSession
    {
        juce::String uiState;     // the page's edit state (JSON text, verbatim)
        juce::String srcName;     // display name of the current source
        double srcBpm = 0.0;      // tempo of the source; 0 when unknown
        bool srcDemo = false;     // a starter/demo loop the page can fetch again by name
        juce::MemoryBlock srcWav; // the source's complete WAV file bytes; empty when srcDemo
    };

    /** One audition voice. */
    struct PreviewSource
    {
        juce::AudioBuffer<float> buffer;
        double sampleRate = 0.0; // Hz; 0 means no audio
        double loopEndSec = 0.0; // main voice only; <= 0 means the whole buffer
    };

    /** Audio callback of the processor's own output device, used inside plug-in hosts while the
        host has stopped calling processBlock. Runs on that device's thread. */
    class DirectOut : public juce::AudioIODeviceCallback
    {
    public:
        explicit DirectOut (TindleProcessor& owner) : processor (owner) {}
        ~DirectOut() override = default;

        void audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                               float* const* outputChannelData, int numOutputChannels,
                                               int numSamples,
                                               const juce::AudioIODeviceCallbackContext& context) override;
        void audioDeviceAboutToStart (juce::AudioIODevice* device) override;
        void audioDeviceStopped() override {}

    private:
        TindleProcessor& processor;
    };

    TindleProcessor();
    ~TindleProcessor() override;

    //==============================================================================
    // juce::AudioProcessor
    const juce::String getName() const override { return "Tindle"; }
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override {}
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported (const BusesLayout& layout) const override;

    //==============================================================================
    // Capture (message thread).
    /** Zeroes the peaks, rewinds the write position, then starts capturing. */
    void startCapture();
    /** Stops capturing; the captured samples and captureWritePos stay. */
    void stopCapture();
    /** True when the processor runs inside the standalone application. */
    bool isStandalone() const noexcept { return wrapperType == wrapperType_Standalone; }

    //==============================================================================
    // Audition (message thread, except renderPreview).
    /** Installs the main (looping) voice's audio. Takes previewLock (blocking) only for the
        swap; the replaced samples are freed after the lock is released. Keeps mode and position. */
    void setPreviewMain (juce::AudioBuffer<float> buffer, double sampleRate, double loopEndSec);
    /** Installs the one-shot voice's audio, as setPreviewMain (loop end 0). */
    void setPreviewShot (juce::AudioBuffer<float> buffer, double sampleRate);
    /** Starts the main voice at offsetSec (negative or NaN gives 0). */
    void playPreviewMain (double offsetSec);
    /** Starts the one-shot voice at fromSec (negative or NaN gives 0). */
    void playPreviewShot (double fromSec);
    /** Silences the audition; the position stays. */
    void stopPreview();
    /** Audio thread, lock-free (try-lock): adds the active voice to buffer, resampled to
        outputRate by linear interpolation. A busy lock drops this block's audition. */
    void renderPreview (juce::AudioBuffer<float>& buffer, double outputRate);
    /** Opens the system's default output device for the audition unless it is open. */
    void ensureDirectOutput();
    /** Closes the direct output if it is open. */
    void releaseDirectOutput();

    //==============================================================================
    // Session (message thread or the host's state thread; takes sessionLock).
    /** A copy of the session, made under sessionLock. */
    SavedSession savedSession() const;
    void setUiState (const juce::String& json);
    /** Replaces the source fields together; wavBytes is expected empty when demo is true. */
    void setSessionSource (const juce::String& name, double bpm, bool demo, juce::MemoryBlock wavBytes);

    /** The state blob: the framework's binary value-tree stream of a "Tindle" tree. */
    static juce::MemoryBlock writeStateBlob (const SavedSession& session);
    /** Reads a state blob exactly as juce::ValueTree::readFromStream would for the session's
        properties, but bounded: no allocation beyond the input's size, no recursion, so hostile
        bytes cannot exhaust memory or the stack. nullopt when it is not a valid tree (empty type). */
    static std::optional<SavedSession> readStateBlob (const void* data, size_t sizeInBytes);

    //==============================================================================
    // Readings and state, in declaration order.
    std::vector<std::vector<float>> captureBuffer;   // capture store; written by the audio thread
    std::vector<std::atomic<float>> capturePeaks;    // max |sample| per 1024-sample block (relaxed)
    std::atomic<std::uint64_t> captureWritePos { 0 }; // samples per channel captured so far
    std::atomic<bool> capturing { false };
    double captureSampleRate = 44100.0;               // set in prepareToPlay
    int captureChannels = 2;                          // set in prepareToPlay
    std::atomic<double> hostBpm { 0.0 };              // 0 until the host reports a tempo
    std::atomic<double> lastBlockMs { 0.0 };          // Time::getMillisecondCounterHiRes of the last block
    std::atomic<double> directRate { 0.0 };           // rate of the direct output device
    DirectOut directOut { *this };
    std::unique_ptr<juce::AudioDeviceManager> directDevice; // message thread only
    PreviewSource previewMain, previewShot;           // guarded by previewLock
    juce::CriticalSection previewLock;
    std::atomic<int> previewMode { 0 };               // 0 idle, 1 main looping, 2 one-shot playing
    std::atomic<double> previewPosSec { 0.0 };        // position of the active voice (seconds of its audio)
    std::atomic<int> previewEndCount { 0 };           // one-shots that played to their end
    double hostSampleRate = 44100.0;

    static constexpr int peakBlockSize = 1024;
    static constexpr double captureSeconds = 60.0;

private:
    SavedSession session;           // guarded by sessionLock
    juce::CriticalSection sessionLock;

    static_assert (std::atomic<float>::is_always_lock_free);
    static_assert (std::atomic<double>::is_always_lock_free);
    static_assert (std::atomic<std::uint64_t>::is_always_lock_free);
    static_assert (std::atomic<int>::is_always_lock_free);
    static_assert (std::atomic<bool>::is_always_lock_free);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TindleProcessor)
};
