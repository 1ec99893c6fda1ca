// WAV codec: encodeWav's golden bytes and header fields, sample conversion, and
// decodeWavBase64's bit-exact 16-bit decoding and its rejections.
#include "WavCodec.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <gtest/gtest.h>

#include <cmath>

using tindle::decodeWavBase64;
using tindle::encodeWav;

namespace
{
std::vector<juce::uint8> bytesOf (const juce::MemoryBlock& block)
{
    const auto* d = static_cast<const juce::uint8*> (block.getData());
    return { d, d + block.getSize() };
}

juce::uint32 u32At (const std::vector<juce::uint8>& b, size_t at)
{
    return static_cast<juce::uint32> (b[at]) | static_cast<juce::uint32> (b[at + 1]) << 8
         | static_cast<juce::uint32> (b[at + 2]) << 16 | static_cast<juce::uint32> (b[at + 3]) << 24;
}

int u16At (const std::vector<juce::uint8>& b, size_t at)
{
    return b[at] | b[at + 1] << 8;
}

int s16At (const std::vector<juce::uint8>& b, size_t at)
{
    return static_cast<juce::int16> (static_cast<juce::uint16> (u16At (b, at)));
}

/** A 16-bit PCM WAV file built by hand (interleaved frames). */
juce::MemoryBlock pcm16Wav (int channels, int rate, const std::vector<juce::int16>& interleaved)
{
    juce::MemoryOutputStream out;
    const auto dataBytes = static_cast<int> (interleaved.size() * 2);
    out.write ("RIFF", 4);
    out.writeInt (36 + dataBytes);
    out.write ("WAVEfmt ", 8);
    out.writeInt (16);
    out.writeShort (1);
    out.writeShort (static_cast<short> (channels));
    out.writeInt (rate);
    out.writeInt (rate * channels * 2);
    out.writeShort (static_cast<short> (channels * 2));
    out.writeShort (16);
    out.write ("data", 4);
    out.writeInt (dataBytes);
    for (auto v : interleaved)
        out.writeShort (v);
    return out.getMemoryBlock();
}

juce::String base64Of (const juce::MemoryBlock& block)
{
    return juce::Base64::toBase64 (block.getData(), block.getSize());
}
} // namespace

TEST (EncodeWav, FiftyTwoByteExampleIsByteExact)
{
    const std::vector<std::vector<float>> channels { { 0.5f, -0.5f, 1.5f, -1.5f } };
    const auto b = bytesOf (encodeWav (channels, 44100.0));

    const std::vector<juce::uint8> expected {
        'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E',
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
        0x44, 0xac, 0, 0,          // 44100
        0x88, 0x58, 0x01, 0,       // 88200
        2, 0, 16, 0,
        'd', 'a', 't', 'a', 8, 0, 0, 0,
        0x00, 0x40,                // 16384
        0x00, 0xc0,                // -16384
        0xff, 0x7f,                // 32767
        0x01, 0x80 };              // -32767
    EXPECT_EQ (b, expected);
    EXPECT_EQ (b.size(), 52u);
}

TEST (EncodeWav, Stereo48kHeaderAndInterleaving)
{
    const std::vector<std::vector<float>> channels { { 0.0f, 0.25f, -1.0f }, { 1.0f, -0.25f, 0.5f } };
    const auto b = bytesOf (encodeWav (channels, 48000.0));
    ASSERT_EQ (b.size(), 44u + 12u);
    EXPECT_EQ (u32At (b, 4), 36u + 12u);
    EXPECT_EQ (u16At (b, 22), 2);
    EXPECT_EQ (u32At (b, 24), 48000u);
    EXPECT_EQ (u32At (b, 28), 192000u);
    EXPECT_EQ (u16At (b, 32), 4);
    EXPECT_EQ (u16At (b, 34), 16);
    EXPECT_EQ (u32At (b, 40), 12u);
    const std::vector<int> samples { 0, 32767, 8192, -8192, -32767, 16384 };
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ (s16At (b, 44 + 2 * i), samples[i]) << i;
}

