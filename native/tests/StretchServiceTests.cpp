// The stretch service: exact output lengths and channel counts, the 32-bit float WAV, pitch kept,
// attacks kept sharp, the answer posted through the guard, and the time a 16 s loop takes.
#include "StretchService.h"
#include "WavCodec.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <gtest/gtest.h>

namespace
{
    juce::AudioBuffer<float> sine (int channels, int frames, double rate, double hz)
    {
        juce::AudioBuffer<float> b (channels, frames);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < frames; ++i)
                b.setSample (c, i, 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * hz * i / rate));
        return b;
    }

    /** Frequency from the mean spacing of rising zero crossings in the middle half. */
    double zeroCrossingHz (const juce::AudioBuffer<float>& b, double rate)
    {
        const auto* x = b.getReadPointer (0);
        const auto n = b.getNumSamples();
        int first = -1, last = -1, count = 0;

        for (int i = n / 4; i < 3 * n / 4; ++i)
            if (x[i - 1] < 0.0f && x[i] >= 0.0f)
            {
                if (first < 0) first = i;
                last = i;
                ++count;
            }

        return count > 1 ? rate * (count - 1) / (double) (last - first) : 0.0;
    }
}

TEST (Stretch, LengthsAndChannels)
{
    struct Case { int channels, frames; double ratio; int outChannels, outFrames; };
    const Case cases[] = {
        { 2, 88200, 2.0, 2, 44100 },
        { 2, 88200, 0.5, 2, 176400 },
        { 1, 44100, 1.25, 1, 35280 },
        { 4, 22050, 1.0, 2, 22050 },
        { 1, 1, 3.0, 1, 1 },
        { 1, 3, 2.0, 1, 2 },  // 1.5 rounds away from zero
        { 2, 1000, 0.7, 2, 1429 },
    };

    for (auto& c : cases)
    {
        const auto out = stretchAudio (sine (c.channels, c.frames, 44100.0, 220.0), 44100.0, c.ratio);
        EXPECT_EQ (out.getNumChannels(), c.outChannels) << c.frames << " / " << c.ratio;
        EXPECT_EQ (out.getNumSamples(), c.outFrames) << c.frames << " / " << c.ratio;
        EXPECT_EQ (stretchedLength (c.frames, c.ratio), c.outFrames);
    }
}

TEST (Stretch, ResultIsAFloatWavOfTheRightShape)
{
    const auto out = stretchAudio (sine (2, 88200, 44100.0, 440.0), 44100.0, 2.0);
    const auto base64 = encodeFloatWavBase64 (out, 44100.0);
    ASSERT_TRUE (base64.isNotEmpty());

    juce::MemoryOutputStream bytes;
    ASSERT_TRUE (juce::Base64::convertFromBase64 (bytes, base64));
    const auto* data = static_cast<const char*> (bytes.getData());
    EXPECT_EQ (juce::String (data, 4), "RIFF");
    EXPECT_EQ (juce::String (data + 12, 4), "JUNK"); // the framework's writer pads before "fmt "

    juce::AudioBuffer<float> decoded;
    double rate = 0.0;
    ASSERT_TRUE (tindle::decodeWavBase64 (base64, decoded, rate));
    EXPECT_EQ (rate, 44100.0);
    EXPECT_EQ (decoded.getNumChannels(), 2);
    EXPECT_EQ (decoded.getNumSamples(), 44100);

    auto reader = std::unique_ptr<juce::AudioFormatReader> (juce::WavAudioFormat().createReaderFor (new juce::MemoryInputStream (bytes.getMemoryBlock(), true), true));
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->bitsPerSample, 32u);
    EXPECT_TRUE (reader->usesFloatingPointData);
}

