// WAV codec; see WavCodec.h.
#include "WavCodec.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tindle
{
namespace
{
/** Alphabet value of each byte: 0..63, 64 for "=", -1 for anything else. */
struct Base64Table
{
    signed char value[256];

    constexpr Base64Table() : value()
    {
        for (auto& v : value)
            v = -1;
        for (int i = 0; i < 26; ++i)
        {
            value['A' + i] = static_cast<signed char> (i);
            value['a' + i] = static_cast<signed char> (26 + i);
        }
        for (int i = 0; i < 10; ++i)
            value['0' + i] = static_cast<signed char> (52 + i);
        value[static_cast<unsigned char> ('+')] = 62;
        value[static_cast<unsigned char> ('/')] = 63;
        value[static_cast<unsigned char> ('=')] = 64;
    }
};

constexpr Base64Table base64Table;

/** A memory stream that gives up when it is asked for nothing over and over. JUCE 8.0.6's WAV
    reader copes with frames wider than its 5,760-byte scratch buffer (a header can declare
    "bytes per second / rate" as the frame size, or overflow its bit depth to 0) by reading 0
    frames per pass, forever. That loop only ever asks for 0 bytes, and no sane read does so
    repeatedly, so the stream ends it by throwing; decodeWavBase64 then fails. */
class StallGuardedStream final : public juce::MemoryInputStream
{
public:
    struct Stalled {};

    explicit StallGuardedStream (const juce::MemoryBlock& data) : juce::MemoryInputStream (data, false) {}

    int read (void* destBuffer, int maxBytesToRead) override
    {
        if (maxBytesToRead > 0)
            emptyReadsInARow = 0;
        else if (++emptyReadsInARow > 1000)
            throw Stalled {};
        return juce::MemoryInputStream::read (destBuffer, maxBytesToRead);
    }

private:
    int emptyReadsInARow = 0;
};
} // namespace

bool decodeBase64 (const juce::String& text, juce::MemoryBlock& bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*> (text.toRawUTF8());
    const auto n = std::strlen (text.toRawUTF8()); // the stored bytes (getNumBytesAsUTF8 can skip malformed ones)

    bytes.setSize (n / 4 * 3 + 3, false);
    auto* d = static_cast<juce::uint8*> (bytes.getData());
    size_t written = 0;

    for (size_t i = 0; i < n;)
    {
        int v[4];
        for (int k = 0; k < 4; ++k)
        {
            if (i >= n)
                return false; // the text ends inside a group
            if (s[i] >= 0x80)
            {
                // Non-ASCII: let the framework decide code point by code point (it decodes some
                // malformed UTF-8 to ASCII letters); such text never comes from the page.
                juce::MemoryOutputStream out (bytes, false);
                return juce::Base64::convertFromBase64 (out, text);
            }
            v[k] = base64Table.value[s[i++]];
            if (v[k] < 0 || (v[k] == 64 && k <= 1))
                return false;
        }

        d[written++] = static_cast<juce::uint8> ((v[0] << 2) | (v[1] >> 4));
        if (v[2] < 64)
        {
            d[written++] = static_cast<juce::uint8> ((v[1] << 4) | (v[2] >> 2));
            if (v[3] < 64)
                d[written++] = static_cast<juce::uint8> ((v[2] << 6) | v[3]);
        }
    }

    bytes.setSize (written);
    return true;
}

bool decodeWavBase64 (const juce::String& base64Text, juce::AudioBuffer<float>& buffer, double& sampleRate)
{
    juce::MemoryBlock bytes;
    if (! decodeBase64 (base64Text, bytes))
        return false;

    const auto numBytes = static_cast<juce::int64> (bytes.getSize());

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (new StallGuardedStream (bytes), true));
    if (reader == nullptr || reader->lengthInSamples <= 0 || reader->numChannels == 0)
        return false;

    // The framework's reader trusts the header: the data chunk's declared size (a header may
    // claim far more frames than the file holds) and a channel count read as a signed 16-bit
    // value (0x8000 and up become about 4 billion). Never allocate for samples that cannot be
    // in the file: at most one float per byte of sample data.
    const auto channels = static_cast<juce::int64> (reader->numChannels);
    if (channels < 1 || channels > 65535)
        return false;
    const auto bytesPerSample = std::max<juce::int64> (1, static_cast<juce::int64> (reader->bitsPerSample) / 8);
    const auto frames = std::min ({ reader->lengthInSamples, numBytes / (channels * bytesPerSample),
                                    static_cast<juce::int64> (std::numeric_limits<int>::max()) });
    if (frames <= 0)
        return false;

    const auto numChannels = static_cast<int> (reader->numChannels);
    buffer.setSize (numChannels, static_cast<int> (frames), false, true, false);
    try
    {
        if (! reader->read (buffer.getArrayOfWritePointers(), numChannels, 0, static_cast<int> (frames)))
            return false;
    }
    catch (const StallGuardedStream::Stalled&)
    {
        return false;
    }

    sampleRate = reader->sampleRate;
    return true;
}

