// libFuzzer target: TindleProcessor::setStateInformation with any bytes.
// Properties checked on every input: no crash, no sanitizer report, bounded memory, and
// whatever session loads saves to a blob that reloads to the same session (a demo source
// saves no audio).
#include "PluginProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace
{
TindleProcessor& processor()
{
    static TindleProcessor instance;
    return instance;
}

void check (bool condition)
{
    if (! condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t> (std::numeric_limits<int>::max()))
        return 0;

    auto& p = processor();
    p.setUiState ("sentinel");
    p.setStateInformation (data, static_cast<int> (size));

    auto loaded = p.savedSession();
    const auto parsed = TindleProcessor::readStateBlob (data, size);
    if (! parsed.has_value())
        check (loaded.uiState == "sentinel"); // not a tree: nothing changed
    else
        check (loaded.uiState == parsed->uiState && loaded.srcName == parsed->srcName);

    if (loaded.srcDemo)
        loaded.srcWav.reset();

    juce::MemoryBlock saved;
    p.getStateInformation (saved);
    const auto again = TindleProcessor::readStateBlob (saved.getData(), saved.getSize());
    check (again.has_value());
    check (again->uiState == loaded.uiState);
    check (again->srcName == loaded.srcName);
    check (again->srcBpm == loaded.srcBpm || (std::isnan (again->srcBpm) && std::isnan (loaded.srcBpm)));
    check (again->srcDemo == loaded.srcDemo);
    check (again->srcWav == loaded.srcWav);
    return 0;
}
