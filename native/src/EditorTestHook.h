// A seam for the end-to-end test build only: that build links one extra translation unit whose
// static initialiser sets editorTestHook, so the test can serve its own driver page next to the
// real routes and talk to the real bridge. The shipped application leaves it null.
#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include <functional>

struct EditorTestHook
{
    /** Adjusts the editor's web view options before the web view is created. */
    std::function<juce::WebBrowserComponent::Options (juce::WebBrowserComponent::Options)> adjustOptions;
    /** Path below the resource-provider root to open instead of the page. */
    juce::String startPath;
};

extern EditorTestHook* editorTestHook;