TEST (EncodeWav, FractionalRateIsTruncated)
{
    const std::vector<std::vector<float>> channels { { 0.0f } };
    const auto b = bytesOf (encodeWav (channels, 44100.9));
    EXPECT_EQ (u32At (b, 24), 44100u);
    EXPECT_EQ (u32At (b, 28), 88201u); // 44100.9 * 2 = 88201.8, truncated
}

TEST (EncodeWav, HeaderFieldsBeyond32BitsWrapLikeA32BitStore)
{
    const std::vector<std::vector<float>> channels { { 0.0f }, { 0.0f } };
    const auto b = bytesOf (encodeWav (channels, 1.5e9)); // bytes per second 6e9 > 2^32
    EXPECT_EQ (u32At (b, 24), 1500000000u);
    EXPECT_EQ (u32At (b, 28), static_cast<juce::uint32> (6000000000ull % 4294967296ull));
    EXPECT_EQ (u32At (bytesOf (encodeWav (channels, -5.0)), 24), 0u);
    EXPECT_EQ (u32At (bytesOf (encodeWav (channels, std::nan (""))), 28), 0u);
}

TEST (EncodeWav, NoChannelsGivesTheBareHeader)
{
    const auto b = bytesOf (encodeWav (std::vector<std::vector<float>> {}, 44100.0));
    ASSERT_EQ (b.size(), 44u);
    EXPECT_EQ (u32At (b, 4), 36u);
    EXPECT_EQ (u16At (b, 22), 0);
    EXPECT_EQ (u32At (b, 28), 0u);
    EXPECT_EQ (u16At (b, 32), 0);
    EXPECT_EQ (u32At (b, 40), 0u);
}

TEST (EncodeWav, NoFramesGivesTheBareHeader)
{
    const auto b = bytesOf (encodeWav (std::vector<std::vector<float>> { {}, {} }, 44100.0));
    ASSERT_EQ (b.size(), 44u);
    EXPECT_EQ (u16At (b, 22), 2);
    EXPECT_EQ (u32At (b, 40), 0u);
}

struct SampleCase
{
    float x;
    int expected;
};

class SampleConversionTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P (SampleConversionTest, RoundsHalfAwayFromZeroAtFullScale32767)
{
    const auto c = GetParam();
    const std::vector<std::vector<float>> channels { { c.x } };
    const auto b = bytesOf (encodeWav (channels, 8000.0));
    EXPECT_EQ (s16At (b, 44), c.expected) << c.x;
}

INSTANTIATE_TEST_SUITE_P (Samples, SampleConversionTest, ::testing::Values (
    SampleCase { 0.0f, 0 }, SampleCase { -0.0f, 0 },
    SampleCase { 1.0f, 32767 }, SampleCase { -1.0f, -32767 },
    SampleCase { 2.0f, 32767 }, SampleCase { -2.0f, -32767 },
    SampleCase { 0.5f, 16384 }, SampleCase { -0.5f, -16384 },
    SampleCase { 0.51f / 32767.0f, 1 }, SampleCase { -0.51f / 32767.0f, -1 },
    SampleCase { 0.49f / 32767.0f, 0 }, SampleCase { 1.0f / 32767.0f, 1 },
    SampleCase { std::numeric_limits<float>::infinity(), 32767 },
    SampleCase { -std::numeric_limits<float>::infinity(), -32767 },
    SampleCase { std::numeric_limits<float>::denorm_min(), 0 }));

