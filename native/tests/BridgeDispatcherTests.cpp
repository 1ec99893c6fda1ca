// The bridge dispatcher against a recording fake: every message of the page-to-native table,
// the restore rule, and input the page should never send.
#include "BridgeDispatcher.h"
#include "BridgeTransport.h"
#include "FakeBridgeEffects.h"
#include "WavCodec.h"

#include <gtest/gtest.h>

namespace
{
    juce::String wavBase64 (int channels, int frames, double rate)
    {
        std::vector<std::vector<float>> data ((size_t) channels, std::vector<float> ((size_t) frames, 0.25f));
        const auto wav = tindle::encodeWav (data, rate);
        return juce::Base64::toBase64 (wav.getData(), wav.getSize());
    }

    std::vector<juce::String> dispatch (const juce::String& json, const RestoreSnapshot& restore = {},
                                        FakeBridgeEffects* effectsIn = nullptr)
    {
        FakeBridgeEffects local;
        auto& effects = effectsIn != nullptr ? *effectsIn : local;
        effects.calls.clear();
        dispatchPageMessage (juce::JSON::parse (json), restore, effects);
        return effects.calls;
    }

    using Calls = std::vector<juce::String>;

    const RestoreSnapshot savedWithAudio { "{\"v\":1}", "take 1", 92.5, false, true };
}

TEST (BridgeDispatcher, ReadyPushesStateAndRestoresOnlyARestorableSession)
{
    struct Case { const char* name; RestoreSnapshot snapshot; bool restores; };
    const Case cases[] = {
        { "no saved session", {}, false },
        { "edit state without source audio", { "{\"v\":1}", "file.wav", 90.0, false, false }, false },
        { "source audio without edit state", { "", "file.wav", 90.0, false, true }, false },
        { "edit state with source audio", savedWithAudio, true },
        { "edit state with a demo source", { "{\"v\":2}", "demo-loop-94.wav", 94.0, true, false }, true },
    };

    for (auto& c : cases)
    {
        const auto calls = dispatch (R"({"type":"ready"})", c.snapshot);
        ASSERT_GE (calls.size(), 1u) << c.name;
        EXPECT_EQ (calls[0], "pushState") << c.name;
        EXPECT_EQ (calls.size(), c.restores ? 2u : 1u) << c.name;
    }

    const auto calls = dispatch (R"({"type":"ready"})", savedWithAudio);
    EXPECT_EQ (calls.at (1), R"(emit tnRestore {"uiState": "{\"v\":1}", "name": "take 1", "bpm": 92.5, "demo": false})");
}

TEST (BridgeDispatcher, ReadyTwiceRestoresTheSameSnapshotTwice)
{
    FakeBridgeEffects effects;
    dispatchPageMessage (juce::JSON::parse (R"({"type":"ready"})"), savedWithAudio, effects);
    dispatchPageMessage (juce::JSON::parse (R"({"type":"ready"})"), savedWithAudio, effects);
    ASSERT_EQ (effects.calls.size(), 4u);
    EXPECT_EQ (effects.calls[0], effects.calls[2]);
    EXPECT_EQ (effects.calls[1], effects.calls[3]);
}

TEST (BridgeDispatcher, AnythingButAKnownTypeIsIgnored)
{
    for (auto* json : { R"({"type":"Ready"})", R"({"type":"ready "})", R"({"type":""})", R"({})", R"([])",
                        R"("ready")", "42", "null", "", "{not json", R"({"type":null})", R"({"type":["ready"]})",
                        R"({"type":{"type":"ready"}})", R"({"kind":"ready"})", R"({"type":"stretchaudio"})" })
        EXPECT_EQ (dispatch (json), Calls {}) << json;
}

TEST (BridgeDispatcher, SessionMessagesStoreTheirFieldsWithDefaults)
{
    struct Case { const char* json; const char* call; };
    const Case cases[] = {
        { R"({"type":"uiState","json":"{\"a\":1}"})", R"(setUiState {"a":1})" },
        { R"({"type":"uiState"})", "setUiState " },
        { R"({"type":"sourceAudio","demo":true,"name":"Funk","bpm":96,"wavBase64":"QUJD"})", "setSessionSource Funk 96 demo 0" },
        { R"({"type":"sourceAudio","demo":false,"name":"mine.wav","bpm":0})", "setSessionSource mine.wav 0 audio 0" },
        { R"({"type":"sourceAudio","name":"mine.wav","wavBase64":"QUJD"})", "setSessionSource mine.wav 0 audio 3" },
        { R"({"type":"sourceAudio","wavBase64":"QUJDREVG!!!"})", "setSessionSource  0 audio 6" },
        { R"({"type":"sourceAudio"})", "setSessionSource  0 audio 0" },
    };

    for (auto& c : cases)
        EXPECT_EQ (dispatch (c.json), Calls { c.call }) << c.json;
}

