// TindleProcessor: buses, capture, host tempo, audition voices, direct output and the session
// record. The state blob reader/writer lives in SessionBlob.cpp.
#include "PluginProcessor.h"
#include "PluginEditor.h"

#include <algorithm>
#include <cmath>

namespace
{
double nonNegativeOrZero (double seconds) noexcept
{
    return std::isnan (seconds) ? 0.0 : std::max (0.0, seconds);
}
} // namespace

TindleProcessor::TindleProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
}

TindleProcessor::~TindleProcessor()
{
    releaseDirectOutput();
}

//==============================================================================
bool TindleProcessor::isBusesLayoutSupported (const BusesLayout& layout) const
{
    const auto input = layout.getMainInputChannelSet();   // empty when there is no input bus
    const auto output = layout.getMainOutputChannelSet();

    if (input != output)
        return false;

    return output == juce::AudioChannelSet::mono() || output == juce::AudioChannelSet::stereo();
}

void TindleProcessor::prepareToPlay (double sampleRate, int)
{
    hostSampleRate = sampleRate;
    captureSampleRate = sampleRate;
    captureChannels = std::max (1, getTotalNumInputChannels());

    const auto seconds = sampleRate * captureSeconds;
    const auto capacity = seconds > 0.0 && std::isfinite (seconds) ? static_cast<size_t> (seconds) : size_t { 0 };

    // All capture memory is allocated here; any earlier capture is discarded.
    captureBuffer.assign (static_cast<size_t> (captureChannels), std::vector<float> (capacity, 0.0f));
    capturePeaks = std::vector<std::atomic<float>> (capacity / peakBlockSize + 2);
    for (auto& peak : capturePeaks)
        peak.store (0.0f, std::memory_order_relaxed);

    captureWritePos.store (0);
    capturing.store (false);
}

void TindleProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    if (auto* playHead = getPlayHead())
        if (const auto position = playHead->getPosition())
            if (const auto bpm = position->getBpm(); bpm.hasValue() && std::isfinite (*bpm))
                hostBpm.store (*bpm); // a NaN here would reach the page as invalid JSON

    const auto numSamples = buffer.getNumSamples();

    if (capturing.load() && ! captureBuffer.empty())
    {
        const auto p = captureWritePos.load();
        const auto capacity = static_cast<std::uint64_t> (captureBuffer.front().size());
        const auto n = static_cast<size_t> (std::min (capacity - std::min (p, capacity),
                                                      static_cast<std::uint64_t> (std::max (0, numSamples))));

        if (n > 0)
        {
            const auto m = std::min (static_cast<size_t> (buffer.getNumChannels()), captureBuffer.size());
            const auto numPeaks = capturePeaks.size();

            for (size_t k = 0; k < m; ++k)
            {
                const auto* in = buffer.getReadPointer (static_cast<int> (k));
                std::copy (in, in + n, captureBuffer[k].data() + p);

                // One peak entry per 1024 capture samples: walk the block in runs that stay
                // inside one entry, and compare that run's largest magnitude once.
                size_t i = 0;
                while (i < n)
                {
                    const auto b = static_cast<size_t> ((p + i) / peakBlockSize);
                    const auto runEnd = std::min (n, static_cast<size_t> ((b + 1) * peakBlockSize - p));
                    const auto range = juce::FloatVectorOperations::findMinAndMax (in + i, static_cast<int> (runEnd - i));
                    const auto runPeak = std::max (-range.getStart(), range.getEnd());

                    if (b < numPeaks && runPeak > capturePeaks[b].load (std::memory_order_relaxed))
                        capturePeaks[b].store (runPeak, std::memory_order_relaxed);

                    i = runEnd;
                }
            }

            // Samples and peaks first, then publish the new position, unless startCapture()
            // restarted the capture meanwhile: its reset to 0 wins over this block's advance.
            auto expected = p;
            captureWritePos.compare_exchange_strong (expected, p + n);
        }

        if (captureWritePos.load() >= capacity)
            capturing.store (false); // a capture ends by itself after 60 seconds
    }

    // The standalone app must not play its input back (no feedback); in a host, pass through.
    if (isStandalone())
        buffer.clear();

    lastBlockMs.store (juce::Time::getMillisecondCounterHiRes());

    renderPreview (buffer, hostSampleRate);
}

