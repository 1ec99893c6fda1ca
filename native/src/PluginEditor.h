// TindleEditor: the window content for TindleProcessor. A thin native frame around the web view
// that shows the page (served by the resource server), the bridge listener and emitter, the
// 100 ms status timer, the current export and the drag-to-host strip along the bottom edge.
// Everything here runs on the message thread; the processor is touched only through its
// atomics and locked operations.
#pragma once

#include "BridgeDispatcher.h"
#include "PluginProcessor.h"
#include "ResourceServer.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_extra/juce_gui_extra.h>

/** What the drag strip reads and calls; the editor implements it. Message thread. */
class DragBarOwner
{
public:
    virtual ~DragBarOwner() = default;
    virtual const juce::String& getCurrentExportName() const noexcept = 0;
    virtual const juce::String& getCurrentExportData() const noexcept = 0;
    virtual void saveExportViaDialog() = 0;
};

/** Where the editor puts its children: the strip takes the bottom min (34, height) pixels. */
struct EditorLayout
{
    juce::Rectangle<int> webView, dragBar;
};

EditorLayout layoutEditor (juce::Rectangle<int> bounds);

class TindleEditor : public juce::AudioProcessorEditor,
                     public DragBarOwner,
                     private juce::Timer,
                     private BridgeEffects,
                     private ResourceSources
{
public:
    explicit TindleEditor (TindleProcessor&);
    ~TindleEditor() override;

    void resized() override;

    /** The tnToNative listener: one page message, on the message thread. */
    void handleFromPage (const juce::var& payload);

    /** Builds the status record and emits it as tnFromNative (while the web view is visible). */
    void pushState() override;

    /** Opens the save dialog for the current export; nothing without an export. */
    void saveExportViaDialog() override;

    /** The resource provider: a path below the resource-provider root to a response. */
    std::optional<Resource> resourceProvider (const juce::String& path);

    static constexpr int dragBarHeight = 34;

    /** The drag-to-host strip: shows the current export, starts an external file drag of it,
        or opens the save dialog on a click. */
    class DragBar : public juce::Component
    {
    public:
        explicit DragBar (DragBarOwner& editor) : owner (editor) {}

        void paint (juce::Graphics&) override;
        void mouseEnter (const juce::MouseEvent&) override;
        void mouseExit (const juce::MouseEvent&) override;
        void mouseDrag (const juce::MouseEvent&) override;
        void mouseUp (const juce::MouseEvent&) override;

        /** The strip's text for the current export (or its empty text). */
        static juce::String textFor (const juce::String& exportName, bool hasExport);

        bool isHovering() const noexcept { return hover; }
        bool isDragging() const noexcept { return dragging; }

    private:
        DragBarOwner& owner;
        bool hover = false;
        bool dragging = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DragBar)
    };

    // Read by the drag strip and by tests.
    const juce::String& getCurrentExportName() const noexcept override { return exportName; }
    const juce::String& getCurrentExportData() const noexcept override { return exportData; }
    int getCaptureId() const noexcept { return captureId; }
    juce::WebBrowserComponent* getWebView() const noexcept { return webView.get(); }
    DragBar& getDragBar() noexcept { return dragBar; }

private:
    void timerCallback() override;

    // BridgeEffects
    void emitToPage (const juce::Identifier& eventId, const juce::var& payload) override;
    void setUiState (const juce::String& json) override;
    void setSessionSource (const juce::String& name, double bpm, bool demo, juce::MemoryBlock wavBytes) override;
    void downloadExport (const juce::String& fileName, const juce::MemoryBlock& bytes) override;
    void openInBrowser (const juce::URL& url) override;
    void setPreviewMain (juce::AudioBuffer<float>&& buffer, double sampleRate, double loopEndSec) override;
    void setPreviewShot (juce::AudioBuffer<float>&& buffer, double sampleRate) override;
    void playPreviewMain (double offsetSec) override;
    void playPreviewShot (double fromSec) override;
    void stopPreview() override;
    void launchStretch (const juce::String& reqId, std::shared_ptr<juce::AudioBuffer<float>> input,
                        double sampleRate, double ratio) override;
    void startCapture() override;
    void stopCapture() override;
    juce::String getExportName() const override { return exportName; }
    juce::String getExportData() const override { return exportData; }
    void setExport (const juce::String& name, const juce::String& base64) override;
    void repaintDragBar() override;

    // ResourceSources
    std::optional<Resource> captureWav() override;
    std::optional<Resource> restoreWav() override;
    std::optional<Resource> embeddedFile (const juce::String& fileName) override;
    std::optional<juce::MemoryBlock> fetchFromService (const juce::URL& target) override;
    juce::String serviceBaseUrl() const override;

    RestoreSnapshot restoreSnapshot() const;

    TindleProcessor& tindleProcessor; // "processor" is taken by the base class
    TindleProcessor::SavedSession restoreSession;
    std::unique_ptr<juce::WebBrowserComponent> webView;
    std::unique_ptr<juce::FileChooser> saveChooser;
    DragBar dragBar { *this };
    juce::String exportName, exportData;
    bool wasCapturing = false;
    int captureId = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TindleEditor)
};
