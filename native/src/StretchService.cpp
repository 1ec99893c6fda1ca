#include "StretchService.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <rubberband/RubberBandStretcher.h>

#include <array>
#include <cmath>

namespace
{
    constexpr int stretchBlockFrames = 8192;

    /** R3 ("finer") with the short window: measured at about a third of the full window's cost,
        inside the time audition waits, and the short window keeps drum attacks tight. */
    RubberBand::RubberBandStretcher::Options stretcherOptions()
    {
        using RB = RubberBand::RubberBandStretcher;
        return RB::OptionProcessOffline | RB::OptionEngineFiner | RB::OptionWindowShort;
    }
}

int stretchedLength (int inputFrames, double ratio)
{
    return juce::jmax (1, (int) std::round ((double) inputFrames / ratio));
}

juce::AudioBuffer<float> stretchAudio (const juce::AudioBuffer<float>& input, double sampleRate, double ratio)
{
    const auto channels = input.getNumChannels() >= 2 ? 2 : 1;
    const auto inFrames = input.getNumSamples();
    const auto outFrames = stretchedLength (inFrames, ratio);

    juce::AudioBuffer<float> output (channels, outFrames);
    output.clear();

    if (inFrames <= 0 || input.getNumChannels() <= 0)
        return output;

    RubberBand::RubberBandStretcher stretcher ((size_t) juce::jmax (1, (int) sampleRate), (size_t) channels,
                                               stretcherOptions(), (double) outFrames / (double) inFrames, 1.0);
    stretcher.setExpectedInputDuration ((size_t) inFrames);
    stretcher.setMaxProcessSize ((size_t) stretchBlockFrames);

    auto inputPointers = [&] (int start)
    {
        std::array<const float*, 2> pointers {};

        for (int c = 0; c < channels; ++c)
            pointers[(size_t) c] = input.getReadPointer (c, start);

        return pointers;
    };

    for (int start = 0; start < inFrames; start += stretchBlockFrames)
    {
        const auto count = juce::jmin (stretchBlockFrames, inFrames - start);
        stretcher.study (inputPointers (start).data(), (size_t) count, start + count >= inFrames);
    }

    int written = 0;
    juce::AudioBuffer<float> chunk (channels, stretchBlockFrames);

    auto drain = [&]
    {
        for (int available; (available = stretcher.available()) > 0;)
        {
            const auto count = juce::jmin (available, stretchBlockFrames);
            std::array<float*, 2> pointers {};

            for (int c = 0; c < channels; ++c)
                pointers[(size_t) c] = chunk.getWritePointer (c);

            const auto got = (int) stretcher.retrieve (pointers.data(), (size_t) count);
            const auto keep = juce::jmin (got, outFrames - written);

            for (int c = 0; c < channels && keep > 0; ++c)
                output.copyFrom (c, written, chunk, c, 0, keep);

            written += juce::jmax (0, keep);
        }
    };

    for (int start = 0; start < inFrames; start += stretchBlockFrames)
    {
        const auto count = juce::jmin (stretchBlockFrames, inFrames - start);
        stretcher.process (inputPointers (start).data(), (size_t) count, start + count >= inFrames);
        drain();
    }

    drain();
    return output; // frames the library did not deliver stay silent; extra frames were dropped
}

juce::String encodeFloatWavBase64 (const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    auto* stream = new juce::MemoryOutputStream();
    std::unique_ptr<juce::AudioFormatWriter> writer (
        juce::WavAudioFormat().createWriterFor (stream, sampleRate, (unsigned int) buffer.getNumChannels(), 32, {}, 0));

    if (writer == nullptr)
    {
        delete stream;
        return {};
    }

    writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
    writer->flush();
    auto base64 = juce::Base64::toBase64 (stream->getData(), stream->getDataSize());
    writer.reset(); // owns and deletes the stream
    return base64;
}

void launchStretchJob (StretchJob job)
{
    juce::Thread::launch ([job = std::move (job)]() mutable
    {
        juce::String base64;

        // Nothing may escape a worker thread: a failed job answers "" (the page's failure).
        try
        {
            auto output = stretchAudio (*job.input, job.sampleRate, job.ratio);
            job.input.reset();
            base64 = encodeFloatWavBase64 (output, job.sampleRate);
        }
        catch (...)
        {
            base64 = {};
        }

        juce::MessageManager::callAsync ([guard = job.editorGuard, reqId = job.reqId,
                                          base64 = std::move (base64), answer = std::move (job.answer)]
        {
            if (auto* editor = guard.getComponent(); editor != nullptr && answer != nullptr)
                answer (*editor, reqId, base64);
        });
    });
}