TEST (EncodeWav, JuceReaderReadsItBack)
{
    std::vector<std::vector<float>> channels (2, std::vector<float> (1000));
    for (int i = 0; i < 1000; ++i)
    {
        channels[0][static_cast<size_t> (i)] = std::sin (static_cast<float> (i) * 0.01f);
        channels[1][static_cast<size_t> (i)] = -channels[0][static_cast<size_t> (i)];
    }
    juce::AudioBuffer<float> decoded;
    double rate = 0;
    ASSERT_TRUE (decodeWavBase64 (base64Of (encodeWav (channels, 22050.0)), decoded, rate));
    EXPECT_EQ (rate, 22050.0);
    ASSERT_EQ (decoded.getNumChannels(), 2);
    ASSERT_EQ (decoded.getNumSamples(), 1000);
    // Written at full scale 32767, read back by the framework at 32768: exact in both steps.
    for (int i = 0; i < 1000; ++i)
        for (int c = 0; c < 2; ++c)
        {
            const auto x = channels[static_cast<size_t> (c)][static_cast<size_t> (i)];
            ASSERT_EQ (decoded.getSample (c, i), std::round (x * 32767.0f) / 32768.0f) << i;
        }
}

TEST (DecodeWav, Stereo16BitDecodesBitExactlyToSampleOver32768)
{
    const std::vector<juce::int16> frames { 0, 1, -1, 32767, -32768, 12345, -23456, 16384 };
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    ASSERT_TRUE (decodeWavBase64 (base64Of (pcm16Wav (2, 44100, frames)), buffer, rate));
    EXPECT_EQ (rate, 44100.0);
    ASSERT_EQ (buffer.getNumChannels(), 2);
    ASSERT_EQ (buffer.getNumSamples(), 4);
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ (buffer.getSample (c, i), static_cast<float> (frames[static_cast<size_t> (i * 2 + c)]) / 32768.0f) << i << "," << c;
}

TEST (DecodeWav, EverySixteenBitValueIsExact)
{
    std::vector<juce::int16> all;
    for (int v = -32768; v <= 32767; ++v)
        all.push_back (static_cast<juce::int16> (v));
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    ASSERT_TRUE (decodeWavBase64 (base64Of (pcm16Wav (1, 8000, all)), buffer, rate));
    ASSERT_EQ (buffer.getNumSamples(), 65536);
    for (int i = 0; i < 65536; ++i)
        ASSERT_EQ (buffer.getSample (0, i), static_cast<float> (i - 32768) / 32768.0f) << i;
}

TEST (DecodeWav, ChannelCountsArePreserved)
{
    for (const auto channels : { 1, 3, 6 })
    {
        std::vector<juce::int16> frames (static_cast<size_t> (channels * 5), 100);
        juce::AudioBuffer<float> buffer;
        double rate = 0;
        ASSERT_TRUE (decodeWavBase64 (base64Of (pcm16Wav (channels, 48000, frames)), buffer, rate));
        EXPECT_EQ (buffer.getNumChannels(), channels);
        EXPECT_EQ (buffer.getNumSamples(), 5);
        EXPECT_EQ (rate, 48000.0);
    }
}

TEST (DecodeWav, FloatWavFromTheFrameworkWriter)
{
    juce::MemoryBlock file;
    {
        juce::WavAudioFormat wav;
        auto* stream = new juce::MemoryOutputStream (file, false);
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream, 96000.0, 2, 32, {}, 0));
        ASSERT_NE (writer, nullptr);
        juce::AudioBuffer<float> data (2, 3);
        data.setSample (0, 0, 0.125f); data.setSample (1, 0, -0.75f);
        data.setSample (0, 1, 1.5f);   data.setSample (1, 1, 0.0f);
        data.setSample (0, 2, -2.0f);  data.setSample (1, 2, 1e-3f);
        ASSERT_TRUE (writer->writeFromAudioSampleBuffer (data, 0, 3));
    }
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    ASSERT_TRUE (decodeWavBase64 (base64Of (file), buffer, rate));
    EXPECT_EQ (rate, 96000.0);
    ASSERT_EQ (buffer.getNumSamples(), 3);
    EXPECT_EQ (buffer.getSample (0, 0), 0.125f);
    EXPECT_EQ (buffer.getSample (1, 0), -0.75f);
    EXPECT_EQ (buffer.getSample (0, 1), 1.5f);
    EXPECT_EQ (buffer.getSample (0, 2), -2.0f);
}

struct RejectCase
{
    const char* name;
    juce::String text;
};

class DecodeRejectTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P (DecodeRejectTest, ReturnsFalse)
{
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    EXPECT_FALSE (decodeWavBase64 (GetParam().text, buffer, rate)) << GetParam().name;
}

namespace
{
const juce::String goodWav = base64Of (pcm16Wav (2, 44100, { 1, 2, 3, 4, 5, 6, 7, 8 }));  // 60 bytes: no padding
const juce::String paddedWav = base64Of (pcm16Wav (2, 44100, { 1, 2, 3, 4 }));            // 52 bytes: "=="
juce::String withInserted (juce::String s, int at, const char* what) { return s.substring (0, at) + what + s.substring (at); }
} // namespace

INSTANTIATE_TEST_SUITE_P (Rejections, DecodeRejectTest, ::testing::Values (
    RejectCase { "empty", {} },
    RejectCase { "lineBreak", withInserted (goodWav, 8, "\n") },
    RejectCase { "crlfAtEnd", goodWav + "\r\n" },
    RejectCase { "blank", withInserted (goodWav, 12, " ") },
    RejectCase { "tab", withInserted (goodWav, 4, "\t") },
    RejectCase { "missingPadding", paddedWav.trimCharactersAtEnd ("=") },
    RejectCase { "missingOnePaddingCharacter", paddedWav.dropLastCharacters (1) },
    RejectCase { "urlSafeAlphabet", goodWav.replaceCharacter ('+', '-').replaceCharacter ('/', '_') + "-_-_" },
    RejectCase { "paddingInFirstPlace", juce::String ("=AAA") + goodWav },
    RejectCase { "dataUrlPrefix", "data:audio/wav;base64," + goodWav },
    RejectCase { "notAWav", juce::Base64::toBase64 ("hello world, no RIFF here", 25) },
    RejectCase { "emptyDataChunk", base64Of (pcm16Wav (2, 44100, {})) },
    RejectCase { "truncatedHeader", base64Of (juce::MemoryBlock (pcm16Wav (2, 44100, { 1, 2 }).getData(), 30)) },
    RejectCase { "nonAscii", juce::String::fromUTF8 (u8"UklGRg\u00e9\u00e9") }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (DecodeWav, AMissingPaddingCheckedOnAKnownShortText)
{
    ASSERT_TRUE (paddedWav.endsWith ("=="));
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    EXPECT_TRUE (decodeWavBase64 (paddedWav, buffer, rate));
    // "TWE=" is one group; without "=" the text ends inside a group.
    juce::MemoryOutputStream out;
    EXPECT_TRUE (juce::Base64::convertFromBase64 (out, "TWE="));
    juce::MemoryOutputStream out2;
    EXPECT_FALSE (juce::Base64::convertFromBase64 (out2, "TWE"));
}

TEST (DecodeWav, HeaderClaimingMoreFramesThanPresentIsBounded)
{
    auto file = pcm16Wav (2, 44100, { 1, 2, 3, 4 });
    auto* d = static_cast<juce::uint8*> (file.getData());
    d[40] = 0xf0; d[41] = 0xff; d[42] = 0xff; d[43] = 0x7f; // data size ~2 GB
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    if (decodeWavBase64 (base64Of (file), buffer, rate))
    {
        EXPECT_LE (buffer.getNumSamples(), static_cast<int> (file.getSize() / 4));
        EXPECT_EQ (buffer.getSample (0, 0), 1.0f / 32768.0f);
    }
}

TEST (DecodeWav, ChannelCountsThatSignExtendAreRejectedWithoutAllocating)
{
    // The framework reads the channel field as a signed short: 0x9107 becomes ~4.29 billion.
    auto file = pcm16Wav (2, 44100, { 1, 2, 3, 4 });
    auto* d = static_cast<juce::uint8*> (file.getData());
    d[22] = 0x07; d[23] = 0x91;
    d[34] = 0x10; d[35] = 0x04; // 1040 bits per sample: the reader derives bits from the rates
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    EXPECT_FALSE (decodeWavBase64 (base64Of (file), buffer, rate));
}

TEST (DecodeBase64, AgreesWithTheFrameworkDecoder)
{
    const char* texts[] = { "", "TQ==", "TWE=", "TWFu", "TWE", "T", "=AAA", "A=AA", "AB=C", "AB==",
                            "AB==TWFu", "TW Fu", "TWFu\n", "TW-u", "TW_u", "////", "++++", "AAAAAAAA",
                            "TWFuTWFuTWFuTWFuTWFuTWFu", "TWFu=", "TWFuTQ", "\xc1\x81" "QUE=", "\xc3\xa9" "AAA" };
    for (const auto* t : texts)
    {
        const auto text = juce::String::fromUTF8 (t);
        juce::MemoryBlock fast;
        juce::MemoryOutputStream reference;
        const auto fastOk = tindle::decodeBase64 (text, fast);
        ASSERT_EQ (fastOk, juce::Base64::convertFromBase64 (reference, text)) << t;
        if (fastOk)
            EXPECT_TRUE (fast == reference.getMemoryBlock()) << t;
    }
}

TEST (DecodeBase64, RoundTripsEveryByteValue)
{
    juce::MemoryBlock all (256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char> (i);
    for (size_t length = 0; length <= 256; length += 1)
    {
        juce::MemoryBlock decoded;
        ASSERT_TRUE (tindle::decodeBase64 (juce::Base64::toBase64 (all.getData(), length), decoded));
        ASSERT_EQ (decoded.getSize(), length);
        EXPECT_EQ (std::memcmp (decoded.getData(), all.getData(), length), 0);
    }
}

TEST (DecodeBase64, AgreesWithTheFrameworkOnMalformedUtf8)
{
    // Inputs the fuzzer found: invalid UTF-8 inside or after otherwise valid groups.
    const std::vector<std::string> inputs { std::string ("Uknf\x80", 5),
                                            std::string ("\xe0iGRioAA-ABXQBAA\xab\xb8" "F0YQYAAAAJUpvlLk", 35),
                                            std::string ("QUFB\xc3", 5), std::string ("\xf0\x90\x80\x80QUFB", 8) };
    for (const auto& raw : inputs)
    {
        const auto text = juce::String::fromUTF8 (raw.data(), static_cast<int> (raw.size()));
        juce::MemoryBlock fast;
        juce::MemoryOutputStream reference;
        const auto fastOk = tindle::decodeBase64 (text, fast);
        std::string stored;
        for (auto* p = text.toRawUTF8(); *p != 0; ++p)
            stored += juce::String::toHexString (static_cast<unsigned char> (*p)).toStdString() + " ";
        ASSERT_EQ (fastOk, juce::Base64::convertFromBase64 (reference, text)) << stored << " length " << text.length();
        if (fastOk)
            EXPECT_TRUE (fast == reference.getMemoryBlock()) << stored;
    }
}

TEST (DecodeWav, FramesWiderThanTheReadersScratchBufferFailInsteadOfHanging)
{
    // Found by fuzzing: bits per sample above 64 make the framework take the frame size from
    // "bytes per second / rate" (here 536,870,912 bytes), and its reader would loop forever.
    auto file = pcm16Wav (2, 44100, { 1, 2, 3, 4, 5, 6, 7, 8 });
    auto* d = static_cast<juce::uint8*> (file.getData());
    d[24] = 1; d[25] = 0; d[26] = 0; d[27] = 0;             // rate 1
    d[28] = 0; d[29] = 0; d[30] = 0; d[31] = 0x20;          // bytes per second 2^29
    d[34] = 160; d[35] = 0;                                 // 160 bits per sample
    d[40] = 0x49; d[41] = 0x49; d[42] = 0x49; d[43] = 0x55; // a huge data chunk
    juce::AudioBuffer<float> buffer;
    double rate = 0;
    const auto start = juce::Time::getMillisecondCounterHiRes();
    EXPECT_FALSE (decodeWavBase64 (base64Of (file), buffer, rate));
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 1000.0);
}
