// Shared helpers for the native tests: processors of a chosen wrapper type, a scriptable play
// head, and small buffer builders. Header-only; no window, no audio device.
#pragma once

#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace tindle::test
{
/** A processor constructed as the given wrapper would construct it (wrapperType is fixed at
    construction, from the type the wrappers announce with setTypeOfNextNewPlugin). */
inline std::unique_ptr<TindleProcessor> makeProcessor (juce::AudioProcessor::WrapperType type)
{
    juce::AudioProcessor::setTypeOfNextNewPlugin (type);
    auto processor = std::make_unique<TindleProcessor>();
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    return processor;
}

inline std::unique_ptr<TindleProcessor> makeStandalone() { return makeProcessor (juce::AudioProcessor::wrapperType_Standalone); }
inline std::unique_ptr<TindleProcessor> makeHosted() { return makeProcessor (juce::AudioProcessor::wrapperType_VST3); }

/** A play head whose answer the test sets. */
struct ScriptedPlayHead final : juce::AudioPlayHead
{
    bool hasPosition = true;
    std::optional<double> bpm;

    juce::Optional<PositionInfo> getPosition() const override
    {
        if (! hasPosition)
            return {};
        PositionInfo info;
        if (bpm.has_value())
            info.setBpm (*bpm);
        return info;
    }
};

/** A buffer whose every channel holds `value`. */
inline juce::AudioBuffer<float> constantBuffer (int channels, int samples, float value)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (b.getWritePointer (c), value, samples);
    return b;
}

/** A buffer with sample i of channel c = f(c, i). */
template <typename F>
juce::AudioBuffer<float> makeBuffer (int channels, int samples, F&& f)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            b.setSample (c, i, f (c, i));
    return b;
}

/** A ramp voice: sample i = i (so interpolated values reveal the source position). */
inline juce::AudioBuffer<float> rampBuffer (int channels, int samples)
{
    return makeBuffer (channels, samples, [] (int, int i) { return static_cast<float> (i); });
}

inline void runBlock (TindleProcessor& p, juce::AudioBuffer<float>& block)
{
    juce::MidiBuffer midi;
    p.processBlock (block, midi);
}
} // namespace tindle::test
