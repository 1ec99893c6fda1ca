// Linked only into the end-to-end test build of the standalone application (Tindle_E2E), never
// into the shipped one. It serves a small driver page next to the real routes and connects it
// to the test through the process's pipes:
//   stdin  one JSON command per line, passed to the page as the event tnE2eCommand, except
//          {"op":"quit"}, which quits the application as its close button would, and
//          {"op":"eval","script":...}, which runs the script in whatever page is showing; that
//          page reports {"op":"evaluated","result":...} (or {"op":"error","message":...});
//   stdout one line "E2E <json>" per report: those the page sends back as tnE2eReport, and
//          those written here: {"op":"resource"} for every request put to the resource server
//          (path, found, type, size), {"op":"toNative"} for every tnToNative payload.
// The driver page talks to the real bridge (tnToNative, tnFromNative, tnRestore,
// tnStretchResult) and fetches relative URLs from the real resource server. With the
// environment variable TINDLE_E2E_START_PATH set (empty for the real page), the web view
// starts at that path below the resource-provider root instead of the driver page.
#include "BridgeTransport.h"
#include "EditorTestHook.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

namespace
{
    const char* driverPage = R"html(<!doctype html>
<html><head><meta charset="utf-8"><title>Tindle end-to-end driver</title></head>
<body style="background:#141210;color:#ede6da;font:14px sans-serif">end-to-end driver
<script>
(function () {
  const backend = window.__JUCE__.backend;
  const report = (o) => backend.emitEvent("tnE2eReport", o);
  const toBase64 = (bytes) => {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  };
  for (const id of ["tnFromNative", "tnRestore", "tnStretchResult"])
    backend.addEventListener(id, (payload) => report({ event: id, payload, at: performance.now() }));
  backend.addEventListener("tnE2eCommand", async (cmd) => {
    try {
      if (cmd.op === "send") {
        for (const m of cmd.messages) backend.emitEvent("tnToNative", m);
        report({ op: "sent", id: cmd.id, at: performance.now() });
      } else if (cmd.op === "fetch") {
        const started = performance.now();
        const response = await fetch(cmd.url);
        const bytes = new Uint8Array(await response.arrayBuffer());
        report({ op: "fetched", id: cmd.id, status: response.status, type: response.headers.get("Content-Type"),
                 size: bytes.length, ms: performance.now() - started, base64: cmd.wantBody ? toBase64(bytes) : "" });
      }
    } catch (e) {
      report({ op: "error", id: cmd.id, message: String(e) });
    }
  });
  report({ op: "loaded", at: performance.now() });
})();
</script></body></html>)html";

    struct Bridge final : juce::WebViewLifetimeListener
    {
        std::mutex lock;
        juce::WebBrowserComponent* webView = nullptr;

        void webViewConstructed (juce::WebBrowserComponent* w) override
        {
            std::scoped_lock guard (lock);
            webView = w;
        }

        void webViewDestructed (juce::WebBrowserComponent* w) override
        {
            std::scoped_lock guard (lock);
            if (webView == w)
                webView = nullptr;
        }

        void deliverOnMessageThread (const juce::var& command)
        {
            // ASCII-only on the wire, as the editor's own events (see BridgeTransport.h).
            if (webView != nullptr && webView->isVisible())
                webView->evaluateJavascript (bridgeEventScript ("tnE2eCommand", command));
        }
    };

    Bridge bridge;

    void writeReport (const juce::var& report)
    {
        std::cout << "E2E " << juce::JSON::toString (report, true) << std::endl;
    }

    juce::var makeReport (std::initializer_list<std::pair<const char*, juce::var>> fields)
    {
        auto object = juce::DynamicObject::Ptr (new juce::DynamicObject());

        for (auto& [name, value] : fields)
            object->setProperty (name, value);

        return juce::var (object.get());
    }

    /** The payload with long texts (Base64 audio) replaced by their length, to keep reports short. */
    juce::var shortened (const juce::var& payload)
    {
        auto* object = payload.getDynamicObject();

        if (object == nullptr)
            return payload;

        auto copy = juce::DynamicObject::Ptr (new juce::DynamicObject());

        for (auto& property : object->getProperties())
        {
            const auto& value = property.value;
            const auto isLong = value.isString() && value.toString().length() > 4096;
            copy->setProperty (property.name, isLong ? juce::var ("<" + juce::String (value.toString().length()) + " characters>")
                                                     : value);
        }

        return juce::var (copy.get());
    }

    /** Runs the command's script in the showing page; the page reports the value as tnE2eReport.
        JUCE 8.0.6's WebKitGTK back end answers every evaluation, also those that asked for no
        answer (the status push), and hands the answers to the waiting callbacks in arrival order,
        so a result callback can receive another script's value: the report avoids that path. */
    void evaluate (const juce::var& command)
    {
        const auto ascii = juce::JSON::FormatOptions {}.withSpacing (juce::JSON::Spacing::none)
                                                       .withEncoding (juce::JSON::Encoding::ascii);
        const auto id = juce::JSON::toString (command.getProperty ("id", {}), ascii);
        const auto script = juce::JSON::toString (command.getProperty ("script", {}).toString(), ascii);

        if (bridge.webView == nullptr)
        {
            writeReport (makeReport ({ { "op", "error" }, { "id", command.getProperty ("id", {}) }, { "message", "no web view" } }));
            return;
        }

        bridge.webView->evaluateJavascript ("(function () {\n"
                                            "  const report = (o) => window.__JUCE__.backend.emitEvent(\"tnE2eReport\", o);\n"
                                            "  try { report({ op: \"evaluated\", id: " + id + ", result: (0, eval)(" + script + ") }); }\n"
                                            "  catch (e) { report({ op: \"error\", id: " + id + ", message: String(e) }); }\n"
                                            "})();");
    }

    void readCommands()
    {
        for (std::string line; std::getline (std::cin, line);)
        {
            auto command = juce::JSON::parse (juce::String::fromUTF8 (line.c_str()));

            juce::MessageManager::callAsync ([command]
            {
                // "quit" is handled here, as the window's close button would: the wrapper then
                // saves its settings, including the processor's state.
                if (command.getProperty ("op", {}).toString() == "quit")
                {
                    if (auto* app = juce::JUCEApplicationBase::getInstance())
                        app->systemRequestedQuit();
                    return;
                }

                if (command.getProperty ("op", {}).toString() == "eval")
                {
                    evaluate (command);
                    return;
                }

                bridge.deliverOnMessageThread (command);
            });
        }
    }

    EditorTestHook hook {
        [] (juce::WebBrowserComponent::Options options)
        {
            auto real = options.getResourceProvider();
            return options
                .withResourceProvider ([real] (const juce::String& path) -> std::optional<juce::WebBrowserComponent::Resource>
                {
                    if (path == "/e2e.html")
                    {
                        juce::WebBrowserComponent::Resource page;
                        const auto* text = driverPage;
                        page.data.resize (std::strlen (text));
                        std::memcpy (page.data.data(), text, page.data.size());
                        page.mimeType = "text/html";
                        return page;
                    }

                    auto answer = real (path);
                    writeReport (makeReport ({ { "op", "resource" }, { "path", path }, { "found", answer.has_value() },
                                               { "type", answer ? juce::var (answer->mimeType) : juce::var() },
                                               { "size", answer ? juce::var ((juce::int64) answer->data.size()) : juce::var() } }));
                    return answer;
                })
                .withEventListener ("tnE2eReport", [] (const juce::var& report) { writeReport (report); })
                // A second listener next to the editor's own: the framework calls every listener of an id.
                .withEventListener ("tnToNative", [] (const juce::var& payload)
                {
                    writeReport (makeReport ({ { "op", "toNative" }, { "payload", shortened (payload) } }));
                })
                .withWebViewLifetimeListener (&bridge);
        },
        "e2e.html"
    };

    /** The web view's child process is this executable started again; it must not read stdin. */
    bool isWebViewChildProcess()
    {
        std::ifstream file ("/proc/self/cmdline", std::ios::binary);
        const std::string arguments ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());
        return arguments.find ("--juce-gtkwebkitfork-child") != std::string::npos;
    }

    const bool installed = []
    {
        if (isWebViewChildProcess())
            return false;

        if (const auto* start = std::getenv ("TINDLE_E2E_START_PATH"))
            hook.startPath = juce::String::fromUTF8 (start);

        editorTestHook = &hook;
        std::thread (readCommands).detach();
        return true;
    }();
}