TEST (BridgeDispatcher, DownloadAndLinks)
{
    struct Case { const char* json; Calls calls; };
    const Case cases[] = {
        { R"({"type":"downloadExport","filename":"beat.mid","base64":"TVRoZA=="})", { "downloadExport beat.mid 4" } },
        { R"({"type":"downloadExport","base64":"TVRoZA=="})", { "downloadExport export.wav 4" } },
        { R"({"type":"downloadExport","filename":"beat.mid"})", { "downloadExport beat.mid 0" } },
        { R"({"type":"downloadExport","filename":"beat.mid","base64":"TVRo ZA=="})", { "downloadExport beat.mid 3" } },
        { R"({"type":"openExternal","url":"https://example.com/manual"})", { "openInBrowser https://example.com/manual" } },
        { R"({"type":"openExternal","url":"http://example.com/manual"})", {} },
        { R"({"type":"openExternal","url":"HTTPS://example.com/manual"})", {} },
        { R"({"type":"openExternal","url":"file:///etc/passwd"})", {} },
        { R"({"type":"openExternal"})", {} },
    };

    for (auto& c : cases)
        EXPECT_EQ (dispatch (c.json), c.calls) << c.json;
}

TEST (BridgeDispatcher, AuditionMessagesDecodeOrDropTheirAudio)
{
    const auto stereo = wavBase64 (2, 4, 44100.0);
    const auto mono = wavBase64 (1, 10, 48000.0);
    const auto emptyWav = wavBase64 (1, 0, 44100.0);

    struct Case { juce::String json; Calls calls; };
    const Case cases[] = {
        { R"({"type":"previewBuffer","loopEndSec":1.5,"base64":")" + stereo + "\"}", { "setPreviewMain 2x4 44100 1.5" } },
        { R"({"type":"previewBuffer","base64":")" + mono + "\"}", { "setPreviewMain 1x10 48000 0" } },
        { R"({"type":"previewBuffer","base64":")" + emptyWav + "\"}", {} },
        { R"({"type":"previewBuffer","base64":"bm90IGEgd2F2"})", {} },
        { R"({"type":"previewBuffer"})", {} },
        { R"({"type":"previewShot","fromSec":0.25,"base64":")" + mono + "\"}", { "setPreviewShot 1x10 48000", "playPreviewShot 0.25" } },
        { R"({"type":"previewShot","base64":"!!"})", {} },
        { R"({"type":"previewPlay","offsetSec":2.5})", { "playPreviewMain 2.5" } },
        { R"({"type":"previewPlay","offsetSec":1e999})", { "playPreviewMain 0" } },
        { R"({"type":"previewPlay"})", { "playPreviewMain 0" } },
        { R"({"type":"previewStop"})", { "stopPreview" } },
        { R"({"type":"startCapture"})", { "startCapture" } },
        { R"({"type":"stopCapture"})", { "stopCapture" } },
    };

    for (auto& c : cases)
        EXPECT_EQ (dispatch (c.json), c.calls) << c.json;
}

