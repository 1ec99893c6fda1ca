#include "PluginEditor.h"

#include "BridgeTransport.h"
#include "CaptureWav.h"
#include "EditorTestHook.h"
#include "ExportFiles.h"
#include "StatusPush.h"
#include "StretchService.h"

#if JucePlugin_Build_Standalone
 #include <juce_audio_utils/juce_audio_utils.h>
 #include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>
#endif

EditorTestHook* editorTestHook = nullptr;

namespace
{
    juce::WebBrowserComponent::Options makeWebViewOptions (TindleEditor& editor)
    {
        auto options = juce::WebBrowserComponent::Options{}
                           .withNativeIntegrationEnabled()
                           .withResourceProvider ([&editor] (const juce::String& path) { return editor.resourceProvider (path); })
                           .withEventListener (BridgeEvents::toNative, [&editor] (const juce::var& payload) { editor.handleFromPage (payload); })
                           .withUserScript (asciiOutgoingMessagesScript());

        if (editorTestHook != nullptr && editorTestHook->adjustOptions != nullptr)
            options = editorTestHook->adjustOptions (std::move (options));

        return options;
    }

    juce::String startAddress()
    {
        const auto root = juce::WebBrowserComponent::getResourceProviderRoot();
        return editorTestHook != nullptr ? root + editorTestHook->startPath : root;
    }
}

TindleEditor::TindleEditor (TindleProcessor& p)
    : AudioProcessorEditor (p),
      tindleProcessor (p),
      restoreSession (p.savedSession())
{
    webView = std::make_unique<juce::WebBrowserComponent> (makeWebViewOptions (*this));
    addAndMakeVisible (*webView);
    webView->goToURL (startAddress());

    addAndMakeVisible (dragBar);

   #if JucePlugin_Build_Standalone
    // The wrapper mutes the input by default; captures need it, and processBlock silences the
    // pass-through in the standalone application, so there is no feedback.
    if (auto* holder = juce::StandalonePluginHolder::getInstance())
        holder->getMuteInputValue().setValue (false);
   #endif

    setResizable (true, true);
    setResizeLimits (760, 560, 2400, 1800);
    setSize (1020, 810);

    startTimer (100);
}

TindleEditor::~TindleEditor()
{
    stopTimer();
    tindleProcessor.releaseDirectOutput();
}

EditorLayout layoutEditor (juce::Rectangle<int> bounds)
{
    EditorLayout layout;
    layout.dragBar = bounds.removeFromBottom (juce::jmin (TindleEditor::dragBarHeight, bounds.getHeight()));
    layout.webView = bounds;
    return layout;
}

void TindleEditor::resized()
{
    const auto layout = layoutEditor (getLocalBounds());
    dragBar.setBounds (layout.dragBar);

    if (webView != nullptr)
        webView->setBounds (layout.webView);
}

//==============================================================================
void TindleEditor::handleFromPage (const juce::var& payload)
{
    dispatchPageMessage (payload, restoreSnapshot(), *this);
}

RestoreSnapshot TindleEditor::restoreSnapshot() const
{
    return { restoreSession.uiState, restoreSession.srcName, restoreSession.srcBpm,
             restoreSession.srcDemo, ! restoreSession.srcWav.isEmpty() };
}

void TindleEditor::emitToPage (const juce::Identifier& eventId, const juce::var& payload)
{
    // As emitEventIfBrowserIsVisible, but ASCII-only on the wire (see BridgeTransport.h).
    if (webView != nullptr && webView->isVisible())
        webView->evaluateJavascript (bridgeEventScript (eventId, payload));
}

void TindleEditor::setUiState (const juce::String& json)       { tindleProcessor.setUiState (json); }
void TindleEditor::openInBrowser (const juce::URL& url)        { url.launchInDefaultBrowser(); }
void TindleEditor::playPreviewMain (double offsetSec)          { tindleProcessor.playPreviewMain (offsetSec); }
void TindleEditor::playPreviewShot (double fromSec)            { tindleProcessor.playPreviewShot (fromSec); }
void TindleEditor::stopPreview()                               { tindleProcessor.stopPreview(); }
void TindleEditor::startCapture()                              { tindleProcessor.startCapture(); }
void TindleEditor::stopCapture()                               { tindleProcessor.stopCapture(); }
void TindleEditor::repaintDragBar()                            { dragBar.repaint(); }

void TindleEditor::setSessionSource (const juce::String& name, double bpm, bool demo, juce::MemoryBlock wavBytes)
{
    tindleProcessor.setSessionSource (name, bpm, demo, std::move (wavBytes));
}

void TindleEditor::downloadExport (const juce::String& fileName, const juce::MemoryBlock& bytes)
{
    writeDownload (downloadsFolder(), fileName, bytes);
}

