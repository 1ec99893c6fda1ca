// The resource server's routes, path normalisation, MIME table and service pass-through, over
// fake sources; "capture.wav" over a real processor; the embedded set over the real binary data;
// the fetch against local sockets that are down, silent, garbled or failing.
#include "CaptureWav.h"
#include "ResourceServer.h"
#include "TestSupport.h"

#include <BinaryData.h>
#include <gtest/gtest.h>

namespace
{
    struct FakeSources final : ResourceSources
    {
        juce::StringArray log;
        juce::String base { "http://127.0.0.1:47810/" };
        bool serviceUp = true;

        static Resource text (const juce::String& body, const juce::String& mime)
        {
            return makeResponse (body.toRawUTF8(), body.getNumBytesAsUTF8(), mime);
        }

        std::optional<Resource> captureWav() override { log.add ("capture"); return text ("CAPTURE", "audio/wav"); }
        std::optional<Resource> restoreWav() override { log.add ("restore"); return text ("RESTORE", "audio/wav"); }
        std::optional<Resource> embeddedFile (const juce::String& name) override
        {
            log.add ("embedded " + name);
            static const juce::StringArray known { "plugin.html", "plugin-NgGJT0fA.css", "logo-cropped-DhtTS-BP.png", "plugin-IJWGvoFm.js" };
            if (! known.contains (name))
                return std::nullopt;
            return text (name, mimeTypeForFileName (name));
        }
        std::optional<juce::MemoryBlock> fetchFromService (const juce::URL& target) override
        {
            log.add ("fetch " + target.toString (true));
            if (! serviceUp)
                return std::nullopt;
            return juce::MemoryBlock ("{}", 2);
        }
        juce::String serviceBaseUrl() const override { return base; }
    };

    juce::String bodyOf (const std::optional<Resource>& r)
    {
        return r.has_value() ? juce::String::fromUTF8 ((const char*) r->data.data(), (int) r->data.size()) : "<404>";
    }
}

TEST (ResourceServer, NormalisesPathAndQuery)
{
    struct Case { const char* in; const char* path; const char* query; };
    const Case cases[] = {
        { "/", "", "" },
        { "", "", "" },
        { "///assets/plugin-IJWGvoFm.js", "assets/plugin-IJWGvoFm.js", "" },
        { "/capture.wav?id=3", "capture.wav", "id=3" },
        { "capture.wav?id=3?x", "capture.wav", "id=3?x" },
        { "/?a", "", "a" },
    };

    for (auto& c : cases)
    {
        const auto r = normaliseResourceRequest (c.in);
        EXPECT_EQ (r.path, c.path) << c.in;
        EXPECT_EQ (r.query, c.query) << c.in;
    }
}

TEST (ResourceServer, MimeTypesByCaseSensitiveEnding)
{
    struct Case { const char* name; const char* mime; };
    const Case cases[] = {
        { "plugin.html", "text/html" }, { "plugin-IJWGvoFm.js", "text/javascript" }, { "plugin-NgGJT0fA.css", "text/css" },
        { "icon.svg", "image/svg+xml" }, { "logo.png", "image/png" }, { "archivo.woff2", "font/woff2" },
        { "kick.wav", "audio/wav" }, { "map.json", "application/json" }, { "font.woff", "application/octet-stream" },
        { "PLUGIN.HTML", "application/octet-stream" }, { "noext", "application/octet-stream" },
    };

    for (auto& c : cases)
        EXPECT_EQ (mimeTypeForFileName (c.name), c.mime) << c.name;
}

TEST (ResourceServer, RoutesInOrder)
{
    struct Case { const char* path; const char* body; const char* mime; };
    const Case cases[] = {
        { "/", "plugin.html", "text/html" },
        { "", "plugin.html", "text/html" },
        { "/assets/plugin-NgGJT0fA.css", "plugin-NgGJT0fA.css", "text/css" },
        { "/a/b/c/logo-cropped-DhtTS-BP.png", "logo-cropped-DhtTS-BP.png", "image/png" },
        { "/Plugin.html", "<404>", "" },
        { "/capture.wav", "CAPTURE", "audio/wav" },
        { "/capture.wav?id=4", "CAPTURE", "audio/wav" },
        { "/sub/capture.wav", "<404>", "" },
        { "/restore.wav", "RESTORE", "audio/wav" },
        { "/assets/", "<404>", "" },
        { "/ostrelapi/releases", "{}", "application/json" },
        { "/ostrelapi/assets/9/preview-audio", "{}", "audio/mpeg" },
        { "/ostrelapi/plugin/oneshots", "{}", "application/json" },
    };

    for (auto& c : cases)
    {
        FakeSources sources;
        const auto response = serveResource (c.path, sources);
        EXPECT_EQ (bodyOf (response), c.body) << c.path;

        if (response.has_value())
            EXPECT_EQ (response->mimeType, c.mime) << c.path;
    }

    FakeSources down;
    down.serviceUp = false;
    EXPECT_EQ (bodyOf (serveResource ("/ostrelapi/releases", down)), "<404>");
}

