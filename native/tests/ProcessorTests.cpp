// Processor core and capture: buses, layouts, prepareToPlay, the capture store and
// its peaks, host tempo, standalone silencing, lastBlockMs.
#include "TestSupport.h"

#include <cmath>

using namespace tindle::test;
using juce::AudioChannelSet;

TEST (ProcessorCore, FixedAnswers)
{
    auto p = makeStandalone();
    EXPECT_EQ (p->getName(), "Tindle");
    EXPECT_EQ (p->getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (p->acceptsMidi());
    EXPECT_FALSE (p->producesMidi());
    EXPECT_TRUE (p->hasEditor());
    EXPECT_EQ (p->getNumPrograms(), 1);
    EXPECT_EQ (p->getCurrentProgram(), 0);
    EXPECT_TRUE (p->getProgramName (0).isEmpty());
    EXPECT_TRUE (p->isStandalone());
    EXPECT_FALSE (makeHosted()->isStandalone());
}

TEST (ProcessorCore, InitialReadings)
{
    auto p = makeStandalone();
    EXPECT_TRUE (p->captureBuffer.empty());
    EXPECT_TRUE (p->capturePeaks.empty());
    EXPECT_EQ (p->captureWritePos.load(), 0u);
    EXPECT_FALSE (p->capturing.load());
    EXPECT_EQ (p->captureSampleRate, 44100.0);
    EXPECT_EQ (p->captureChannels, 2);
    EXPECT_EQ (p->hostBpm.load(), 0.0);
    EXPECT_EQ (p->lastBlockMs.load(), 0.0);
    EXPECT_EQ (p->previewMode.load(), 0);
    EXPECT_EQ (p->previewEndCount.load(), 0);
    EXPECT_EQ (p->directDevice, nullptr);
    EXPECT_EQ (p->hostSampleRate, 44100.0);
}

TEST (ProcessorCore, StereoBusesNamedInputAndOutput)
{
    auto p = makeStandalone();
    ASSERT_EQ (p->getBusCount (true), 1);
    ASSERT_EQ (p->getBusCount (false), 1);
    EXPECT_EQ (p->getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (p->getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (p->getBus (true, 0)->getCurrentLayout(), AudioChannelSet::stereo());
    EXPECT_EQ (p->getBus (false, 0)->getCurrentLayout(), AudioChannelSet::stereo());
    EXPECT_TRUE (p->getBus (true, 0)->isEnabled());
    EXPECT_TRUE (p->getBus (false, 0)->isEnabled());
}

struct LayoutCase
{
    const char* name;
    std::optional<AudioChannelSet> input; // nullopt: no input bus
    AudioChannelSet output;
    bool accepted;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P (LayoutTest, AcceptsOnlyEqualMonoOrStereo)
{
    const auto& c = GetParam();
    juce::AudioProcessor::BusesLayout layout;
    if (c.input.has_value())
        layout.inputBuses.add (*c.input);
    layout.outputBuses.add (c.output);
    EXPECT_EQ (makeStandalone()->checkBusesLayoutSupported (layout), c.accepted) << c.name;
}

INSTANTIATE_TEST_SUITE_P (Layouts, LayoutTest, ::testing::Values (
    LayoutCase { "monoInMonoOut", AudioChannelSet::mono(), AudioChannelSet::mono(), true },
    LayoutCase { "stereoInStereoOut", AudioChannelSet::stereo(), AudioChannelSet::stereo(), true },
    LayoutCase { "stereoInMonoOut", AudioChannelSet::stereo(), AudioChannelSet::mono(), false },
    LayoutCase { "monoInStereoOut", AudioChannelSet::mono(), AudioChannelSet::stereo(), false },
    LayoutCase { "noInputStereoOut", std::nullopt, AudioChannelSet::stereo(), false },
    LayoutCase { "disabledInputStereoOut", AudioChannelSet::disabled(), AudioChannelSet::stereo(), false },
    LayoutCase { "surroundBoth", AudioChannelSet::create5point1(), AudioChannelSet::create5point1(), false },
    LayoutCase { "quadBoth", AudioChannelSet::quadraphonic(), AudioChannelSet::quadraphonic(), false }),
    [] (const auto& info) { return std::string (info.param.name); });

struct CapacityCase
{
    double sampleRate;
    size_t capacity;
    size_t peaks;
};

class CapacityTest : public ::testing::TestWithParam<CapacityCase> {};

TEST_P (CapacityTest, SixtySecondsAndPeaksPer1024)
{
    const auto& c = GetParam();
    auto p = makeStandalone();
    p->prepareToPlay (c.sampleRate, 512);
    EXPECT_EQ (p->hostSampleRate, c.sampleRate);
    EXPECT_EQ (p->captureSampleRate, c.sampleRate);
    ASSERT_EQ (p->captureBuffer.size(), 2u);
    EXPECT_EQ (p->captureBuffer[0].size(), c.capacity);
    EXPECT_EQ (p->captureBuffer[1].size(), c.capacity);
    EXPECT_EQ (p->capturePeaks.size(), c.peaks);
    EXPECT_FALSE (p->capturing.load());
    EXPECT_EQ (p->captureWritePos.load(), 0u);
}

INSTANTIATE_TEST_SUITE_P (Rates, CapacityTest, ::testing::Values (
    CapacityCase { 44100.0, 2646000, 2585 },
    CapacityCase { 48000.0, 2880000, 2814 },
    CapacityCase { 96000.0, 5760000, 5627 },
    CapacityCase { 22050.5, 1323030, 1294 },
    CapacityCase { 0.01, 0, 2 },
    CapacityCase { 0.0, 0, 2 }));

TEST (Capture, MonoLayoutGivesOneCaptureChannel)
{
    auto p = makeStandalone();
    juce::AudioProcessor::BusesLayout mono;
    mono.inputBuses.add (AudioChannelSet::mono());
    mono.outputBuses.add (AudioChannelSet::mono());
    ASSERT_TRUE (p->setBusesLayout (mono));
    p->prepareToPlay (44100.0, 512);
    EXPECT_EQ (p->captureChannels, 1);
    EXPECT_EQ (p->captureBuffer.size(), 1u);
}

TEST (Capture, CopiesBlocksAndPublishesPosition)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();
    EXPECT_TRUE (p->capturing.load());

    for (int blockIndex = 0; blockIndex < 3; ++blockIndex)
    {
        auto block = makeBuffer (2, 512, [&] (int c, int i) { return (c == 0 ? 1.0f : -1.0f) * static_cast<float> (blockIndex * 512 + i) / 4096.0f; });
        runBlock (*p, block);
    }

    EXPECT_EQ (p->captureWritePos.load(), 1536u);
    EXPECT_TRUE (p->capturing.load());
    for (size_t i = 0; i < 1536; ++i)
    {
        ASSERT_EQ (p->captureBuffer[0][i], static_cast<float> (i) / 4096.0f) << i;
        ASSERT_EQ (p->captureBuffer[1][i], -static_cast<float> (i) / 4096.0f) << i;
    }
    EXPECT_EQ (p->captureBuffer[0][1536], 0.0f);
}

TEST (Capture, PeaksTrackLargestMagnitudePer1024OnAnyChannel)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();

    // Samples 0..2047 over four blocks; a spike at 700 on the right channel (negative) and at
    // 1500 on the left, 2047 stays in entry 1.
    for (int blockIndex = 0; blockIndex < 4; ++blockIndex)
    {
        auto block = makeBuffer (2, 512, [&] (int c, int i)
        {
            const auto s = blockIndex * 512 + i;
            if (c == 1 && s == 700) return -0.75f;
            if (c == 0 && s == 1500) return 0.5f;
            return 0.01f;
        });
        runBlock (*p, block);
    }

    EXPECT_EQ (p->capturePeaks[0].load(), 0.75f);
    EXPECT_EQ (p->capturePeaks[1].load(), 0.5f);
    EXPECT_EQ (p->capturePeaks[2].load(), 0.0f);
}

TEST (Capture, BlockArrivingWith100FramesOfSpaceCopies100AndStops)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();
    const auto capacity = p->captureBuffer[0].size();
    ASSERT_EQ (capacity, 2646000u);
    p->captureWritePos.store (capacity - 100);

    auto block = constantBuffer (2, 512, 0.25f);
    runBlock (*p, block);

    EXPECT_EQ (p->captureWritePos.load(), capacity);
    EXPECT_FALSE (p->capturing.load());
    EXPECT_EQ (p->captureBuffer[0][capacity - 100], 0.25f);
    EXPECT_EQ (p->captureBuffer[1][capacity - 1], 0.25f);
    EXPECT_EQ (p->captureBuffer[0][capacity - 101], 0.0f);
    // The last peak entries: (capacity - 1) / 1024 = 2583 holds the level; the spare stays 0.
    EXPECT_EQ (p->capturePeaks[2583].load(), 0.25f);
    EXPECT_EQ (p->capturePeaks[2584].load(), 0.0f);
}

TEST (Capture, LeftRunningStopsByItselfAtSixtySeconds)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();
    auto block = constantBuffer (2, 512, 0.1f);
    int blocks = 0;
    while (p->capturing.load() && blocks < 10000)
    {
        runBlock (*p, block);
        ++blocks;
    }
    EXPECT_EQ (p->captureWritePos.load(), 2646000u);
    EXPECT_EQ (blocks, 5168); // ceil (2646000 / 512)
    runBlock (*p, block);
    EXPECT_EQ (p->captureWritePos.load(), 2646000u);
}

