#include "StatusPush.h"

#include <algorithm>

std::vector<float> reducePeakStrip (size_t numEntries,
                                    juce::uint64 captureWritePos,
                                    const std::function<float (size_t)>& entryAt)
{
    std::vector<float> strip;

    if (numEntries == 0)
        return strip;

    const auto blocks = (size_t) std::min<juce::uint64> (captureWritePos / framesPerPeakBlock + 1, numEntries);
    const auto count = std::min<size_t> (blocks, (size_t) peakStripMaxValues);
    strip.reserve (count);

    for (size_t i = 0; i < count; ++i)
    {
        const auto start = i * blocks / count;
        const auto end = std::max (start + 1, (i + 1) * blocks / count);
        auto value = 0.0f;

        for (auto b = start; b < end && b < numEntries; ++b)
            value = std::max (value, entryAt (b));

        strip.push_back (value);
    }

    return strip;
}

juce::var makeStatusRecord (const StatusReading& reading, const std::vector<float>& peaks)
{
    auto record = juce::DynamicObject::Ptr (new juce::DynamicObject());
    record->setProperty ("capturing", reading.capturing);
    record->setProperty ("seconds", reading.seconds);
    record->setProperty ("hostBpm", reading.hostBpm);
    record->setProperty ("captureId", reading.captureId);
    record->setProperty ("previewPlaying", reading.previewPlaying);
    record->setProperty ("previewEnded", reading.previewEnded);

    if (reading.capturing)
    {
        juce::Array<juce::var> values;
        values.ensureStorageAllocated ((int) peaks.size());

        for (auto p : peaks)
            values.add ((double) p);

        record->setProperty ("peaks", values);
    }

    return juce::var (record.get());
}

double captureSeconds (juce::uint64 captureWritePos, double captureSampleRate)
{
    return captureSampleRate > 0.0 ? (double) captureWritePos / captureSampleRate : 0.0;
}

bool captureHasJustEnded (bool wasCapturing, bool capturingNow, juce::uint64 captureWritePos, double captureSampleRate)
{
    return wasCapturing && ! capturingNow && captureSeconds (captureWritePos, captureSampleRate) > 0.0;
}

bool hostHasGoneQuiet (double nowMs, double lastBlockMs)
{
    return nowMs - lastBlockMs > 400.0;
}
