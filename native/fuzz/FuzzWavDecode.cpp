// libFuzzer target: tindle::decodeWavBase64 with any text.
// The first input byte picks the mode: odd -> the rest is raw file bytes, Base64-encoded here
// so the mutations reach the WAV reader; even -> the rest is the text itself (any UTF-8),
// exercising the Base64 decoder (which must agree with the framework's). Checked: no crash, no sanitizer report, and on success a
// non-empty buffer with a positive rate that encodeWav turns into a file of the right size.
#include "WavCodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;

    const auto* rest = reinterpret_cast<const char*> (data + 1);
    const auto restSize = size - 1;
    const auto text = (data[0] & 1) != 0 ? juce::Base64::toBase64 (rest, restSize)
                                         : juce::String::fromUTF8 (rest, static_cast<int> (restSize));

    // The fast Base64 decoder must agree with the framework's on every text.
    juce::MemoryBlock fast;
    juce::MemoryOutputStream reference;
    const auto fastOk = tindle::decodeBase64 (text, fast);
    if (fastOk != juce::Base64::convertFromBase64 (reference, text))
        std::abort();
    if (fastOk && ! (fast.getSize() == reference.getDataSize() && (fast.getSize() == 0
                     || std::memcmp (fast.getData(), reference.getData(), fast.getSize()) == 0)))
        std::abort();

    juce::AudioBuffer<float> buffer;
    double rate = 0.0;
    if (! tindle::decodeWavBase64 (text, buffer, rate))
        return 0;

    if (buffer.getNumChannels() < 1 || buffer.getNumSamples() < 1 || ! (rate > 0.0))
        std::abort();

    // Touch every decoded sample (ASan sees any read of unwritten or freed memory).
    volatile float sink = 0.0f;
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            sink = sink + buffer.getSample (c, i);

    const auto file = tindle::encodeWav (buffer.getArrayOfReadPointers(), buffer.getNumChannels(),
                                         static_cast<size_t> (buffer.getNumSamples()), rate);
    const auto expected = 44u + static_cast<size_t> (buffer.getNumChannels()) * static_cast<size_t> (buffer.getNumSamples()) * 2u;
    if (file.getSize() != expected)
        std::abort();
    return 0;
}