juce::AudioProcessorEditor* TindleProcessor::createEditor()
{
    return new TindleEditor (*this);
}

//==============================================================================
void TindleProcessor::startCapture()
{
    for (auto& peak : capturePeaks)
        peak.store (0.0f, std::memory_order_relaxed);

    captureWritePos.store (0);
    capturing.store (true);
}

void TindleProcessor::stopCapture()
{
    capturing.store (false);
}

//==============================================================================
void TindleProcessor::setPreviewMain (juce::AudioBuffer<float> buffer, double sampleRate, double loopEndSec)
{
    {
        const juce::ScopedLock lock (previewLock);
        std::swap (previewMain.buffer, buffer);
        previewMain.sampleRate = sampleRate;
        previewMain.loopEndSec = loopEndSec;
    }
    // `buffer` now holds the replaced samples; they are freed here, outside the lock.
}

void TindleProcessor::setPreviewShot (juce::AudioBuffer<float> buffer, double sampleRate)
{
    {
        const juce::ScopedLock lock (previewLock);
        std::swap (previewShot.buffer, buffer);
        previewShot.sampleRate = sampleRate;
        previewShot.loopEndSec = 0.0;
    }
}

void TindleProcessor::playPreviewMain (double offsetSec)
{
    previewPosSec.store (nonNegativeOrZero (offsetSec)); // position before mode: never a stale start
    previewMode.store (1);
}

void TindleProcessor::playPreviewShot (double fromSec)
{
    previewPosSec.store (nonNegativeOrZero (fromSec));
    previewMode.store (2);
}

void TindleProcessor::stopPreview()
{
    previewMode.store (0);
}

namespace
{
struct VoiceRun
{
    double pos;
    bool ended;
};

constexpr int voiceChannelGroup = 16; // output channels rendered per pass (fixed arrays, no allocation)

/** Renders up to voiceChannelGroup output channels of a voice (none: it only advances). The
    position sequence is computed once per sample for the group; every group of a block repeats
    the same sequence, so the result equals the plain sample-by-sample order exactly. */
template <bool looping>
VoiceRun runVoice (const float* const* sources, float* const* outputs, int numChannels, int numSamples,
                   double pos, double step, double last, double wrap, int n) noexcept
{
    for (int i = 0; i < numSamples; ++i)
    {
        if (pos >= last)
        {
            if constexpr (looping)
                pos = std::fmod (pos, wrap);
            else
                return { pos, true };
        }

        const auto k = static_cast<int> (pos);
        const auto frac = static_cast<float> (pos - k);
        const auto k2 = std::min (k + 1, n - 1);

        for (int c = 0; c < numChannels; ++c)
        {
            const auto* s = sources[c];
            const auto v = s[k] + (s[k2] - s[k]) * frac;
            if (std::isfinite (v))
                outputs[c][i] += v;
        }

        pos += step;
    }

    return { pos, false };
}
} // namespace

void TindleProcessor::renderPreview (juce::AudioBuffer<float>& buffer, double outputRate)
{
    const auto mode = previewMode.load();
    if (mode == 0)
        return;

    // Try-lock only: the audio thread never waits. A busy lock (the message thread is swapping
    // a buffer) drops this block's audition and the position does not advance.
    const juce::ScopedTryLock lock (previewLock);
    if (! lock.isLocked())
        return;

    const auto& src = mode == 2 ? previewShot : previewMain;
    const auto n = src.buffer.getNumSamples();
    const auto sourceRate = src.sampleRate;

    if (n < 2 || src.buffer.getNumChannels() < 1 || ! (outputRate > 0.0) || ! (sourceRate > 0.0) || ! std::isfinite (outputRate) || ! std::isfinite (sourceRate))
        return;

    auto end = static_cast<double> (n);
    if (mode == 1 && src.loopEndSec > 0.0)
        end = std::min (src.loopEndSec * sourceRate, end);

    auto startSec = previewPosSec.load();
    auto pos = startSec * sourceRate;
    if (! std::isfinite (pos))
        pos = 0.0;
    if (pos >= end)
        pos = mode == 1 ? std::fmod (pos, end) : end;

    const auto step = sourceRate / outputRate;
    const auto last = end - 1.0;
    const auto wrap = std::max (end, 1.0);
    const auto numSamples = buffer.getNumSamples();
    const auto numOutputs = buffer.getNumChannels();
    const auto numSources = src.buffer.getNumChannels();

    VoiceRun run { pos, false };
    const float* sources[voiceChannelGroup];
    float* outputs[voiceChannelGroup];

    for (int first = 0; first < std::max (numOutputs, 1); first += voiceChannelGroup)
    {
        const auto count = std::min (voiceChannelGroup, numOutputs - first); // 0 when no outputs
        for (int c = 0; c < count; ++c)
        {
            const auto j = first + c;
            sources[c] = src.buffer.getReadPointer (std::min (j, numSources - 1)); // mono feeds all
            outputs[c] = buffer.getWritePointer (j);
        }
        run = mode == 1 ? runVoice<true> (sources, outputs, count, numSamples, pos, step, last, wrap, n)
                        : runVoice<false> (sources, outputs, count, numSamples, pos, step, last, wrap, n);
    }

    // A play request the message thread stored during this block wins over the block's advance.
    previewPosSec.compare_exchange_strong (startSec, run.pos / sourceRate);

    if (run.ended)
    {
        // Clear the mode only while it still says "one-shot", so a play request the message
        // thread stored in the same instant survives; count the end exactly once.
        auto expected = 2;
        previewMode.compare_exchange_strong (expected, 0);
        previewEndCount.fetch_add (1);
    }
}