TEST (ResourceServer, PassThroughTargetsStayBelowTheBase)
{
    const juce::String base = "https://api.example.com/v1/";
    struct Case { const char* path; const char* query; const char* target; };
    const Case cases[] = {
        { "ostrelapi/releases", "", "https://api.example.com/v1/releases?limit=200" },
        { "ostrelapi/releases", "limit=5", "https://api.example.com/v1/releases?limit=5" },
        { "ostrelapi/releases/42", "", "https://api.example.com/v1/releases/42" },
        { "ostrelapi/assets/9/preview-audio", "", "https://api.example.com/v1/assets/9/preview-audio" },
        { "ostrelapi/plugin/starterloops/audio/Funk%20Break%2096.wav", "", "https://api.example.com/v1/plugin/starterloops/audio/Funk%20Break%2096.wav" },
        { "ostrelapi/plugin/oneshots/audio/rock/kick/k%26s.wav", "", "https://api.example.com/v1/plugin/oneshots/audio/rock/kick/k%26s.wav" },
        { "ostrelapi/../admin", "", "" },
        { "ostrelapi/releases/../../admin", "", "" },
        { "ostrelapi/%2e%2e/admin", "", "" },
        { "ostrelapi/a%2F..%2Fb", "", "" },
        { "ostrelapi/./releases", "", "" },
        { "ostrelapi/a\\..\\b", "", "" },
        { "ostrelapi/a b", "", "" },
        { "ostrelapi/a#frag", "", "" },
        { "ostrelapi//evil.example/x", "", "" },
        { "ostrelapi/releases", "a=1#x", "" },
    };

    for (auto& c : cases)
        EXPECT_EQ (serviceTargetFor ({ c.path, c.query }, base), c.target) << c.path << " ? " << c.query;

    EXPECT_EQ (serviceTargetFor ({ "ostrelapi/releases", "" }, "ftp://x/"), "");
    EXPECT_EQ (serviceTargetFor ({ "ostrelapi/releases", "" }, "http://x"), "");
    EXPECT_EQ (configuredServiceBaseUrl().getLastCharacter(), '/');
}

TEST (ResourceServer, EveryEmbeddedFileIsFoundByItsOwnName)
{
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
    {
        const juce::String name = BinaryData::getNamedResourceOriginalFilename (BinaryData::namedResourceList[i]);
        const auto found = findEmbeddedFile (name);
        ASSERT_TRUE (found.has_value()) << name;
        EXPECT_EQ (found->mimeType, mimeTypeForFileName (name));

        int size = 0;
        BinaryData::getNamedResource (BinaryData::namedResourceList[i], size);
        EXPECT_EQ ((int) found->data.size(), size) << name;
        EXPECT_FALSE (findEmbeddedFile (name.toUpperCase() + "x").has_value());
    }

    EXPECT_FALSE (findEmbeddedFile ("").has_value());
    EXPECT_FALSE (findEmbeddedFile ("../CMakeLists.txt").has_value());
}

TEST (CaptureWav, EncodesTheFramesBelowTheWritePosition)
{
    auto processor = tindle::test::makeStandalone();
    processor->prepareToPlay (48000.0, 480);
    EXPECT_FALSE (captureWavResource (*processor).has_value()); // nothing captured yet

    processor->startCapture();

    for (int block = 0; block < 100; ++block)
    {
        auto buffer = tindle::test::makeBuffer (2, 480, [block] (int c, int i) { return (c == 0 ? 0.5f : -0.5f) * (float) ((block * 480 + i) % 7) / 7.0f; });
        tindle::test::runBlock (*processor, buffer);
    }

    processor->stopCapture();
    const auto wav = captureWavResource (*processor);
    ASSERT_TRUE (wav.has_value());
    EXPECT_EQ (wav->mimeType, "audio/wav");
    ASSERT_EQ (wav->data.size(), 44u + 192000u); // 1 s of stereo 16-bit at 48 kHz

    auto u32 = [&] (size_t at) { juce::uint32 v; std::memcpy (&v, wav->data.data() + at, 4); return juce::ByteOrder::swapIfBigEndian (v); };
    auto s16 = [&] (size_t at) { juce::int16 v; std::memcpy (&v, wav->data.data() + at, 2); return (int) juce::ByteOrder::swapIfBigEndian ((juce::uint16) v); };
    EXPECT_EQ (u32 (24), 48000u);
    EXPECT_EQ (u32 (40), 192000u);
    EXPECT_EQ ((juce::int16) s16 (44 + 4 * 3), (juce::int16) std::round (0.5f * 3.0f / 7.0f * 32767.0f)); // frame 3, left
    EXPECT_EQ ((juce::int16) s16 (44 + 4 * 3 + 2), (juce::int16) std::round (-0.5f * 3.0f / 7.0f * 32767.0f));
}
