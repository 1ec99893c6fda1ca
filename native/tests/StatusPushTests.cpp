// The status record, the peak strip reduction and the capture-end rule.
#include "StatusPush.h"

#include <gtest/gtest.h>

namespace
{
    std::vector<float> strip (const std::vector<float>& entries, juce::uint64 writePos)
    {
        return reducePeakStrip (entries.size(), writePos, [&] (size_t i) { return entries.at (i); });
    }

    std::vector<float> indexPeaks (size_t n)
    {
        std::vector<float> entries (n);
        for (size_t i = 0; i < n; ++i)
            entries[i] = (float) i;
        return entries;
    }
}

TEST (PeakStrip, StartOfACaptureIsOneZero)
{
    EXPECT_EQ (strip (std::vector<float> (2585, 0.0f), 0), std::vector<float> { 0.0f });
    EXPECT_EQ (strip ({}, 5000), std::vector<float> {});
}

TEST (PeakStrip, HundredBlocksGiveOneValuePerBlock)
{
    const auto entries = indexPeaks (2585);
    const auto values = strip (entries, 99 * 1024 + 10); // 100 blocks touched
    ASSERT_EQ (values.size(), 100u);

    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ (values[i], (float) i);
}

TEST (PeakStrip, ThousandBlocksGive160SpansOfSixOrSeven)
{
    auto entries = indexPeaks (2585);
    const auto values = strip (entries, 999 * 1024); // blocks = 1000
    ASSERT_EQ (values.size(), 160u);

    // Spans 0-5, 6-11, 12-17, 18-24, …: each value is the last (largest) index of its span.
    EXPECT_EQ (values[0], 5.0f);
    EXPECT_EQ (values[1], 11.0f);
    EXPECT_EQ (values[2], 17.0f);
    EXPECT_EQ (values[3], 24.0f);
    EXPECT_EQ (values[159], 999.0f);

    // A peak anywhere in a span shows in that span's value only.
    std::vector<float> spike (2585, 0.0f);
    spike[20] = 1.5f;
    const auto withSpike = strip (spike, 999 * 1024);
    EXPECT_EQ (withSpike[3], 1.5f);
    EXPECT_EQ (withSpike[2], 0.0f);
    EXPECT_EQ (withSpike[4], 0.0f);
}

TEST (PeakStrip, BlocksNeverExceedTheStoreAndNegativeEntriesReadAsZero)
{
    const auto values = strip ({ -1.0f, 0.5f, 0.25f }, 1'000'000);
    EXPECT_EQ (values, (std::vector<float> { 0.0f, 0.5f, 0.25f }));
}

TEST (StatusRecord, PropertiesInOrderAndPeaksOnlyWhileCapturing)
{
    StatusReading reading { true, 1.5, 120.0, 3, true, 7 };
    EXPECT_EQ (juce::JSON::toString (makeStatusRecord (reading, { 0.5f, 1.25f }), true),
               R"({"capturing": true, "seconds": 1.5, "hostBpm": 120.0, "captureId": 3, "previewPlaying": true, "previewEnded": 7, "peaks": [0.5, 1.25]})");

    reading.capturing = false;
    EXPECT_EQ (juce::JSON::toString (makeStatusRecord (reading, { 0.5f }), true),
               R"({"capturing": false, "seconds": 1.5, "hostBpm": 120.0, "captureId": 3, "previewPlaying": true, "previewEnded": 7})");
}

TEST (StatusRecord, CaptureEndIsCountedOnceAndOnlyWithFrames)
{
    struct Case { bool was, now; juce::uint64 pos; double rate; bool ended; };
    const Case cases[] = {
        { true, false, 44100, 44100.0, true },  // stopped with audio
        { true, false, 0, 44100.0, false },     // stopped before any frame
        { true, false, 44100, 0.0, false },     // never prepared
        { false, false, 44100, 44100.0, false },// already counted
        { true, true, 44100, 44100.0, false },  // still running
        { false, true, 0, 44100.0, false },     // just started
    };

    for (auto& c : cases)
        EXPECT_EQ (captureHasJustEnded (c.was, c.now, c.pos, c.rate), c.ended) << c.was << c.now << c.pos << c.rate;

    EXPECT_EQ (captureSeconds (48000, 48000.0), 1.0);
    EXPECT_EQ (captureSeconds (48000, 0.0), 0.0);
}

TEST (StatusRecord, DirectOutputOpensAfter400QuietMilliseconds)
{
    EXPECT_FALSE (hostHasGoneQuiet (1000.0, 700.0));
    EXPECT_FALSE (hostHasGoneQuiet (1000.0, 600.0));
    EXPECT_TRUE (hostHasGoneQuiet (1000.5, 600.0));
}
