// The resource server behind the web view: maps a request path below the resource-provider
// root to a response (embedded page files and media, the latest capture, the restored source,
// the catalogue service pass-through) or to nothing (404). It never reads the disk.
// Message thread; the pass-through blocks it for up to the connection time-out plus the transfer.
#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include <optional>

using Resource = juce::WebBrowserComponent::Resource;

/** A request path split at its first "?", with every leading "/" removed from the path. */
struct ResourceRequest
{
    juce::String path, query;
};

ResourceRequest normaliseResourceRequest (const juce::String& requested);

/** A 200 response: a copy of the bytes with the given MIME type. */
Resource makeResponse (const void* data, size_t size, const juce::String& mimeType);

/** MIME type of an embedded file, by the ending of its name (case-sensitive). */
juce::String mimeTypeForFileName (const juce::String& fileName);

/** The content the routes read. The editor implements it over the processor, its snapshot and
    the embedded files; tests use fakes. */
class ResourceSources
{
public:
    virtual ~ResourceSources() = default;

    virtual std::optional<Resource> captureWav() = 0;
    virtual std::optional<Resource> restoreWav() = 0;
    virtual std::optional<Resource> embeddedFile (const juce::String& fileName) = 0;
    /** GET target from the catalogue service; the body, or nothing on any failure. */
    virtual std::optional<juce::MemoryBlock> fetchFromService (const juce::URL& target) = 0;
    virtual juce::String serviceBaseUrl() const = 0;
};

/** Routes one request, in order: "" (the page), "ostrelapi/…", "capture.wav", "restore.wav",
    then embedded files by the path's last segment. */
std::optional<Resource> serveResource (const juce::String& requested, ResourceSources& sources);

/** The service address for a pass-through path, or "" when the path would leave the base
    (dot segments, back-slashes, control characters, "@" or ":" tricks) or the base is unusable. */
juce::String serviceTargetFor (const ResourceRequest& request, const juce::String& baseUrl);

/** The embedded file whose original file name equals fileName, from the binary-data set. */
std::optional<Resource> findEmbeddedFile (const juce::String& fileName);

/** GET with an 8,000 ms connection time-out; nothing when no stream opens. */
std::optional<juce::MemoryBlock> fetchWithTimeout (const juce::URL& target);

/** The catalogue service's base address this build was configured with (ends in "/"). */
juce::String configuredServiceBaseUrl();