TEST (Capture, StartTwiceRestartsAtZeroWithClearedPeaks)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();
    for (int i = 0; i < 2; ++i)
    {
        auto loud = constantBuffer (2, 512, 0.9f); // fresh: the standalone clears each block
        runBlock (*p, loud);
    }
    ASSERT_EQ (p->capturePeaks[0].load(), 0.9f);

    p->startCapture();
    EXPECT_EQ (p->captureWritePos.load(), 0u);
    EXPECT_TRUE (p->capturing.load());
    for (auto& peak : p->capturePeaks)
        ASSERT_EQ (peak.load(), 0.0f);
    // The old samples are not cleared; the new capture overwrites them from the start.
    EXPECT_EQ (p->captureBuffer[0][0], 0.9f);

    p->startCapture();
    auto quiet = constantBuffer (2, 512, 0.2f);
    runBlock (*p, quiet);
    EXPECT_EQ (p->captureWritePos.load(), 512u);
    EXPECT_EQ (p->captureBuffer[0][0], 0.2f);
    EXPECT_EQ (p->captureBuffer[0][600], 0.9f);
    EXPECT_EQ (p->capturePeaks[0].load(), 0.2f);
}

TEST (Capture, StopKeepsAudioAndDuration)
{
    auto p = makeStandalone();
    p->prepareToPlay (48000.0, 480);
    p->startCapture();
    for (int i = 0; i < 100; ++i)
    {
        auto block = constantBuffer (2, 480, 0.3f); // fresh: the standalone clears each block
        runBlock (*p, block);
    }
    p->stopCapture();
    EXPECT_FALSE (p->capturing.load());
    auto late = constantBuffer (2, 480, 0.7f);
    runBlock (*p, late);
    EXPECT_EQ (p->captureWritePos.load(), 48000u);
    EXPECT_DOUBLE_EQ (static_cast<double> (p->captureWritePos.load()) / p->captureSampleRate, 1.0);
    EXPECT_EQ (p->captureBuffer[1][47999], 0.3f);
    EXPECT_EQ (p->captureBuffer[1][48000], 0.0f);
}

