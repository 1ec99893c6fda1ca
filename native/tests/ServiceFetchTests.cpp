// The pass-through's fetch against local sockets: a service that is down, answers garbage,
// answers an error, never answers, or answers properly. None may hang past the time-out.
#include "ResourceServer.h"

#include <gtest/gtest.h>

namespace
{
    /** Accepts one connection on a free loopback port and answers it with `reply` (or keeps it
        open without a word when reply is empty). */
    class OneShotServer final : private juce::Thread
    {
    public:
        explicit OneShotServer (juce::String replyText) : juce::Thread ("one-shot server"), reply (std::move (replyText))
        {
            listener.createListener (0, "127.0.0.1");
            startThread();
        }

        ~OneShotServer() override
        {
            signalThreadShouldExit();
            listener.close();
            stopThread (12000);
        }

        juce::String base() const { return "http://127.0.0.1:" + juce::String (listener.getBoundPort()) + "/"; }

    private:
        void run() override
        {
            std::unique_ptr<juce::StreamingSocket> client (listener.waitForNextConnection());

            if (client == nullptr)
                return;

            char request[4096];
            client->read (request, sizeof (request), false);

            if (reply.isNotEmpty())
                client->write (reply.toRawUTF8(), (int) reply.getNumBytesAsUTF8());
            else
                while (! threadShouldExit())
                    wait (50);
        }

        juce::StreamingSocket listener;
        juce::String reply;
    };

    struct Timed
    {
        std::optional<juce::MemoryBlock> body;
        double seconds;
    };

    Timed fetch (const juce::String& url)
    {
        const auto start = juce::Time::getMillisecondCounterHiRes();
        auto body = fetchWithTimeout (juce::URL (url));
        return { std::move (body), (juce::Time::getMillisecondCounterHiRes() - start) / 1000.0 };
    }
}

TEST (ServiceFetch, AProperAnswerIsPassedThroughWhole)
{
    OneShotServer server ("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 13\r\nConnection: close\r\n\r\n{\"loops\": []}");
    const auto result = fetch (server.base() + "plugin/starterloops");
    ASSERT_TRUE (result.body.has_value());
    EXPECT_EQ (result.body->toString(), "{\"loops\": []}");
}

TEST (ServiceFetch, DownGarbledOrFailingServicesGiveNothingQuickly)
{
    {
        juce::StreamingSocket probe;
        probe.createListener (0, "127.0.0.1");
        const auto port = probe.getBoundPort();
        probe.close();
        const auto result = fetch ("http://127.0.0.1:" + juce::String (port) + "/releases");
        EXPECT_FALSE (result.body.has_value()) << "down";
        EXPECT_LT (result.seconds, 2.0) << "down";
    }
    {
        OneShotServer server ("\x01\x02 this is not HTTP at all\r\n\r\n");
        const auto result = fetch (server.base() + "releases");
        EXPECT_FALSE (result.body.has_value()) << "garbage";
        EXPECT_LT (result.seconds, 9.5) << "garbage";
    }
    {
        OneShotServer server ("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\nConnection: close\r\n\r\noops!");
        const auto result = fetch (server.base() + "releases");
        EXPECT_FALSE (result.body.has_value()) << "error status";
    }
}

TEST (ServiceFetch, ASilentServiceIsGivenUpAfterTheTimeOut)
{
    OneShotServer server ({});
    const auto result = fetch (server.base() + "releases");
    EXPECT_FALSE (result.body.has_value());
    EXPECT_LT (result.seconds, 10.0);
}
