// Linked only into the end-to-end test build of the standalone application (Tindle_E2E), never
// into the shipped one. It serves a small driver page next to the real routes and connects it
// to the test through the process's pipes:
//   stdin  one JSON command per line, passed to the page as the event tnE2eCommand (except
//          {"op":"quit"}, which quits the application as its close button would);
//   stdout one line "E2E <json>" per report the page sends back as tnE2eReport.
// The driver page talks to the real bridge (tnToNative, tnFromNative, tnRestore,
// tnStretchResult) and fetches relative URLs from the real resource server.
#include "BridgeTransport.h"
#include "EditorTestHook.h"

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
                    return real (path);
                })
                .withEventListener ("tnE2eReport", [] (const juce::var& report)
                {
                    std::cout << "E2E " << juce::JSON::toString (report, true) << std::endl;
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

        editorTestHook = &hook;
        std::thread (readCommands).detach();
        return true;
    }();
}
