// Fuzzes the bridge dispatcher: arbitrary text through juce::JSON::parse into the dispatch logic,
// with a recording fake for every effect. Nothing may crash, and the only answer the dispatcher
// itself may give is "stretchAudio"'s "bad request".
#include "BridgeDispatcher.h"
#include "FakeBridgeEffects.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto text = juce::String::fromUTF8 (reinterpret_cast<const char*> (data), (int) size);
    const auto payload = juce::JSON::parse (text);

    FakeBridgeEffects effects;
    dispatchPageMessage (payload, RestoreSnapshot {}, effects);

    for (auto& [eventId, answer] : effects.emitted)
        if (eventId != BridgeEvents::stretchResult || answer.getProperty ("error", {}).toString() != "bad request")
            std::abort();

    if (effects.calls.size() > 2)
        std::abort();

    return 0;
}
