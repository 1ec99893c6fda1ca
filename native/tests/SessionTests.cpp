// Session persistence: the byte-exact state blob, round trips, foreign and partial
// trees, hostile blobs, and agreement with the framework's own value-tree reader.
#include "TestSupport.h"

#include <random>

using namespace tindle::test;
using Session = TindleProcessor::SavedSession;

namespace
{
std::vector<juce::uint8> bytesOf (const juce::MemoryBlock& block)
{
    const auto* d = static_cast<const juce::uint8*> (block.getData());
    return { d, d + block.getSize() };
}

juce::MemoryBlock stateOf (TindleProcessor& p)
{
    juce::MemoryBlock block;
    p.getStateInformation (block);
    return block;
}

void load (TindleProcessor& p, const juce::MemoryBlock& block)
{
    p.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
}

juce::MemoryBlock treeBlob (const juce::ValueTree& tree)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    tree.writeToStream (out);
    out.flush();
    return juce::MemoryBlock (block.getData(), out.getDataSize());
}

void expectSessionEq (const Session& a, const Session& b, const std::string& context = {})
{
    EXPECT_EQ (a.uiState, b.uiState) << context;
    EXPECT_EQ (a.srcName, b.srcName) << context;
    EXPECT_EQ (a.srcBpm, b.srcBpm) << context;
    EXPECT_EQ (a.srcDemo, b.srcDemo) << context;
    EXPECT_TRUE (a.srcWav == b.srcWav) << context;
}

Session sampleSession()
{
    Session s;
    s.uiState = juce::String::fromUTF8 (u8"{\"notes\":[1,2,3],\"name\":\"Grüße — ドラム 🥁\"}");
    s.srcName = juce::String::fromUTF8 (u8"Café loop №5 ✓.wav");
    s.srcBpm = 97.25;
    s.srcDemo = false;
    const char wav[] = "RIFF\x10\0\0\0WAVEdata";
    s.srcWav = juce::MemoryBlock (wav, sizeof (wav));
    return s;
}

/** What the framework's reader makes of the same bytes (only for well-formed or truncated
    blobs: the framework trusts counts, see SessionBlob.cpp). */
std::optional<Session> frameworkRead (const void* data, size_t size)
{
    const auto tree = juce::ValueTree::readFromData (data, size);
    if (! tree.isValid())
        return std::nullopt;
    Session s;
    s.uiState = tree["uiState"].toString();
    s.srcName = tree["srcName"].toString();
    s.srcBpm = static_cast<double> (tree["srcBpm"]);
    s.srcDemo = static_cast<bool> (tree["srcDemo"]);
    if (const auto* wav = tree["srcWav"].getBinaryData())
        s.srcWav = *wav;
    return s;
}
} // namespace

TEST (SessionBlob, FreshProcessorBlobIsByteExact)
{
    auto p = makeStandalone();
    const auto bytes = bytesOf (stateOf (*p));

    std::vector<juce::uint8> expected;
    auto text = [&] (const char* s) { for (; *s != 0; ++s) expected.push_back (static_cast<juce::uint8> (*s)); expected.push_back (0); };
    auto raw = [&] (std::initializer_list<int> list) { for (auto b : list) expected.push_back (static_cast<juce::uint8> (b)); };

    text ("Tindle");
    raw ({ 1, 5 });                                // five properties
    text ("version"); raw ({ 1, 5, 1, 2, 0, 0, 0 });  // int 2
    text ("uiState"); raw ({ 1, 2, 5, 0 });           // empty text
    text ("srcName"); raw ({ 1, 2, 5, 0 });
    text ("srcBpm");  raw ({ 1, 9, 4, 0, 0, 0, 0, 0, 0, 0, 0 }); // double 0
    text ("srcDemo"); raw ({ 1, 1, 3 });              // false
    raw ({ 0 });                                   // no children

    EXPECT_EQ (bytes, expected);
    ASSERT_GE (bytes.size(), 9u);
    EXPECT_EQ (std::string (bytes.begin(), bytes.begin() + 6), "Tindle");
    EXPECT_EQ (bytes[6], 0);
    EXPECT_EQ (bytes[7], 1);
    EXPECT_EQ (bytes[8], 5);
}