namespace
{
void putU32 (juce::uint8* d, juce::uint32 v) noexcept
{
    d[0] = static_cast<juce::uint8> (v);
    d[1] = static_cast<juce::uint8> (v >> 8);
    d[2] = static_cast<juce::uint8> (v >> 16);
    d[3] = static_cast<juce::uint8> (v >> 24);
}

/** A header field: the value truncated towards zero, taken modulo 2^32 as a 32-bit store of
    it would (e.g. DataView.setUint32 on the page); NaN and negatives give 0. */
juce::uint32 truncatedU32 (double value) noexcept
{
    if (! (value >= 0.0) || ! std::isfinite (value))
        return 0;
    return static_cast<juce::uint32> (std::fmod (std::trunc (value), 4294967296.0));
}

void putU16 (juce::uint8* d, juce::uint32 v) noexcept
{
    d[0] = static_cast<juce::uint8> (v);
    d[1] = static_cast<juce::uint8> (v >> 8);
}

/** -32767 below -1 (and for NaN, which compares false everywhere: written as 0); otherwise
    round(min(x, 1) * 32767) half away from zero. The product is taken in float (the written
    values depend on it); adding +-0.5 in double is exact at this magnitude, so truncation rounds
    correctly without a libm call per sample. */
inline juce::int16 toPcm16 (float x) noexcept
{
    if (x < -1.0f)
        return -32767;
    if (std::isnan (x))
        return 0;
    const auto scaled = static_cast<double> (std::min (x, 1.0f) * 32767.0f);
    return static_cast<juce::int16> (static_cast<int> (scaled + (scaled < 0.0 ? -0.5 : 0.5)));
}
} // namespace

juce::MemoryBlock encodeWav (const float* const* channels, int numChannels, size_t numFrames, double sampleRate)
{
    const auto k = static_cast<size_t> (std::max (0, numChannels));
    const auto n = k > 0 ? numFrames : size_t { 0 };
    const auto dataBytes = k * n * 2;

    juce::MemoryBlock file (44 + dataBytes, false);
    auto* d = static_cast<juce::uint8*> (file.getData());

    std::memcpy (d, "RIFF", 4);
    putU32 (d + 4, static_cast<juce::uint32> (36 + dataBytes));
    std::memcpy (d + 8, "WAVE", 4);
    std::memcpy (d + 12, "fmt ", 4);
    putU32 (d + 16, 16);
    putU16 (d + 20, 1);
    putU16 (d + 22, static_cast<juce::uint32> (k));
    putU32 (d + 24, truncatedU32 (sampleRate));
    putU32 (d + 28, truncatedU32 (sampleRate * static_cast<double> (k) * 2.0));
    putU16 (d + 32, static_cast<juce::uint32> (k * 2));
    putU16 (d + 34, 16);
    std::memcpy (d + 36, "data", 4);
    putU32 (d + 40, static_cast<juce::uint32> (dataBytes));

    auto* out = d + 44;
    for (size_t i = 0; i < n; ++i)
    {
        for (size_t c = 0; c < k; ++c)
        {
            const auto v = static_cast<juce::uint16> (toPcm16 (channels[c][i]));
            out[0] = static_cast<juce::uint8> (v);
            out[1] = static_cast<juce::uint8> (v >> 8);
            out += 2;
        }
    }

    return file;
}

juce::MemoryBlock encodeWav (const std::vector<std::vector<float>>& channels, double sampleRate)
{
    std::vector<const float*> pointers;
    pointers.reserve (channels.size());
    for (const auto& channel : channels)
        pointers.push_back (channel.data());

    const auto numFrames = channels.empty() ? size_t { 0 } : channels.front().size();
    return encodeWav (pointers.data(), static_cast<int> (channels.size()), numFrames, sampleRate);
}
} // namespace tindle
