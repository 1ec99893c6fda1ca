// The native WAV codec: Base64 WAV text from the page to a float buffer, and float
// channels to a 16-bit PCM WAV file with a 44-byte header. Plain functions without state; they
// run on the message thread over whole files.
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <vector>

namespace tindle
{
/** Decodes Base64 (standard alphabet, "=" padding, no white space) of a WAV file into `buffer`
    (every channel, full length) and `sampleRate`. False on bad Base64, bytes the framework's WAV
    reader does not open, or a file with no frames; the outputs must not be relied on then. */
bool decodeWavBase64 (const juce::String& base64Text, juce::AudioBuffer<float>& buffer, double& sampleRate);

/** Base64 text to bytes with exactly juce::Base64::convertFromBase64's rules (groups of four;
    false on a character outside the alphabet, "=" in a group's first two places, or text that
    ends inside a group), without its per-character overhead. */
bool decodeBase64 (const juce::String& base64Text, juce::MemoryBlock& bytes);

/** Writes `numChannels` channels of `numFrames` frames as 16-bit PCM WAV: the 44-byte header
    then interleaved samples (-32767 below -1, else round(min(x, 1) * 32767), half
    away from zero). Allocates once. Never fails. */
juce::MemoryBlock encodeWav (const float* const* channels, int numChannels, size_t numFrames, double sampleRate);

/** As above for a list of equally long channels; the frame count is taken from channel 0. */
juce::MemoryBlock encodeWav (const std::vector<std::vector<float>>& channels, double sampleRate);
} // namespace tindle
