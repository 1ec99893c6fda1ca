// Audition voices and direct output: renderPreview's resampling, looping, one-shot
// ends, offsets, buffer replacement, busy lock and the DirectOut callback.
#include "TestSupport.h"

#include <cmath>
#include <thread>

using namespace tindle::test;

namespace
{
/** Renders one block of `samples` frames with `channels` outputs (silent input). */
juce::AudioBuffer<float> render (TindleProcessor& p, int channels, int samples, double rate)
{
    juce::AudioBuffer<float> out (channels, samples);
    out.clear();
    p.renderPreview (out, rate);
    return out;
}
} // namespace

TEST (Preview, MonoOneShotAt44100IntoStereo48000)
{
    auto p = makeStandalone();
    p->setPreviewShot (rampBuffer (1, 44100), 44100.0);
    p->playPreviewShot (0.0);

    const auto out = render (*p, 2, 480, 48000.0);
    const auto step = 44100.0 / 48000.0;
    auto pos = 0.0;
    for (int i = 0; i < 480; ++i, pos += step)
    {
        const auto k = static_cast<int> (pos);
        const auto frac = static_cast<float> (pos - k);
        const auto expected = static_cast<float> (k) + (static_cast<float> (k + 1) - static_cast<float> (k)) * frac;
        ASSERT_EQ (out.getSample (0, i), expected) << i;
        ASSERT_EQ (out.getSample (1, i), expected) << i; // the mono voice feeds both channels
    }
    EXPECT_NEAR (p->previewPosSec.load(), 480 * step / 44100.0, 1e-12); // advanced 480 steps
    EXPECT_NEAR (step, 0.91875, 1e-15);
    EXPECT_EQ (p->previewMode.load(), 2);
}

TEST (Preview, StereoVoiceKeepsChannelsAndExtraOutputsTakeTheLastSource)
{
    auto p = makeStandalone();
    p->setPreviewMain (makeBuffer (2, 100, [] (int c, int) { return c == 0 ? 0.1f : 0.2f; }), 44100.0, 0.0);
    p->playPreviewMain (0.0);
    const auto out = render (*p, 3, 16, 44100.0);
    EXPECT_EQ (out.getSample (0, 5), 0.1f);
    EXPECT_EQ (out.getSample (1, 5), 0.2f);
    EXPECT_EQ (out.getSample (2, 5), 0.2f);
}

TEST (Preview, LoopEndTwoSecondsWrapsAt88200SourceSamples)
{
    auto p = makeStandalone();
    p->setPreviewMain (rampBuffer (1, 44100 * 3), 44100.0, 2.0); // longer than the loop
    p->playPreviewMain (0.0);

    const auto out = render (*p, 1, 88210, 44100.0);
    EXPECT_EQ (out.getSample (0, 88198), 88198.0f);
    // pos 88199 is >= last (88199): it wraps modulo 88200 (staying put) and sounds sample 88199.
    EXPECT_EQ (out.getSample (0, 88199), 88199.0f);
    EXPECT_EQ (out.getSample (0, 88200), 0.0f); // back to the loop start, not sample 88200
    EXPECT_EQ (out.getSample (0, 88209), 9.0f);
    EXPECT_DOUBLE_EQ (p->previewPosSec.load(), 10.0 / 44100.0);
}

TEST (Preview, LoopEndZeroLoopsOverTheWholeBuffer)
{
    // 1024 Hz keeps every position exact in binary.
    auto p = makeStandalone();
    p->setPreviewMain (rampBuffer (1, 1000), 1024.0, 0.0);
    p->playPreviewMain (995.0 / 1024.0);
    const auto out = render (*p, 1, 10, 1024.0);
    EXPECT_EQ (out.getSample (0, 0), 995.0f);
    EXPECT_EQ (out.getSample (0, 4), 999.0f); // k = 999 = last: k2 clamps to n - 1
    EXPECT_EQ (out.getSample (0, 5), 0.0f);
    EXPECT_EQ (out.getSample (0, 9), 4.0f);
}

TEST (Preview, LoopEndBeyondTheBufferIsTheBuffer)
{
    auto p = makeStandalone();
    p->setPreviewMain (rampBuffer (1, 128), 128.0, 50.0);
    p->playPreviewMain (127.0 / 128.0);
    const auto out = render (*p, 1, 3, 128.0);
    EXPECT_EQ (out.getSample (0, 0), 127.0f);
    EXPECT_EQ (out.getSample (0, 1), 0.0f);
}

struct OffsetCase
{
    const char* name;
    double offsetSec;
    double expectedStartSample; // in source samples, after the render's wrap
};

class OffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P (OffsetTest, MainVoiceStartsAtClampedOrWrappedOffset)
{
    const auto& c = GetParam();
    auto p = makeStandalone();
    p->setPreviewMain (rampBuffer (1, 44100 * 3), 44100.0, 2.0); // loop of 88200 samples
    p->playPreviewMain (c.offsetSec);
    EXPECT_GE (p->previewPosSec.load(), 0.0);
    const auto out = render (*p, 1, 4, 44100.0);
    EXPECT_NEAR (out.getSample (0, 0), c.expectedStartSample, 1e-2) << c.name;
    EXPECT_NEAR (out.getSample (0, 1), c.expectedStartSample + 1.0, 1e-2) << c.name;
}

INSTANTIATE_TEST_SUITE_P (Offsets, OffsetTest, ::testing::Values (
    OffsetCase { "negative", -3.0, 0.0 },
    OffsetCase { "nan", std::nan (""), 0.0 },
    OffsetCase { "zero", 0.0, 0.0 },
    OffsetCase { "inside", 1.0, 44100.0 },
    OffsetCase { "beyondLoopEnd", 2.5, 22050.0 },
    OffsetCase { "severalLoopsBeyond", 7.0, 44100.0 },
    OffsetCase { "beyondBuffer", 3.5, 66150.0 }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (Preview, OneShotStartedPastItsEndEndsOnceWithoutSound)
{
    auto p = makeStandalone();
    p->setPreviewShot (constantBuffer (1, 100, 0.5f), 100.0);
    p->playPreviewShot (5.0);
    EXPECT_EQ (p->previewPosSec.load(), 5.0);

    auto out = render (*p, 2, 64, 100.0);
    EXPECT_EQ (out.getMagnitude (0, 64), 0.0f);
    EXPECT_EQ (p->previewEndCount.load(), 1);
    EXPECT_EQ (p->previewMode.load(), 0);

    for (int i = 0; i < 5; ++i)
        render (*p, 2, 64, 100.0);
    EXPECT_EQ (p->previewEndCount.load(), 1);
}

TEST (Preview, OneShotPlaysToItsEndThenStopsMidBlock)
{
    auto p = makeStandalone();
    p->setPreviewShot (constantBuffer (1, 10, 0.5f), 44100.0);
    p->playPreviewShot (0.0);
    const auto out = render (*p, 1, 32, 44100.0);
    for (int i = 0; i < 9; ++i)
        ASSERT_EQ (out.getSample (0, i), 0.5f) << i;
    for (int i = 9; i < 32; ++i)
        ASSERT_EQ (out.getSample (0, i), 0.0f) << i; // the rest of the block stays unchanged
    EXPECT_EQ (p->previewEndCount.load(), 1);
    EXPECT_EQ (p->previewMode.load(), 0);
    EXPECT_DOUBLE_EQ (p->previewPosSec.load(), 9.0 / 44100.0);
}

TEST (Preview, StopDuringOneShotDoesNotCountAnEnd)
{
    auto p = makeStandalone();
    p->setPreviewShot (constantBuffer (1, 1000, 0.5f), 44100.0);
    p->playPreviewShot (0.0);
    render (*p, 2, 64, 44100.0);
    p->stopPreview();
    const auto pos = p->previewPosSec.load();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ (render (*p, 2, 64, 44100.0).getMagnitude (0, 64), 0.0f);
    EXPECT_EQ (p->previewEndCount.load(), 0);
    EXPECT_EQ (p->previewMode.load(), 0);
    EXPECT_EQ (p->previewPosSec.load(), pos); // stop keeps the position
}

TEST (Preview, ReplacingMainBufferContinuesAtTheSameTime)
{
    auto p = makeStandalone();
    p->setPreviewMain (rampBuffer (1, 44100), 44100.0, 0.0);
    p->playPreviewMain (0.0);
    render (*p, 1, 441, 44100.0);
    EXPECT_DOUBLE_EQ (p->previewPosSec.load(), 0.01);

    // New audio at another rate: the voice continues at 0.01 s, i.e. sample 220.5 at 22050 Hz.
    p->setPreviewMain (makeBuffer (1, 22050, [] (int, int i) { return static_cast<float> (i) * 2.0f; }), 22050.0, 0.0);
    EXPECT_EQ (p->previewMode.load(), 1);
    const auto out = render (*p, 1, 2, 44100.0);
    EXPECT_NEAR (out.getSample (0, 0), 441.0f, 1e-3);
    EXPECT_NEAR (out.getSample (0, 1), 442.0f, 1e-3);
}

TEST (Preview, SetShotClearsItsLoopEnd)
{
    auto p = makeStandalone();
    p->setPreviewShot (constantBuffer (1, 10, 0.1f), 1000.0);
    EXPECT_EQ (p->previewShot.loopEndSec, 0.0);
    EXPECT_EQ (p->previewShot.sampleRate, 1000.0);
    p->setPreviewMain (constantBuffer (1, 10, 0.1f), 1000.0, 0.004);
    EXPECT_EQ (p->previewMain.loopEndSec, 0.004);
    EXPECT_EQ (p->previewMain.buffer.getNumSamples(), 10);
}

struct NoOpCase
{
    const char* name;
    int samples;
    double sourceRate;
    double outputRate;
};

class NoOpTest : public ::testing::TestWithParam<NoOpCase> {};

TEST_P (NoOpTest, VoiceWithoutAudioOrRateRendersNothingAndKeepsMode)
{
    const auto& c = GetParam();
    for (const auto mode : { 1, 2 })
    {
        auto p = makeStandalone();
        if (mode == 1)
        {
            p->setPreviewMain (constantBuffer (1, c.samples, 0.5f), c.sourceRate, 0.0);
            p->playPreviewMain (0.25);
        }
        else
        {
            p->setPreviewShot (constantBuffer (1, c.samples, 0.5f), c.sourceRate);
            p->playPreviewShot (0.25);
        }
        const auto out = render (*p, 2, 64, c.outputRate);
        EXPECT_EQ (out.getMagnitude (0, 64), 0.0f) << c.name;
        EXPECT_EQ (p->previewMode.load(), mode) << c.name;
        EXPECT_EQ (p->previewPosSec.load(), 0.25) << c.name;
        EXPECT_EQ (p->previewEndCount.load(), 0) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P (NoOps, NoOpTest, ::testing::Values (
    NoOpCase { "emptyBuffer", 0, 44100.0, 44100.0 },
    NoOpCase { "oneSample", 1, 44100.0, 44100.0 },
    NoOpCase { "zeroSourceRate", 100, 0.0, 44100.0 },
    NoOpCase { "negativeSourceRate", 100, -44100.0, 44100.0 },
    NoOpCase { "zeroOutputRate", 100, 44100.0, 0.0 },
    NoOpCase { "negativeOutputRate", 100, 44100.0, -1.0 },
    NoOpCase { "nanOutputRate", 100, 44100.0, std::nan ("") }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (Preview, VoiceWithSamplesButNoChannelsIsSilent)
{
    auto p = makeStandalone();
    p->setPreviewMain (juce::AudioBuffer<float> (0, 100), 44100.0, 0.0);
    p->playPreviewMain (0.0);
    EXPECT_EQ (render (*p, 2, 64, 44100.0).getMagnitude (0, 64), 0.0f);
    EXPECT_EQ (p->previewMode.load(), 1);
}

TEST (Preview, ManyOutputChannelsAllSound)
{
    auto p = makeStandalone();
    p->setPreviewMain (makeBuffer (3, 100, [] (int c, int) { return 0.25f * static_cast<float> (c + 1); }), 44100.0, 0.0);
    p->playPreviewMain (0.0);
    const auto out = render (*p, 40, 8, 44100.0); // more than one group of 16 channels
    for (int c = 0; c < 40; ++c)
        EXPECT_EQ (out.getSample (c, 7), 0.25f * static_cast<float> (std::min (c, 2) + 1)) << c;
    EXPECT_DOUBLE_EQ (p->previewPosSec.load(), 8.0 / 44100.0);
}

TEST (Preview, IdleModeTouchesNothing)
{
    auto p = makeStandalone();
    p->setPreviewMain (constantBuffer (1, 100, 0.5f), 44100.0, 0.0);
    auto out = constantBuffer (2, 16, 0.125f);
    p->renderPreview (out, 44100.0);
    EXPECT_EQ (out.getSample (1, 15), 0.125f);
}

TEST (Preview, NonFiniteSamplesAreSkipped)
{
    // Sample 2 is NaN and sample 4 infinite. The interpolation s[k] + (s[k2] - s[k]) * frac
    // touches each of them from two positions (as k2 and as k; inf - 1 times 0 is NaN), so
    // outputs 1 to 4 are skipped and the block keeps what it held there.
    auto p = makeStandalone();
    p->setPreviewMain (makeBuffer (1, 8, [] (int, int i)
    {
        if (i == 2) return std::numeric_limits<float>::quiet_NaN();
        if (i == 4) return std::numeric_limits<float>::infinity();
        return 1.0f;
    }), 44100.0, 0.0);
    p->playPreviewMain (0.0);
    auto out = constantBuffer (1, 8, 0.5f);
    p->renderPreview (out, 44100.0);
    const float expected[] = { 1.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1.5f, 1.5f, 1.5f };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (out.getSample (0, i), expected[i]) << i;
}

TEST (Preview, NoOutputChannelsStillAdvancesAndEndsOneShots)
{
    auto p = makeStandalone();
    p->setPreviewShot (constantBuffer (1, 100, 0.5f), 44100.0);
    p->playPreviewShot (0.0);
    render (*p, 0, 64, 44100.0);
    EXPECT_DOUBLE_EQ (p->previewPosSec.load(), 64.0 / 44100.0);
    render (*p, 0, 64, 44100.0);
    EXPECT_EQ (p->previewEndCount.load(), 1);
    EXPECT_EQ (p->previewMode.load(), 0);
}

TEST (Preview, BusyLockDropsTheBlockWithoutWaitingOrAdvancing)
{
    auto p = makeStandalone();
    p->setPreviewMain (constantBuffer (1, 1000, 0.5f), 44100.0, 0.0);
    p->playPreviewMain (0.0);

    std::atomic<bool> locked { false }, release { false };
    std::thread holder ([&]
    {
        const juce::ScopedLock lock (p->previewLock);
        locked = true;
        while (! release)
            std::this_thread::yield();
    });
    while (! locked)
        std::this_thread::yield();

    const auto start = juce::Time::getMillisecondCounterHiRes();
    const auto out = render (*p, 2, 64, 44100.0);
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;
    release = true;
    holder.join();

    EXPECT_EQ (out.getMagnitude (0, 64), 0.0f);
    EXPECT_EQ (p->previewPosSec.load(), 0.0);
    EXPECT_LT (elapsed, 50.0);

    EXPECT_EQ (render (*p, 2, 64, 44100.0).getSample (0, 0), 0.5f); // next block sounds again
}

TEST (Preview, PlayRequestDuringOneShotEndSurvives)
{
    // The end of a one-shot clears the mode only while it still holds 2.
    auto p = makeStandalone();
    p->setPreviewShot (constantBuffer (1, 4, 0.5f), 44100.0);
    p->setPreviewMain (constantBuffer (1, 1000, 0.25f), 44100.0, 0.0);
    p->playPreviewShot (0.0);
    render (*p, 1, 16, 44100.0);
    EXPECT_EQ (p->previewMode.load(), 0);
    p->playPreviewMain (0.0);
    EXPECT_EQ (render (*p, 1, 16, 44100.0).getSample (0, 0), 0.25f);
}

TEST (DirectOut, RendersOnlyWhileTheHostHasBeenSilentFor250Ms)
{
    auto p = makeHosted();
    p->setPreviewMain (constantBuffer (1, 10000, 0.5f), 48000.0, 0.0);
    p->playPreviewMain (0.0);
    p->directRate.store (48000.0);

    float left[64], right[64];
    float* outputs[] = { left, right };
    std::fill (std::begin (left), std::end (left), 9.0f);
    std::fill (std::begin (right), std::end (right), 9.0f);
    const juce::AudioIODeviceCallbackContext context {};

    p->lastBlockMs.store (juce::Time::getMillisecondCounterHiRes()); // host just ran
    p->directOut.audioDeviceIOCallbackWithContext (nullptr, 0, outputs, 2, 64, context);
    EXPECT_EQ (left[10], 0.0f);  // cleared, silent
    EXPECT_EQ (right[10], 0.0f);
    EXPECT_EQ (p->previewPosSec.load(), 0.0);

    p->lastBlockMs.store (juce::Time::getMillisecondCounterHiRes() - 300.0); // host stopped
    p->directOut.audioDeviceIOCallbackWithContext (nullptr, 0, outputs, 2, 64, context);
    EXPECT_EQ (left[10], 0.5f);
    EXPECT_EQ (right[10], 0.5f);
    EXPECT_DOUBLE_EQ (p->previewPosSec.load(), 64.0 / 48000.0);

    p->stopPreview(); // idle: silence even while the host is silent
    p->directOut.audioDeviceIOCallbackWithContext (nullptr, 0, outputs, 2, 64, context);
    EXPECT_EQ (left[10], 0.0f);
}

TEST (DirectOut, ReleaseWithoutDeviceIsHarmless)
{
    auto p = makeHosted();
    p->releaseDirectOutput();
    EXPECT_EQ (p->directDevice, nullptr);
    p->directOut.audioDeviceStopped();
}
