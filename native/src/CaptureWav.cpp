#include "CaptureWav.h"

#include "WavCodec.h"

std::optional<Resource> captureWavResource (const TindleProcessor& processor)
{
    const auto frames = (size_t) processor.captureWritePos.load();
    const auto& store = processor.captureBuffer;

    if (frames == 0 || store.empty())
        return std::nullopt;

    // Encoded straight from the store: the samples below the write position are final.
    std::vector<const float*> channels;

    for (auto& channel : store)
        channels.push_back (channel.data());

    const auto wav = tindle::encodeWav (channels.data(), (int) channels.size(),
                                        juce::jmin (frames, store.front().size()), processor.captureSampleRate);
    return makeResponse (wav.getData(), wav.getSize(), "audio/wav");
}
