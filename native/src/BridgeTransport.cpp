#include "BridgeTransport.h"

juce::String bridgeEventScript (const juce::Identifier& eventId, const juce::var& payload)
{
    const auto json = juce::JSON::toString (payload, juce::JSON::FormatOptions {}
                                                         .withSpacing (juce::JSON::Spacing::none)
                                                         .withEncoding (juce::JSON::Encoding::ascii));

    // Quoted as a JavaScript string literal, exactly as the framework quotes its own events.
    const auto literal = json.replace ("\\", "\\\\").replace ("'", "\\'").quoted ('\'');
    return "window.__JUCE__.backend.emitByBackend(" + eventId.toString().quoted() + ", " + literal + ");";
}

juce::String asciiOutgoingMessagesScript()
{
    return R"js((function () {
  const juce = window.__JUCE__;
  if (!juce || typeof juce.postMessage !== "function" || juce.__tindleAsciiMessages) return;
  const post = juce.postMessage;
  juce.__tindleAsciiMessages = true;
  juce.postMessage = function (text) {
    post(String(text).replace(/[\u007f-\uffff]/g, function (c) {
      return "\\u" + ("000" + c.charCodeAt(0).toString(16)).slice(-4);
    }));
  };
})();)js";
}