void TindleEditor::setPreviewMain (juce::AudioBuffer<float>&& buffer, double sampleRate, double loopEndSec)
{
    tindleProcessor.setPreviewMain (std::move (buffer), sampleRate, loopEndSec);
}

void TindleEditor::setPreviewShot (juce::AudioBuffer<float>&& buffer, double sampleRate)
{
    tindleProcessor.setPreviewShot (std::move (buffer), sampleRate);
}

void TindleEditor::launchStretch (const juce::String& reqId, std::shared_ptr<juce::AudioBuffer<float>> input,
                                  double sampleRate, double ratio)
{
    StretchJob job;
    job.editorGuard = this;
    job.reqId = reqId;
    job.input = std::move (input);
    job.sampleRate = sampleRate;
    job.ratio = ratio;
    job.answer = [] (juce::Component& editor, const juce::String& id, const juce::String& base64)
    {
        auto answer = juce::DynamicObject::Ptr (new juce::DynamicObject());
        answer->setProperty ("reqId", id);
        answer->setProperty ("base64", base64);
        static_cast<TindleEditor&> (editor).emitToPage (BridgeEvents::stretchResult, juce::var (answer.get()));
    };
    launchStretchJob (std::move (job));
}

void TindleEditor::setExport (const juce::String& name, const juce::String& base64)
{
    exportName = name;
    exportData = base64;
}

//==============================================================================
void TindleEditor::timerCallback()
{
    const bool now = tindleProcessor.capturing.load();

    if (captureHasJustEnded (wasCapturing, now, tindleProcessor.captureWritePos.load(), tindleProcessor.captureSampleRate))
        ++captureId;

    wasCapturing = now;

    if (! tindleProcessor.isStandalone())
    {
        if (hostHasGoneQuiet (juce::Time::getMillisecondCounterHiRes(), tindleProcessor.lastBlockMs.load()))
            tindleProcessor.ensureDirectOutput();
        else
            tindleProcessor.releaseDirectOutput();
    }

    pushState();
}

static_assert (framesPerPeakBlock == TindleProcessor::peakBlockSize, "the strip reads the processor's peak blocks");

void TindleEditor::pushState()
{
    StatusReading reading;
    reading.capturing = tindleProcessor.capturing.load();
    reading.seconds = captureSeconds (tindleProcessor.captureWritePos.load(), tindleProcessor.captureSampleRate);
    reading.hostBpm = tindleProcessor.hostBpm.load();
    reading.captureId = captureId;
    reading.previewPlaying = tindleProcessor.previewMode.load() != 0;
    reading.previewEnded = tindleProcessor.previewEndCount.load();

    std::vector<float> peaks;

    if (reading.capturing)
    {
        const auto& store = tindleProcessor.capturePeaks;
        peaks = reducePeakStrip (store.size(), tindleProcessor.captureWritePos.load(),
                                 [&store] (size_t i) { return store[i].load (std::memory_order_relaxed); });
    }

    emitToPage (BridgeEvents::fromNative, makeStatusRecord (reading, peaks));
}

//==============================================================================
std::optional<Resource> TindleEditor::resourceProvider (const juce::String& path)
{
    return serveResource (path, *this);
}

std::optional<Resource> TindleEditor::captureWav()
{
    return captureWavResource (tindleProcessor);
}

std::optional<Resource> TindleEditor::restoreWav()
{
    const auto& bytes = restoreSession.srcWav;

    if (bytes.isEmpty())
        return std::nullopt;

    return makeResponse (bytes.getData(), bytes.getSize(), "audio/wav");
}

std::optional<Resource> TindleEditor::embeddedFile (const juce::String& fileName)
{
    return findEmbeddedFile (fileName);
}

std::optional<juce::MemoryBlock> TindleEditor::fetchFromService (const juce::URL& target)
{
    return fetchWithTimeout (target);
}

juce::String TindleEditor::serviceBaseUrl() const
{
    return configuredServiceBaseUrl();
}

//==============================================================================
void TindleEditor::saveExportViaDialog()
{
    if (exportData.isEmpty())
        return;

    const auto proposed = proposedSaveName (exportName);
    const auto initial = juce::File::getSpecialLocation (juce::File::userDesktopDirectory).getChildFile (proposed);
    saveChooser = std::make_unique<juce::FileChooser> ("Save groove", initial, saveFilterPattern (proposed), true);

    // The dialog writes the export as it was when it opened, whatever arrives meanwhile.
    saveChooser->launchAsync (juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles,
                              [data = exportData] (const juce::FileChooser& chooser)
                              {
                                  const auto target = chooser.getResult();

                                  if (target == juce::File())
                                      return;

                                  juce::MemoryOutputStream bytes;

                                  if (juce::Base64::convertFromBase64 (bytes, data))
                                      target.replaceWithData (bytes.getData(), bytes.getDataSize());
                              });
}