TEST (BridgeDispatcher, StretchIsLaunchedOrAnsweredBadRequestAtOnce)
{
    const auto stereo = wavBase64 (2, 100, 44100.0);
    const auto badRequest = [] (const char* id) { return juce::String ("emit tnStretchResult {\"reqId\": \"") + id + "\", \"error\": \"bad request\"}"; };

    struct Case { juce::String json; Calls calls; };
    const Case cases[] = {
        { R"({"type":"stretchAudio","reqId":"a1","ratio":1.25,"base64":")" + stereo + "\"}", { "launchStretch a1 2x100 44100 1.25" } },
        { R"({"type":"stretchAudio","reqId":"","ratio":1.25,"base64":")" + stereo + "\"}", { badRequest ("") } },
        { R"({"type":"stretchAudio","ratio":1.25,"base64":")" + stereo + "\"}", { badRequest ("") } },
        { R"({"type":"stretchAudio","reqId":"a2","ratio":0,"base64":")" + stereo + "\"}", { badRequest ("a2") } },
        { R"({"type":"stretchAudio","reqId":"a3","ratio":-2,"base64":")" + stereo + "\"}", { badRequest ("a3") } },
        { R"({"type":"stretchAudio","reqId":"a4","ratio":1.25,"base64":"bm90IGEgd2F2"})", { badRequest ("a4") } },
        { R"({"type":"stretchAudio","reqId":"a5","ratio":1e999,"base64":")" + stereo + "\"}", { badRequest ("a5") } },
        { R"({"type":"stretchAudio","reqId":"a6","ratio":1e-9,"base64":")" + stereo + "\"}", { badRequest ("a6") } },
        { R"({"type":"stretchAudio","reqId":"a7","base64":")" + stereo + "\"}", { badRequest ("a7") } },
        { R"({"type":"stretchAudio","reqId":7,"ratio":"2","base64":")" + stereo + "\"}", { "launchStretch 7 2x100 44100 2" } },
        { R"({"type":"stretchAudio","reqId":"a8","ratio":1.25,"base64":")" + wavBase64 (1, 100, 4.0e9) + "\"}", { badRequest ("a8") } },
        { R"({"type":"stretchAudio","reqId":"a9","ratio":1.25,"base64":")" + wavBase64 (1, 100, 1000.0) + "\"}", { badRequest ("a9") } },
        { R"({"type":"stretchAudio","reqId":"b1","ratio":1.25,"base64":")" + wavBase64 (1, 100, 768000.0) + "\"}", { "launchStretch b1 1x100 768000 1.25" } },
    };

    for (auto& c : cases)
        EXPECT_EQ (dispatch (c.json), c.calls) << c.json.substring (0, 80);
}

TEST (BridgeDispatcher, ExportStateReplacesWhileSaveAndDragKeepAbsentFields)
{
    FakeBridgeEffects effects;
    auto run = [&] (const char* json) { return dispatch (json, {}, &effects); };

    EXPECT_EQ (run (R"({"type":"exportState","filename":"funk-groove-gm.mid","base64":"TVRoZA=="})"),
               (Calls { "setExport funk-groove-gm.mid TVRoZA==", "repaintDragBar" }));
    EXPECT_EQ (run (R"({"type":"saveExport"})"),
               (Calls { "setExport funk-groove-gm.mid TVRoZA==", "saveExportViaDialog" }));
    EXPECT_EQ (run (R"({"type":"dragExport","filename":"other.agr"})"),
               (Calls { "setExport other.agr TVRoZA==", "saveExportViaDialog" }));
    EXPECT_EQ (run (R"({"type":"exportState"})"), (Calls { "setExport  ", "repaintDragBar" }));
    EXPECT_EQ (run (R"({"type":"saveExport","base64":"QUJD"})"), (Calls { "setExport  QUJD", "saveExportViaDialog" }));
}

TEST (BridgeTransport, EventScriptsAreAsciiAndCarryThePayloadExactly)
{
    auto payload = juce::DynamicObject::Ptr (new juce::DynamicObject());
    const auto name = juce::String (juce::CharPointer_UTF8 ("caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80 it's \"x\" \\ done\n"));
    payload->setProperty ("name", name);
    payload->setProperty ("bpm", 97.5);
    const auto script = bridgeEventScript (BridgeEvents::restore, juce::var (payload.get()));

    for (auto c : script)
        ASSERT_LT ((int) c, 128) << script;

    // Undo the JavaScript literal quoting, then parse the JSON the page would parse.
    const auto prefix = juce::String ("window.__JUCE__.backend.emitByBackend(\"tnRestore\", '");
    ASSERT_TRUE (script.startsWith (prefix)) << script;
    ASSERT_TRUE (script.endsWith ("');")) << script;
    auto literal = script.substring (prefix.length(), script.length() - 3);
    juce::String json;

    for (int i = 0; i < literal.length(); ++i)
        json << juce::String::charToString (literal[i] == '\\' ? literal[++i] : literal[i]);

    const auto parsed = juce::JSON::parse (json);
    EXPECT_EQ (parsed.getProperty ("name", {}).toString(), name);
    EXPECT_EQ ((double) parsed.getProperty ("bpm", {}), 97.5);
}