//==============================================================================
void TindleProcessor::DirectOut::audioDeviceAboutToStart (juce::AudioIODevice* device)
{
    processor.directRate.store (device != nullptr ? device->getCurrentSampleRate() : 0.0);
}

void TindleProcessor::DirectOut::audioDeviceIOCallbackWithContext (const float* const*, int,
                                                                   float* const* outputChannelData,
                                                                   int numOutputChannels, int numSamples,
                                                                   const juce::AudioIODeviceCallbackContext&)
{
    // Refers to the device's channels without copying; JUCE allocates only from 32 channels up,
    // and this device is opened with two.
    juce::AudioBuffer<float> out (outputChannelData, numOutputChannels, numSamples);
    out.clear();

    if (processor.previewMode.load() != 0
        && juce::Time::getMillisecondCounterHiRes() - processor.lastBlockMs.load() > 250.0)
        processor.renderPreview (out, processor.directRate.load());
}

void TindleProcessor::ensureDirectOutput()
{
    if (directDevice != nullptr)
        return;

    auto manager = std::make_unique<juce::AudioDeviceManager>();
    if (manager->initialiseWithDefaultDevices (0, 2).isNotEmpty())
        return;

    manager->addAudioCallback (&directOut);
    directDevice = std::move (manager);
}

void TindleProcessor::releaseDirectOutput()
{
    if (directDevice == nullptr)
        return;

    directDevice->removeAudioCallback (&directOut);
    directDevice->closeAudioDevice();
    directDevice.reset();
}

//==============================================================================
TindleProcessor::SavedSession TindleProcessor::savedSession() const
{
    const juce::ScopedLock lock (sessionLock);
    return session;
}

void TindleProcessor::setUiState (const juce::String& json)
{
    juce::String replaced = json;
    {
        const juce::ScopedLock lock (sessionLock);
        std::swap (session.uiState, replaced);
    }
}

void TindleProcessor::setSessionSource (const juce::String& name, double bpm, bool demo, juce::MemoryBlock wavBytes)
{
    juce::String replacedName = name;
    {
        const juce::ScopedLock lock (sessionLock);
        std::swap (session.srcName, replacedName);
        session.srcBpm = bpm;
        session.srcDemo = demo;
        session.srcWav.swapWith (wavBytes);
    }
    // The replaced audio bytes (now in wavBytes) are freed here, after the lock.
}

void TindleProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    auto blob = writeStateBlob (savedSession());
    destData.swapWith (blob); // exactly the stream's bytes; the previous content goes with `blob`
}

void TindleProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return; // an empty blob gives an empty type name: not a tree, nothing changes

    auto loaded = readStateBlob (data, static_cast<size_t> (sizeInBytes));
    if (! loaded.has_value())
        return;

    {
        const juce::ScopedLock lock (sessionLock);
        std::swap (session, *loaded);
    }
    // The replaced values (now in `loaded`) are freed here, after the lock.
}

//==============================================================================
// The framework's plug-in factory: one processor per instance.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new TindleProcessor();
}