TEST (Capture, PrepareDuringCaptureEndsItAndEmptiesTheStore)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();
    auto block = constantBuffer (2, 512, 0.5f);
    runBlock (*p, block);
    p->prepareToPlay (44100.0, 512);
    EXPECT_FALSE (p->capturing.load());
    EXPECT_EQ (p->captureWritePos.load(), 0u);
    EXPECT_EQ (p->captureBuffer[0][0], 0.0f);
    EXPECT_EQ (p->capturePeaks[0].load(), 0.0f);
}

TEST (Capture, ZeroCapacityClearsCapturingOnFirstBlock)
{
    auto p = makeStandalone();
    p->prepareToPlay (0.0, 512);
    p->startCapture();
    auto block = constantBuffer (2, 512, 0.5f);
    runBlock (*p, block);
    EXPECT_FALSE (p->capturing.load());
    EXPECT_EQ (p->captureWritePos.load(), 0u);
}

TEST (Capture, ExtraBlockChannelsIgnoredMissingOnesKeepTheirContent)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->startCapture();
    auto stereo = constantBuffer (2, 512, 0.4f);
    runBlock (*p, stereo);

    p->startCapture();
    auto mono = constantBuffer (1, 512, 0.1f);
    runBlock (*p, mono);
    EXPECT_EQ (p->captureWritePos.load(), 512u);
    EXPECT_EQ (p->captureBuffer[0][5], 0.1f);
    EXPECT_EQ (p->captureBuffer[1][5], 0.4f); // older audio stays

    auto wide = constantBuffer (4, 512, 0.2f);
    runBlock (*p, wide);
    EXPECT_EQ (p->captureWritePos.load(), 1024u);
    EXPECT_EQ (p->captureBuffer[1][600], 0.2f);

    auto none = juce::AudioBuffer<float> (0, 512);
    runBlock (*p, none); // no channels: the position still advances
    EXPECT_EQ (p->captureWritePos.load(), 1536u);
}

