// Native benchmarks (figures only, never pass/fail): see bench/native.sh.
//   TindleBench processblock N   N stereo 512-frame blocks at 44.1 kHz with capture running and
//                                the main voice playing (48 kHz source: interpolation on);
//                                run under callgrind to count instructions per block
//   TindleBench encode           encodeWav of a 60 s stereo capture (median of runs, ms)
//   TindleBench state            getStateInformation + setStateInformation with a 10.6 MB WAV
//   TindleBench decode           decodeWavBase64 of the same 60 s stereo 16-bit WAV
#include "PluginProcessor.h"
#include "WavCodec.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{
double medianMs (int runs, const std::function<void()>& body)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        body();
        times.push_back (std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count());
    }
    std::sort (times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<std::vector<float>> sixtySecondsStereo()
{
    std::vector<std::vector<float>> channels (2, std::vector<float> (44100 * 60));
    for (size_t i = 0; i < channels[0].size(); ++i)
    {
        channels[0][i] = 0.8f * std::sin (0.013f * static_cast<float> (i % 100000));
        channels[1][i] = 0.5f * std::cos (0.007f * static_cast<float> (i % 100000));
    }
    return channels;
}

std::unique_ptr<TindleProcessor> standaloneProcessor()
{
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Standalone);
    auto p = std::make_unique<TindleProcessor>();
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    return p;
}
} // namespace

int main (int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";

    if (mode == "processblock")
    {
        const int blocks = argc > 2 ? std::atoi (argv[2]) : 1000;
        auto p = standaloneProcessor();
        p->prepareToPlay (44100.0, 512);
        juce::AudioBuffer<float> voice (2, 48000 * 4);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < voice.getNumSamples(); ++i)
                voice.setSample (c, i, 0.5f * std::sin (0.01f * static_cast<float> (i + c)));
        p->setPreviewMain (std::move (voice), 48000.0, 3.0);
        p->playPreviewMain (0.0);
        p->startCapture();

        juce::AudioBuffer<float> block (2, 512);
        juce::MidiBuffer midi;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                block.setSample (c, i, 0.25f * std::sin (0.05f * static_cast<float> (i)));
        for (int i = 0; i < blocks; ++i)
            p->processBlock (block, midi); // after block 1 the input is the previous block's audition output
        std::printf ("processblock blocks=%d captureWritePos=%llu\n", blocks,
                     static_cast<unsigned long long> (p->captureWritePos.load()));
        return 0;
    }

    if (mode == "encode")
    {
        const auto channels = sixtySecondsStereo();
        size_t bytes = 0;
        const auto ms = medianMs (15, [&] { bytes = tindle::encodeWav (channels, 44100.0).getSize(); });
        std::printf ("encodeWav 60 s stereo: %.2f ms median of 15 (%zu bytes)\n", ms, bytes);
        return 0;
    }

    if (mode == "state" || mode == "decode")
    {
        const auto wav = tindle::encodeWav (sixtySecondsStereo(), 44100.0);
        if (mode == "decode")
        {
            const auto text = juce::Base64::toBase64 (wav.getData(), wav.getSize());
            const auto ms = medianMs (9, [&]
            {
                juce::AudioBuffer<float> buffer;
                double rate = 0;
                tindle::decodeWavBase64 (text, buffer, rate);
            });
            std::printf ("decodeWavBase64 60 s stereo 16-bit (%d chars): %.2f ms median of 9\n", text.length(), ms);
            return 0;
        }

        auto p = standaloneProcessor();
        p->setUiState ("{\"edits\":[]}");
        p->setSessionSource ("capture 1", 120.0, false, wav);
        auto q = standaloneProcessor();
        size_t blobBytes = 0;
        double getMs = 0, setMs = 0;
        const auto ms = medianMs (15, [&]
        {
            juce::MemoryBlock blob;
            const auto a = std::chrono::steady_clock::now();
            p->getStateInformation (blob);
            const auto b = std::chrono::steady_clock::now();
            q->setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
            const auto c = std::chrono::steady_clock::now();
            getMs = std::chrono::duration<double, std::milli> (b - a).count();
            setMs = std::chrono::duration<double, std::milli> (c - b).count();
            blobBytes = blob.getSize();
        });
        std::printf ("get+setStateInformation with %zu-byte WAV (blob %zu bytes): %.2f ms median of 15 (last run: get %.2f, set %.2f)\n",
                     wav.getSize(), blobBytes, ms, getMs, setMs);
        return q->savedSession().srcWav.getSize() == wav.getSize() ? 0 : 1;
    }

    std::fprintf (stderr, "usage: TindleBench processblock [N] | encode | state | decode\n");
    return 1;
}
