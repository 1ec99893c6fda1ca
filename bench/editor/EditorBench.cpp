// Editor benchmarks, printed as figures (they never fail on timing):
//   serving "capture.wav" for a full 60 s stereo capture at 44.1 kHz,
//   stretching a 16 s stereo loop at ratio 1.25 and encoding the answer,
//   building one status record with 160 peaks (and its JSON, as the web view sends it).
#include "CaptureWav.h"
#include "PluginProcessor.h"
#include "StatusPush.h"
#include "StretchService.h"

#include <iostream>

namespace
{
    template <typename Fn>
    double medianMs (int runs, Fn&& fn)
    {
        std::vector<double> times;

        for (int i = 0; i < runs; ++i)
        {
            const auto start = juce::Time::getMillisecondCounterHiRes();
            fn();
            times.push_back (juce::Time::getMillisecondCounterHiRes() - start);
        }

        std::sort (times.begin(), times.end());
        return times[times.size() / 2];
    }

    void print (const char* what, double ms, const char* target)
    {
        std::cout << "[ figure ] " << what << ": " << juce::String (ms, 3) << " ms (target " << target << ")" << std::endl;
    }
}

int main()
{
    juce::ScopedJuceInitialiser_GUI gui;

    {
        juce::PluginHostType::jucePlugInClientCurrentWrapperType = juce::AudioProcessor::wrapperType_Standalone;
        TindleProcessor processor;
        processor.prepareToPlay (44100.0, 512);
        processor.startCapture();

        juce::AudioBuffer<float> block (2, 512);
        juce::Random random (1);
        juce::MidiBuffer midi;

        while (processor.capturing.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 512; ++i)
                    block.setSample (c, i, random.nextFloat() - 0.5f);

            processor.processBlock (block, midi);
        }

        size_t bytes = 0;
        const auto ms = medianMs (9, [&] { bytes = captureWavResource (processor)->data.size(); });
        std::cout << "capture.wav bytes: " << bytes << std::endl;
        print ("serve capture.wav, 60 s stereo", ms, "<= 80 ms");

        processor.startCapture();
        for (int b = 0; b < 1000 * 2; ++b)
            processor.processBlock (block, midi); // about 23 s: 1000 peak blocks of 1024 frames

        StatusReading reading { true, 23.2, 120.0, 1, false, 0 };
        juce::String json;
        const auto pushMs = medianMs (101, [&]
        {
            const auto& store = processor.capturePeaks;
            const auto peaks = reducePeakStrip (store.size(), processor.captureWritePos.load(),
                                                [&store] (size_t i) { return store[i].load (std::memory_order_relaxed); });
            json = juce::JSON::toString (makeStatusRecord (reading, peaks), true);
        });
        std::cout << "status record: " << json.length() << " characters" << std::endl;
        print ("one status push with 160 peaks (record + JSON)", pushMs, "well under the 100 ms tick");
    }

    {
        juce::AudioBuffer<float> loop (2, 44100 * 16);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < loop.getNumSamples(); ++i)
                loop.setSample (c, i, 0.3f * std::sin ((float) i * 0.0627f) + ((i % 11025) < 200 ? 0.5f : 0.0f));

        const auto ms = medianMs (3, [&] { encodeFloatWavBase64 (stretchAudio (loop, 44100.0, 1.25), 44100.0); });
        print ("stretch 16 s stereo at 1.25 + float WAV + Base64", ms, "<= 1000 ms");
    }

    // Quality: a 440 Hz sine keeps its pitch; a click track keeps sharp attacks on the new grid.
    for (auto ratio : { 0.8, 1.25 })
    {
        juce::AudioBuffer<float> sine (1, 44100 * 2);
        for (int i = 0; i < sine.getNumSamples(); ++i)
            sine.setSample (0, i, 0.5f * std::sin (juce::MathConstants<float>::twoPi * 440.0f * (float) i / 44100.0f));

        const auto out = stretchAudio (sine, 44100.0, ratio);
        const auto* x = out.getReadPointer (0);
        int first = -1, last = -1, count = 0;
        for (int i = out.getNumSamples() / 4; i < 3 * out.getNumSamples() / 4; ++i)
            if (x[i - 1] < 0.0f && x[i] >= 0.0f) { if (first < 0) first = i; last = i; ++count; }

        std::cout << "[ figure ] 440 Hz sine stretched at " << ratio << ": "
                  << juce::String (44100.0 * (count - 1) / (last - first), 2) << " Hz" << std::endl;
    }

    {
        juce::AudioBuffer<float> clicks (1, 44100 * 4);
        clicks.clear();
        juce::Random random (7);
        for (int c = 0; c < 8; ++c)
            for (int i = 0; i < 88; ++i)
                clicks.setSample (0, c * 22050 + i, random.nextFloat() * 2.0f - 1.0f);

        const auto out = stretchAudio (clicks, 44100.0, 1.25);
        double worstRiseMs = 0.0, worstOffsetMs = 0.0;

        for (int c = 1; c < 7; ++c)
        {
            const auto grid = (int) std::round (c * 22050 / 1.25);
            const auto peak = out.getMagnitude (0, grid - 441, 882);
            int tenPercent = grid - 441, peakAt = grid - 441;
            for (int i = grid - 441; i < grid + 441; ++i)
                if (std::abs (out.getSample (0, i)) >= peak) { peakAt = i; break; }
            for (int i = grid - 441; i < peakAt; ++i)
                if (std::abs (out.getSample (0, i)) >= 0.1f * peak) { tenPercent = i; break; }

            worstRiseMs = std::max (worstRiseMs, (peakAt - tenPercent) / 44.1);
            worstOffsetMs = std::max (worstOffsetMs, std::abs (tenPercent - grid) / 44.1);
        }

        std::cout << "[ figure ] click track at 1.25: attack rise (10 % to peak) at most " << juce::String (worstRiseMs, 2)
                  << " ms, onset within " << juce::String (worstOffsetMs, 2) << " ms of the stretched grid" << std::endl;
    }

    return 0;
}
