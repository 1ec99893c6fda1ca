// The offline time-stretch service: one self-deleting worker thread per accepted
// "stretchAudio" request stretches the page's audio with Rubber Band (R3 engine, offline, short
// window), encodes a 32-bit float WAV and posts the answer back to the message thread, where it
// is dropped when the editor has gone. Workers share nothing with the editor or each other.
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/** What the dispatcher hands to a worker; the worker owns it alone after the launch. */
struct StretchJob
{
    juce::Component::SafePointer<juce::Component> editorGuard;
    juce::String reqId;
    std::shared_ptr<juce::AudioBuffer<float>> input;
    double sampleRate = 0.0;
    double ratio = 1.0;

    /** Runs on the message thread with the live editor, reqId and the Base64 WAV text. */
    std::function<void (juce::Component& editor, const juce::String& reqId, const juce::String& base64)> answer;
};

/** Frames of the result: round (n / ratio), halves away from zero, at least 1. */
int stretchedLength (int inputFrames, double ratio);

/** Any thread: stretches the first one or two channels of input to exactly
    stretchedLength (input length, ratio) frames with the pitch unchanged. */
juce::AudioBuffer<float> stretchAudio (const juce::AudioBuffer<float>& input, double sampleRate, double ratio);

/** Any thread: the Base64 text of a 32-bit float WAV of buffer written by juce::WavAudioFormat,
    or "" when no writer could be made. */
juce::String encodeFloatWavBase64 (const juce::AudioBuffer<float>& buffer, double sampleRate);

/** Message thread: starts one worker thread for the job and returns at once. */
void launchStretchJob (StretchJob job);
