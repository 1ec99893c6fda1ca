#include "ResourceServer.h"

#include <BinaryData.h>

#ifndef TINDLE_SERVICE_BASE_URL
 #define TINDLE_SERVICE_BASE_URL "http://127.0.0.1:47810/"
#endif

namespace
{
    const juce::String passThroughPrefix { "ostrelapi/" };

    bool isPlainUrlText (const juce::String& text)
    {
        // RFC 3986 path and query characters only: no blanks, controls, back-slashes or "#".
        return text.containsOnly ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                  "-._~!$&'()*+,;=:@%/");
    }

    bool hasDotSegment (const juce::String& rest)
    {
        for (auto& segment : juce::StringArray::fromTokens (rest, "/", {}))
        {
            // Escaped dots or slashes must not smuggle a parent step past this check.
            const auto decoded = juce::URL::removeEscapeChars (segment);

            for (auto& piece : juce::StringArray::fromTokens (decoded, "/\\", {}))
                if (piece == "." || piece == "..")
                    return true;
        }

        return false;
    }
}

Resource makeResponse (const void* data, size_t size, const juce::String& mimeType)
{
    Resource resource;
    resource.data.resize (size);

    if (size > 0)
        std::memcpy (resource.data.data(), data, size);

    resource.mimeType = mimeType;
    return resource;
}

ResourceRequest normaliseResourceRequest (const juce::String& requested)
{
    ResourceRequest request;
    const auto question = requested.indexOfChar ('?');
    auto path = question >= 0 ? requested.substring (0, question) : requested;
    request.query = question >= 0 ? requested.substring (question + 1) : juce::String();

    while (path.startsWithChar ('/'))
        path = path.substring (1);

    request.path = path;
    return request;
}

juce::String mimeTypeForFileName (const juce::String& fileName)
{
    static const std::pair<const char*, const char*> table[] = {
        { ".html", "text/html" },    { ".js", "text/javascript" }, { ".css", "text/css" },
        { ".svg", "image/svg+xml" }, { ".png", "image/png" },      { ".woff2", "font/woff2" },
        { ".wav", "audio/wav" },     { ".json", "application/json" },
    };

    for (auto& [ending, type] : table)
        if (fileName.endsWith (ending))
            return type;

    return "application/octet-stream";
}

juce::String serviceTargetFor (const ResourceRequest& request, const juce::String& baseUrl)
{
    if (! (baseUrl.startsWith ("http://") || baseUrl.startsWith ("https://")) || ! baseUrl.endsWithChar ('/'))
        return {};

    const auto rest = request.path.fromFirstOccurrenceOf (passThroughPrefix, false, false);

    if (! isPlainUrlText (rest) || ! isPlainUrlText (request.query) || hasDotSegment (rest)
        || rest.startsWithChar ('/') || rest.contains ("//"))
        return {};

    auto target = baseUrl + rest;

    if (request.query.isNotEmpty())
        target << "?" << request.query;
    else if (request.path == "ostrelapi/releases")
        target << "?limit=200"; // the release list is always asked for 200 entries

    return target;
}

std::optional<Resource> serveResource (const juce::String& requested, ResourceSources& sources)
{
    const auto request = normaliseResourceRequest (requested);
    const auto& path = request.path;

    if (path.isEmpty())
        return sources.embeddedFile ("plugin.html");

    if (path.startsWith (passThroughPrefix))
    {
        const auto target = serviceTargetFor (request, sources.serviceBaseUrl());

        if (target.isEmpty())
            return std::nullopt;

        auto body = sources.fetchFromService (juce::URL (target));

        if (! body.has_value())
            return std::nullopt;

        return makeResponse (body->getData(), body->getSize(),
                             path.contains ("preview-audio") ? "audio/mpeg" : "application/json");
    }

    if (path == "capture.wav")
        return sources.captureWav();

    if (path == "restore.wav")
        return sources.restoreWav();

    const auto name = path.fromLastOccurrenceOf ("/", false, false);
    return name.isEmpty() ? std::nullopt : sources.embeddedFile (name);
}

std::optional<Resource> findEmbeddedFile (const juce::String& fileName)
{
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
    {
        const auto* resourceName = BinaryData::namedResourceList[i];

        if (fileName != BinaryData::getNamedResourceOriginalFilename (resourceName))
            continue;

        int size = 0;
        const auto* data = BinaryData::getNamedResource (resourceName, size);

        if (data == nullptr)
            return std::nullopt;

        return makeResponse (data, (size_t) size, mimeTypeForFileName (fileName));
    }

    return std::nullopt;
}

std::optional<juce::MemoryBlock> fetchWithTimeout (const juce::URL& target)
{
    int statusCode = 0;
    const auto options = juce::URL::InputStreamOptions (juce::URL::ParameterHandling::inAddress)
                             .withConnectionTimeoutMs (8000)
                             .withStatusCode (&statusCode);
    auto stream = target.createInputStream (options);

    // An error status carries the service's error page, not an answer the page can use.
    if (stream == nullptr || statusCode < 200 || statusCode > 299)
        return std::nullopt;

    juce::MemoryBlock body;
    stream->readIntoMemoryBlock (body);
    return body;
}

juce::String configuredServiceBaseUrl()
{
    return TINDLE_SERVICE_BASE_URL;
}