TEST (SessionBlob, SourceAudioAddsSixthPropertyWithBinaryMarker)
{
    auto p = makeStandalone();
    p->setSessionSource ("take", 120.0, false, juce::MemoryBlock ("abc", 3));
    const auto bytes = bytesOf (stateOf (*p));
    EXPECT_EQ (bytes[7], 1);
    EXPECT_EQ (bytes[8], 6);
    const std::vector<juce::uint8> tail { 's', 'r', 'c', 'W', 'a', 'v', 0, 1, 4, 8, 'a', 'b', 'c', 0 };
    ASSERT_GE (bytes.size(), tail.size());
    EXPECT_TRUE (std::equal (tail.begin(), tail.end(), bytes.end() - static_cast<long> (tail.size())));
}

TEST (SessionBlob, DemoSourceSavesNoAudioEvenIfBytesWereStored)
{
    auto p = makeStandalone();
    p->setSessionSource ("Starter 1", 90.0, true, juce::MemoryBlock ("abc", 3));
    EXPECT_EQ (p->savedSession().srcWav.getSize(), 3u); // the record keeps what it was given
    const auto bytes = bytesOf (stateOf (*p));
    EXPECT_EQ (bytes[8], 5);

    auto q = makeStandalone();
    load (*q, stateOf (*p));
    EXPECT_TRUE (q->savedSession().srcDemo);
    EXPECT_EQ (q->savedSession().srcWav.getSize(), 0u);
    EXPECT_EQ (q->savedSession().srcName, "Starter 1");
}

TEST (SessionBlob, RoundTripKeepsAllFiveFieldsIncludingNonAscii)
{
    auto p = makeStandalone();
    const auto s = sampleSession();
    // First prove the values differ from the defaults, then that they survive.
    const Session defaults;
    ASSERT_NE (s.uiState, defaults.uiState);
    ASSERT_NE (s.srcName, defaults.srcName);
    ASSERT_NE (s.srcBpm, defaults.srcBpm);
    ASSERT_FALSE (s.srcWav == defaults.srcWav);

    p->setUiState (s.uiState);
    p->setSessionSource (s.srcName, s.srcBpm, s.srcDemo, s.srcWav);
    expectSessionEq (p->savedSession(), s);

    auto q = makeStandalone();
    load (*q, stateOf (*p));
    expectSessionEq (q->savedSession(), s);
    EXPECT_TRUE (stateOf (*q) == stateOf (*p));

    // Demo flag true round-trips too.
    p->setSessionSource (s.srcName, 0.5, true, {});
    load (*q, stateOf (*p));
    EXPECT_TRUE (q->savedSession().srcDemo);
    EXPECT_EQ (q->savedSession().srcBpm, 0.5);
}

TEST (SessionBlob, OnlySrcNameResetsTheOtherFields)
{
    auto p = makeStandalone();
    const auto s = sampleSession();
    p->setUiState (s.uiState);
    p->setSessionSource (s.srcName, s.srcBpm, true, s.srcWav);

    juce::ValueTree tree ("Tindle");
    tree.setProperty ("srcName", "only", nullptr);
    load (*p, treeBlob (tree));

    Session expected;
    expected.srcName = "only";
    expectSessionEq (p->savedSession(), expected);
}

TEST (SessionBlob, ForeignTypeNameIsAccepted)
{
    auto p = makeStandalone();
    juce::ValueTree tree ("SomeOtherPlugin");
    tree.setProperty ("uiState", "{}", nullptr);
    tree.setProperty ("srcBpm", 140.0, nullptr);
    tree.setProperty ("unrelated", 42, nullptr);
    tree.appendChild (juce::ValueTree ("Child"), nullptr);
    load (*p, treeBlob (tree));
    EXPECT_EQ (p->savedSession().uiState, "{}");
    EXPECT_EQ (p->savedSession().srcBpm, 140.0);
}

struct UnchangedCase
{
    const char* name;
    std::vector<juce::uint8> bytes;
};

class UnchangedTest : public ::testing::TestWithParam<UnchangedCase> {};

TEST_P (UnchangedTest, BlobThatIsNotATreeChangesNothing)
{
    const auto& c = GetParam();
    auto p = makeStandalone();
    const auto s = sampleSession();
    p->setUiState (s.uiState);
    p->setSessionSource (s.srcName, s.srcBpm, s.srcDemo, s.srcWav);

    p->setStateInformation (c.bytes.data(), static_cast<int> (c.bytes.size()));
    expectSessionEq (p->savedSession(), s, c.name);
}