TEST (Capture, NothingHappensWithoutPrepareOrWhenIdle)
{
    auto p = makeStandalone();
    p->startCapture(); // no store yet
    auto block = constantBuffer (2, 512, 0.5f);
    runBlock (*p, block);
    EXPECT_EQ (p->captureWritePos.load(), 0u);

    p->prepareToPlay (44100.0, 512);
    runBlock (*p, block); // idle
    EXPECT_EQ (p->captureWritePos.load(), 0u);
    EXPECT_EQ (p->captureBuffer[0][0], 0.0f);
}

TEST (PassThrough, StandaloneSilencesInputHostPassesIt)
{
    for (const auto standalone : { true, false })
    {
        auto p = standalone ? makeStandalone() : makeHosted();
        p->prepareToPlay (44100.0, 64);
        auto block = constantBuffer (2, 64, 0.5f);
        runBlock (*p, block);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ (block.getSample (c, i), standalone ? 0.0f : 0.5f) << "standalone=" << standalone;
    }
}

TEST (PassThrough, AuditionIsAddedOnTopAndNeverCaptured)
{
    for (const auto standalone : { true, false })
    {
        auto p = standalone ? makeStandalone() : makeHosted();
        p->prepareToPlay (44100.0, 64);
        p->setPreviewMain (constantBuffer (1, 1000, 0.25f), 44100.0, 0.0);
        p->playPreviewMain (0.0);
        p->startCapture();

        auto block = constantBuffer (2, 64, 0.5f);
        runBlock (*p, block);
        const auto expected = standalone ? 0.25f : 0.75f;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ (block.getSample (c, i), expected);
        EXPECT_EQ (p->captureBuffer[0][10], 0.5f); // the input, not the audition
        EXPECT_EQ (p->capturePeaks[0].load(), 0.5f);
    }
}

TEST (HostTempo, TableOfPlayHeads)
{
    auto p = makeHosted();
    p->prepareToPlay (44100.0, 32);
    auto block = constantBuffer (2, 32, 0.0f);

    runBlock (*p, block); // no play head
    EXPECT_EQ (p->hostBpm.load(), 0.0);

    ScriptedPlayHead head;
    p->setPlayHead (&head);

    head.hasPosition = true; // position without a tempo
    runBlock (*p, block);
    EXPECT_EQ (p->hostBpm.load(), 0.0);

    head.bpm = 123.5;
    runBlock (*p, block);
    EXPECT_EQ (p->hostBpm.load(), 123.5);

    for (const auto broken : { std::nan (""), HUGE_VAL }) // not a tempo: keeps the last one
    {
        head.bpm = broken;
        runBlock (*p, block);
        EXPECT_EQ (p->hostBpm.load(), 123.5);
    }

    head.bpm.reset(); // tempo no longer reported: keeps the last one
    runBlock (*p, block);
    EXPECT_EQ (p->hostBpm.load(), 123.5);

    head.hasPosition = false; // no position at all
    runBlock (*p, block);
    EXPECT_EQ (p->hostBpm.load(), 123.5);

    p->setPlayHead (nullptr);
    runBlock (*p, block);
    EXPECT_EQ (p->hostBpm.load(), 123.5);
}

TEST (Timing, LastBlockMsIsStampedEveryBlock)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 32);
    auto block = constantBuffer (2, 32, 0.0f);
    const auto before = juce::Time::getMillisecondCounterHiRes();
    runBlock (*p, block);
    const auto after = juce::Time::getMillisecondCounterHiRes();
    EXPECT_GE (p->lastBlockMs.load(), before);
    EXPECT_LE (p->lastBlockMs.load(), after);
}

TEST (Timing, DenormalsFlushedDuringBlockOnly)
{
    // The play head is asked from inside processBlock, so it sees the block's floating-point mode.
    struct ModeProbe final : juce::AudioPlayHead
    {
        mutable std::optional<bool> disabledInBlock;
        juce::Optional<PositionInfo> getPosition() const override
        {
            disabledInBlock = juce::FloatVectorOperations::areDenormalsDisabled();
            return {};
        }
    };

    juce::FloatVectorOperations::disableDenormalisedNumberSupport (false);
    ASSERT_FALSE (juce::FloatVectorOperations::areDenormalsDisabled());

    ModeProbe probe;
    auto p = makeStandalone();
    p->setPlayHead (&probe);
    p->prepareToPlay (44100.0, 32);
    auto block = constantBuffer (2, 32, 0.0f);
    runBlock (*p, block);
    ASSERT_TRUE (probe.disabledInBlock.has_value());
    EXPECT_TRUE (*probe.disabledInBlock);
    EXPECT_FALSE (juce::FloatVectorOperations::areDenormalsDisabled());
}
