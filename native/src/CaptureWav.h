// The "capture.wav" response: the first captureWritePos samples of every capture channel as a
// 16-bit WAV at the capture's rate. Message thread; the audio thread may still be appending,
// but never below the write position read here.
#pragma once

#include "PluginProcessor.h"
#include "ResourceServer.h"

/** Nothing when no samples were captured or the capture store has no channels. */
std::optional<Resource> captureWavResource (const TindleProcessor& processor);
