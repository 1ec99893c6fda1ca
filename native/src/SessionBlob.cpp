// The plug-in state blob: the framework's binary value-tree stream of one tree typed
// "Tindle" holding the session record. Plain functions; any thread; no locks.
//
// Writing uses juce::ValueTree::writeToStream. Reading mirrors juce::ValueTree::readFromStream
// and juce::var::readFromStream read for read (same stream calls, same conversions), because
// the framework's reader trusts the counts it finds: a hostile blob could make it reserve
// gigabytes for children or array elements, or nest arrays and trees deep enough to overflow
// the stack. Here every allocation is bounded by the bytes actually present, nested arrays are
// skipped iteratively (as top-level values they only ever convert to "[Array]", 0 and true), and
// children are not read at all (they cannot change the session).
#include "PluginProcessor.h"

#include <vector>

namespace
{
const juce::Identifier typeId ("Tindle");
const juce::Identifier versionId ("version");
const juce::Identifier uiStateId ("uiState");
const juce::Identifier srcNameId ("srcName");
const juce::Identifier srcBpmId ("srcBpm");
const juce::Identifier srcDemoId ("srcDemo");
const juce::Identifier srcWavId ("srcWav");

// The framework's var stream markers (juce_Variant.cpp).
enum VarMarker : char
{
    markerInt = 1,
    markerBoolTrue = 2,
    markerBoolFalse = 3,
    markerDouble = 4,
    markerString = 5,
    markerInt64 = 6,
    markerArray = 7,
    markerBinary = 8
};

juce::int64 remainingBytes (juce::MemoryInputStream& input)
{
    return input.getTotalLength() - input.getPosition();
}

/** Consumes the elements of an array whose count was just read, including nested arrays, with
    an explicit stack. Reads exactly what var::readFromStream would; once the input is exhausted
    every further read yields nothing, so the walk stops there. */
void skipArrayElements (juce::MemoryInputStream& input, int count)
{
    std::vector<int> pending;
    if (count > 0)
        pending.push_back (count);

    while (! pending.empty())
    {
        if (input.isExhausted())
            return;

        if (--pending.back() == 0)
            pending.pop_back();

        const auto numBytes = input.readCompressedInt();
        if (numBytes <= 0)
            continue;

        switch (input.readByte())
        {
            case markerInt:       input.readInt(); break;
            case markerInt64:     input.readInt64(); break;
            case markerDouble:    input.readDouble(); break;
            case markerBoolTrue:
            case markerBoolFalse: break;
            case markerArray:
            {
                const auto nested = input.readCompressedInt();
                if (nested > 0)
                    pending.push_back (nested);
                break;
            }
            case markerString:
            case markerBinary:
            default:
                input.skipNextBytes (numBytes - 1);
                break;
        }
    }
}

/** var::readFromStream with allocations bounded by the input. */
juce::var readValue (juce::MemoryInputStream& input)
{
    const auto numBytes = input.readCompressedInt();
    if (numBytes <= 0)
        return {};

    switch (input.readByte())
    {
        case markerInt:       return input.readInt();
        case markerInt64:     return input.readInt64();
        case markerBoolTrue:  return true;
        case markerBoolFalse: return false;
        case markerDouble:    return input.readDouble();

        case markerString:
        {
            juce::MemoryOutputStream text;
            text.writeFromInputStream (input, numBytes - 1); // bounded by the bytes present
            return text.toUTF8();
        }

        case markerBinary:
        {
            // The framework allocates the declared size and then trims to what it could read;
            // reading only what is present gives the same bytes without the huge allocation.
            const auto wanted = static_cast<juce::int64> (numBytes) - 1;
            const auto available = std::min (wanted, remainingBytes (input));
            juce::MemoryBlock bytes (static_cast<size_t> (std::max<juce::int64> (0, available)));
            if (available > 0)
                bytes.setSize (static_cast<size_t> (input.read (bytes.getData(), static_cast<int> (available))));
            return bytes;
        }

        case markerArray:
            skipArrayElements (input, input.readCompressedInt());
            return juce::Array<juce::var>(); // converts like any array: "[Array]", 0, true

        default:
            input.skipNextBytes (numBytes - 1);
            return {};
    }
}
} // namespace

juce::MemoryBlock TindleProcessor::writeStateBlob (const SavedSession& s)
{
    juce::ValueTree tree (typeId);
    tree.setProperty (versionId, 2, nullptr);
    tree.setProperty (uiStateId, s.uiState, nullptr);
    tree.setProperty (srcNameId, s.srcName, nullptr);
    tree.setProperty (srcBpmId, s.srcBpm, nullptr);
    tree.setProperty (srcDemoId, s.srcDemo, nullptr);
    if (! s.srcDemo && s.srcWav.getSize() > 0)
        tree.setProperty (srcWavId, s.srcWav, nullptr);

    juce::MemoryBlock blob;
    {
        juce::MemoryOutputStream out (blob, false);
        out.preallocate (s.srcWav.getSize() + static_cast<size_t> (s.uiState.getNumBytesAsUTF8() + s.srcName.getNumBytesAsUTF8()) + 128);
        tree.writeToStream (out);
    } // the stream trims the block to exactly the bytes written
    return blob;
}

std::optional<TindleProcessor::SavedSession> TindleProcessor::readStateBlob (const void* data, size_t sizeInBytes)
{
    if (data == nullptr || sizeInBytes == 0)
        return std::nullopt;

    juce::MemoryInputStream input (data, sizeInBytes, false);

    if (input.readString().isEmpty())
        return std::nullopt; // not a valid tree: also what an empty or zero-filled blob gives

    juce::NamedValueSet properties;
    const auto numProps = input.readCompressedInt();

    for (int i = 0; i < numProps; ++i)
    {
        if (input.isExhausted())
            break; // every further name reads empty and is skipped, as in the framework

        const auto name = input.readString();
        if (name.isNotEmpty())
            properties.set (juce::Identifier (name), readValue (input));
    }

    SavedSession loaded;
    loaded.uiState = properties[uiStateId].toString();
    loaded.srcName = properties[srcNameId].toString();
    loaded.srcBpm = static_cast<double> (properties[srcBpmId]);
    loaded.srcDemo = static_cast<bool> (properties[srcDemoId]);
    if (const auto* wav = properties[srcWavId].getBinaryData())
        loaded.srcWav = *wav;
    return loaded;
}
