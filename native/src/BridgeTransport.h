// The bridge's transport through the web view on Linux. JUCE 8.0.6's WebKitGTK back end frames
// each message between the app and its web-view process with the text's character count where
// the byte count belongs, so any non-ASCII text (a source named "café.wav", accents in the edit
// state) truncates the message and it is silently lost, in both directions. The bridge therefore
// only ever sends ASCII: native events are written as ASCII-only JSON (\u escapes) and delivered
// with the same backend call the framework uses, and a small script makes the page's outgoing
// JSON ASCII-only the same way. Both are plain JSON re-encodings; the payloads are unchanged.
// Message thread.
#pragma once

#include <juce_core/juce_core.h>

/** The script that delivers payload to the page's listeners of eventId. Pure ASCII. */
juce::String bridgeEventScript (const juce::Identifier& eventId, const juce::var& payload);

/** A user script that re-encodes the page's outgoing messages as ASCII-only JSON. */
juce::String asciiOutgoingMessagesScript();