INSTANTIATE_TEST_SUITE_P (NotTrees, UnchangedTest, ::testing::Values (
    UnchangedCase { "empty", {} },
    UnchangedCase { "oneZero", { 0 } },
    UnchangedCase { "zeroFilled", std::vector<juce::uint8> (4096, 0) },
    UnchangedCase { "zeroThenText", { 0, 'T', 'i', 'n' } }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (SessionBlob, NullOrNegativeSizeChangesNothing)
{
    auto p = makeStandalone();
    p->setUiState ("kept");
    p->setStateInformation (nullptr, 10);
    const char data[] = "Tindle";
    p->setStateInformation (data, -5);
    EXPECT_EQ (p->savedSession().uiState, "kept");
}

struct ConversionCase
{
    const char* name;
    juce::var uiState, srcBpm, srcDemo, srcWav;
    const char* expectedUiState;
    double expectedBpm;
    bool expectedDemo;
    size_t expectedWavSize;
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P (ConversionTest, DifferentlyTypedPropertiesConvertLikeTheFramework)
{
    const auto& c = GetParam();
    juce::ValueTree tree ("Tindle");
    tree.setProperty ("uiState", c.uiState, nullptr);
    tree.setProperty ("srcBpm", c.srcBpm, nullptr);
    tree.setProperty ("srcDemo", c.srcDemo, nullptr);
    tree.setProperty ("srcWav", c.srcWav, nullptr);
    const auto blob = treeBlob (tree);

    auto p = makeStandalone();
    load (*p, blob);
    const auto s = p->savedSession();
    EXPECT_EQ (s.uiState, c.expectedUiState) << c.name;
    EXPECT_EQ (s.srcBpm, c.expectedBpm) << c.name;
    EXPECT_EQ (s.srcDemo, c.expectedDemo) << c.name;
    EXPECT_EQ (s.srcWav.getSize(), c.expectedWavSize) << c.name;

    const auto reference = frameworkRead (blob.getData(), blob.getSize());
    ASSERT_TRUE (reference.has_value());
    expectSessionEq (s, *reference, c.name);
}

INSTANTIATE_TEST_SUITE_P (Conversions, ConversionTest, ::testing::Values (
    ConversionCase { "textNumbers", juce::var ("x"), juce::var ("120.5"), juce::var ("1"), juce::var ("notBinary"), "x", 120.5, true, 0 },
    ConversionCase { "ints", juce::var (7), juce::var (98), juce::var (0), juce::var (5), "7", 98.0, false, 0 },
    ConversionCase { "int64", juce::var ((juce::int64) 1 << 40), juce::var ((juce::int64) 3), juce::var ((juce::int64) 2), juce::var(), "1099511627776", 3.0, true, 0 },
    ConversionCase { "binaryText", juce::var (juce::MemoryBlock ("hi", 2)), juce::var (true), juce::var (true), juce::var (juce::MemoryBlock ("w", 1)), "2.nkF", 1.0, true, 1 }, // MemoryBlock::toBase64Encoding
    ConversionCase { "arrays", juce::var (juce::Array<juce::var> { 1, "two", juce::Array<juce::var> { 3.0 } }), juce::var (juce::Array<juce::var> {}), juce::var (juce::Array<juce::var> {}), juce::var (juce::Array<juce::var> { 1 }), "[Array]", 0.0, true, 0 }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (SessionBlob, EveryTruncationMatchesTheFrameworkReader)
{
    auto p = makeStandalone();
    const auto s = sampleSession();
    p->setUiState (s.uiState);
    p->setSessionSource (s.srcName, s.srcBpm, s.srcDemo, s.srcWav);
    const auto blob = stateOf (*p);
    const auto* data = static_cast<const juce::uint8*> (blob.getData());

    for (size_t length = 0; length <= blob.getSize(); ++length)
    {
        const auto ours = TindleProcessor::readStateBlob (data, length);
        const auto reference = frameworkRead (data, length);
        ASSERT_EQ (ours.has_value(), reference.has_value()) << length;
        if (ours.has_value())
            expectSessionEq (*ours, *reference, "length " + std::to_string (length));
    }
}

TEST (SessionBlob, DuplicateEmptyNamedAndNegativeCountPropertiesMatchTheFramework)
{
    std::vector<std::vector<juce::uint8>> blobs;
    auto text = [] (std::vector<juce::uint8>& v, const char* s) { for (; *s != 0; ++s) v.push_back (static_cast<juce::uint8> (*s)); v.push_back (0); };

    { // "srcName" twice: the later value wins
        std::vector<juce::uint8> v; text (v, "T"); v.insert (v.end(), { 1, 2 });
        text (v, "srcName"); v.insert (v.end(), { 1, 3, 5, 'a', 0 });
        text (v, "srcName"); v.insert (v.end(), { 1, 3, 5, 'b', 0 });
        blobs.push_back (v);
    }
    { // an empty name: no value is read for it, the next bytes are the next name
        std::vector<juce::uint8> v; text (v, "T"); v.insert (v.end(), { 1, 2, 0 });
        text (v, "srcBpm"); v.insert (v.end(), { 1, 5, 1, 7, 0, 0, 0 });
        blobs.push_back (v);
    }
    { // negative property count
        std::vector<juce::uint8> v; text (v, "T"); v.insert (v.end(), { 0x81, 3 });
        text (v, "srcName"); v.insert (v.end(), { 1, 3, 5, 'a', 0 });
        blobs.push_back (v);
    }
    { // an unknown marker skips its bytes
        std::vector<juce::uint8> v; text (v, "T"); v.insert (v.end(), { 1, 2 });
        text (v, "uiState"); v.insert (v.end(), { 1, 4, 42, 1, 2, 3 });
        text (v, "srcName"); v.insert (v.end(), { 1, 3, 5, 'z', 0 });
        blobs.push_back (v);
    }
    { // a string without its terminating zero, and a length past the end
        std::vector<juce::uint8> v; text (v, "T"); v.insert (v.end(), { 1, 1 });
        text (v, "uiState"); v.insert (v.end(), { 2, 0x10, 0x27, 5, 'a', 'b' });
        blobs.push_back (v);
    }

    for (size_t i = 0; i < blobs.size(); ++i)
    {
        const auto ours = TindleProcessor::readStateBlob (blobs[i].data(), blobs[i].size());
        const auto reference = frameworkRead (blobs[i].data(), blobs[i].size());
        ASSERT_TRUE (ours.has_value()) << i;
        ASSERT_TRUE (reference.has_value()) << i;
        expectSessionEq (*ours, *reference, "blob " + std::to_string (i));
    }
}

struct HostileCase
{
    const char* name;
    std::vector<juce::uint8> bytes;
};

class HostileTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P (HostileTest, CountsTheFrameworkWouldTrustAreBounded)
{
    // These make juce::ValueTree::readFromStream reserve gigabytes or recurse without limit;
    // the session reader must finish quickly with a valid tree and defaults.
    const auto& c = GetParam();
    auto p = makeStandalone();
    p->setUiState ("before");
    p->setStateInformation (c.bytes.data(), static_cast<int> (c.bytes.size()));
    EXPECT_TRUE (p->savedSession().uiState != "before") << c.name;
}

namespace
{
std::vector<juce::uint8> header (int numProps)
{
    std::vector<juce::uint8> v { 'T', 0, 4 };
    for (int i = 0; i < 4; ++i)
        v.push_back (static_cast<juce::uint8> (numProps >> (8 * i)));
    return v;
}

std::vector<juce::uint8> deepArrays (int depth)
{
    auto v = header (1);
    v.insert (v.end(), { 'u', 0 });
    for (int i = 0; i < depth; ++i)
        v.insert (v.end(), { 1, 1, 7, 1, 1 }); // value size 1, marker array, count 1
    return v;
}

std::vector<juce::uint8> deepChildren (int depth)
{
    std::vector<juce::uint8> v;
    for (int i = 0; i < depth; ++i)
        v.insert (v.end(), { 'C', 0, 0, 1, 1 }); // type "C", no properties, one child
    return v;
}
} // namespace

INSTANTIATE_TEST_SUITE_P (Hostile, HostileTest, ::testing::Values (
    HostileCase { "hugeChildCount", [] { auto v = header (0); v.insert (v.end(), { 4, 0xff, 0xff, 0xff, 0x7f }); return v; }() },
    HostileCase { "hugeArrayCount", [] { auto v = header (1); v.insert (v.end(), { 'a', 0, 1, 1, 7, 4, 0xff, 0xff, 0xff, 0x7f }); return v; }() },
    HostileCase { "hugeBinarySize", [] { auto v = header (1); v.insert (v.end(), { 's', 'r', 'c', 'W', 'a', 'v', 0, 4, 0xff, 0xff, 0xff, 0x7f, 8, 1, 2, 3 }); return v; }() },
    HostileCase { "hugeStringSize", [] { auto v = header (1); v.insert (v.end(), { 'u', 'i', 'S', 't', 'a', 't', 'e', 0, 4, 0xff, 0xff, 0xff, 0x7f, 5, 'x' }); return v; }() },
    HostileCase { "hugePropertyCount", header (0x7fffffff) },
    HostileCase { "deepArrays", deepArrays (400000) },
    HostileCase { "deepChildren", deepChildren (400000) }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (SessionBlob, HugeBinaryIsTruncatedToTheBytesPresent)
{
    auto v = header (1);
    v.insert (v.end(), { 's', 'r', 'c', 'W', 'a', 'v', 0, 4, 0xff, 0xff, 0xff, 0x7f, 8, 1, 2, 3 });
    const auto s = TindleProcessor::readStateBlob (v.data(), v.size());
    ASSERT_TRUE (s.has_value());
    EXPECT_EQ (s->srcWav.getSize(), 3u);
}

TEST (SessionBlob, RandomMutationsNeverCrashAndStayStable)
{
    // Mutated real blobs: whatever loads must save and reload to the same session (minus the
    // audio of a demo source, which is never saved).
    auto p = makeStandalone();
    const auto s = sampleSession();
    p->setUiState (s.uiState);
    p->setSessionSource (s.srcName, s.srcBpm, s.srcDemo, s.srcWav);
    const auto blob = bytesOf (stateOf (*p));

    std::mt19937 rng (1234);
    for (int round = 0; round < 3000; ++round)
    {
        auto mutated = blob;
        const auto edits = 1 + rng() % 4;
        for (unsigned e = 0; e < edits; ++e)
            mutated[rng() % mutated.size()] = static_cast<juce::uint8> (rng());
        mutated.resize (rng() % (mutated.size() + 1));

        auto q = makeStandalone();
        q->setStateInformation (mutated.data(), static_cast<int> (mutated.size()));
        auto expected = q->savedSession();
        if (expected.srcDemo)
            expected.srcWav.reset(); // a demo source saves no audio
        load (*q, stateOf (*q));
        expectSessionEq (q->savedSession(), expected, "round " + std::to_string (round));
    }
}

TEST (Session, SettersReplaceFieldsUnderTheLock)
{
    auto p = makeStandalone();
    expectSessionEq (p->savedSession(), Session {});
    p->setUiState ("{\"a\":1}");
    p->setSessionSource ("name", 88.0, false, juce::MemoryBlock ("xyz", 3));
    auto s = p->savedSession();
    EXPECT_EQ (s.uiState, "{\"a\":1}");
    EXPECT_EQ (s.srcName, "name");
    EXPECT_EQ (s.srcBpm, 88.0);
    EXPECT_FALSE (s.srcDemo);
    EXPECT_EQ (s.srcWav.getSize(), 3u);

    p->setSessionSource ("demo", 100.0, true, {});
    s = p->savedSession();
    EXPECT_EQ (s.uiState, "{\"a\":1}"); // untouched by the source report
    EXPECT_EQ (s.srcName, "demo");
    EXPECT_TRUE (s.srcDemo);
    EXPECT_EQ (s.srcWav.getSize(), 0u);

    p->setUiState ({});
    EXPECT_TRUE (p->savedSession().uiState.isEmpty());
}

TEST (Session, StateBlobOfAPlainSessionEqualsTheFrameworkTree)
{
    const auto s = sampleSession();
    juce::ValueTree tree ("Tindle");
    tree.setProperty ("version", 2, nullptr);
    tree.setProperty ("uiState", s.uiState, nullptr);
    tree.setProperty ("srcName", s.srcName, nullptr);
    tree.setProperty ("srcBpm", s.srcBpm, nullptr);
    tree.setProperty ("srcDemo", s.srcDemo, nullptr);
    tree.setProperty ("srcWav", s.srcWav, nullptr);
    EXPECT_TRUE (TindleProcessor::writeStateBlob (s) == treeBlob (tree));
}