TEST (Stretch, TheLibraryFillsTheWholeLengthWithoutPadding)
{
    for (auto ratio : { 0.5, 0.8, 1.25, 2.0 })
    {
        const auto out = stretchAudio (sine (2, 44100 * 3, 44100.0, 330.0), 44100.0, ratio);
        const auto n = out.getNumSamples();
        EXPECT_GT (out.getMagnitude (0, n - 512, 512), 0.25f) << "ratio " << ratio; // not padded silence
        EXPECT_GT (out.getMagnitude (1, 0, 512), 0.25f) << "ratio " << ratio;
    }
}

TEST (Stretch, ASineKeepsItsPitch)
{
    for (auto ratio : { 0.8, 1.25, 1.5 })
    {
        const auto in = sine (1, 44100 * 2, 44100.0, 440.0);
        const auto out = stretchAudio (in, 44100.0, ratio);
        EXPECT_NEAR (zeroCrossingHz (out, 44100.0), 440.0, 2.0) << "ratio " << ratio;
    }
}

TEST (Stretch, AClickTrackKeepsSharpAttacksOnTheStretchedGrid)
{
    // Clicks every 0.5 s: a 2 ms burst of noise at full level.
    const double rate = 44100.0;
    const int frames = (int) rate * 4;
    juce::AudioBuffer<float> in (1, frames);
    in.clear();
    juce::Random random (7);

    for (int click = 0; click < 8; ++click)
        for (int i = 0; i < 88; ++i)
            in.setSample (0, click * 22050 + i, random.nextFloat() * 2.0f - 1.0f);

    const double ratio = 1.25;
    const auto out = stretchAudio (in, rate, ratio);

    for (int click = 1; click < 7; ++click)
    {
        const auto expected = (int) std::round (click * 22050 / ratio);
        // The attack: the envelope rises from under 10 % to its peak within 5 ms of the grid point.
        const auto window = (int) (0.005 * rate);
        const auto peak = out.getMagnitude (0, expected - window, 2 * window);
        const auto before = out.getMagnitude (0, expected - 4 * window, 2 * window);
        EXPECT_GT (peak, 0.5f) << "click " << click;
        EXPECT_LT (before, 0.1f * peak) << "click " << click;
    }
}

TEST (Stretch, AnswerIsPostedOnlyToALiveEditor)
{
    juce::ScopedJuceInitialiser_GUI gui;
    auto editor = std::make_unique<juce::Component>();
    std::atomic<int> answers { 0 };
    juce::String gotId, gotBase64;

    auto makeJob = [&] (const juce::String& id)
    {
        StretchJob job;
        job.editorGuard = editor.get();
        job.reqId = id;
        job.input = std::make_shared<juce::AudioBuffer<float>> (sine (2, 4410, 44100.0, 220.0));
        job.sampleRate = 44100.0;
        job.ratio = 2.0;
        job.answer = [&] (juce::Component&, const juce::String& reqId, const juce::String& base64)
        {
            gotId = reqId;
            gotBase64 = base64;
            ++answers;
        };
        return job;
    };

    launchStretchJob (makeJob ("live"));

    for (int i = 0; i < 200 && answers == 0; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    EXPECT_EQ (answers.load(), 1);
    EXPECT_EQ (gotId, "live");
    EXPECT_TRUE (gotBase64.isNotEmpty());

    launchStretchJob (makeJob ("gone"));
    editor.reset();

    for (int i = 0; i < 50; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    EXPECT_EQ (answers.load(), 1);
}

TEST (Stretch, SixteenSecondStereoLoopTime)
{
    const auto in = sine (2, 44100 * 16, 44100.0, 220.0);
    const auto start = juce::Time::getMillisecondCounterHiRes();
    const auto out = stretchAudio (in, 44100.0, 1.25);
    const auto base64 = encodeFloatWavBase64 (out, 44100.0);
    const auto ms = juce::Time::getMillisecondCounterHiRes() - start;
    EXPECT_EQ (out.getNumSamples(), 564480);
    std::cout << "[ figure ] stretch 16 s stereo at 1.25 + encode: " << ms << " ms" << std::endl;
}
