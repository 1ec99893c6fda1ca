// The status record the editor pushes as tnFromNative ten times a second, and the pure pieces
// of the timer tick: the peak strip reduction, the capture-end test and the direct-output rule.
// Message thread.
#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <vector>

/** The live readings one status record carries. */
struct StatusReading
{
    bool capturing = false;
    double seconds = 0.0;
    double hostBpm = 0.0;
    int captureId = 0;
    bool previewPlaying = false;
    int previewEnded = 0;
};

constexpr int peakStripMaxValues = 160;
constexpr juce::uint64 framesPerPeakBlock = 1024;

/** Reduces the capture's per-block peaks to at most 160 values. entryAt (index) reads entry
    index of the processor's capturePeaks store, which holds numEntries entries. */
std::vector<float> reducePeakStrip (size_t numEntries,
                                    juce::uint64 captureWritePos,
                                    const std::function<float (size_t)>& entryAt);

/** The record in its fixed property order; peaks is added only while capturing. */
juce::var makeStatusRecord (const StatusReading& reading, const std::vector<float>& peaks);

/** Capture length in seconds, 0 while the capture store has no rate. */
double captureSeconds (juce::uint64 captureWritePos, double captureSampleRate);

/** True when a tick sees a capture that ran at the previous tick end with at least one frame. */
bool captureHasJustEnded (bool wasCapturing, bool capturingNow, juce::uint64 captureWritePos, double captureSampleRate);

/** Inside a plug-in host: the processor opens its own output when the host has not called it
    for more than 400 ms. */
bool hostHasGoneQuiet (double nowMs, double lastBlockMs);
