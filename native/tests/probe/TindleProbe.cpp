// Tindle_Probe: the standalone application exactly as shipped (same shared code, same JUCE
// wrapper, same editor) plus this translation unit, which lets tests/e2e/device.e2e.test.ts
// watch the processor running on a real device. Test-only: never installed or launched by
// scripts/run.sh. Without TINDLE_PROBE_DIR in the environment it does nothing at all.
//
// Protocol, all files in $TINDLE_PROBE_DIR:
//   status.json   rewritten (atomically, by rename) every 50 ms on the message thread:
//                 {"pid","ticks","standalone","nowMs","lastBlockMs","hostSampleRate",
//                  "capturing","captureWritePos","captureSampleRate","captureChannels",
//                  "peakMax","commandsDone","muteInput"}
//   command       one word, consumed (renamed away) and run on the message thread:
//                 startCapture | stopCapture | dumpCapture | quit
//                 dumpCapture writes capture.f32 (interleaved 32-bit floats, the first
//                 captureWritePos frames of every capture channel); quit asks the application
//                 to quit as its window's close button would (the wrapper saves its settings).
//   commandsDone  in status.json counts the commands run so far.
//
// Hook: a static initialiser starts a thread that waits for the message manager and posts the
// probe's creation to the message thread; the probe finds the processor through the wrapper's
// StandalonePluginHolder::getInstance().
#include "PluginProcessor.h"

#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace
{
class Probe final : public juce::Timer, private juce::DeletedAtShutdown
{
public:
    explicit Probe (juce::File folder) : dir (std::move (folder)) { startTimer (50); }
    ~Probe() override { stopTimer(); }

private:
    TindleProcessor* findProcessor() const
    {
        if (auto* holder = juce::StandalonePluginHolder::getInstance())
            return dynamic_cast<TindleProcessor*> (holder->processor.get());
        return nullptr;
    }

    void timerCallback() override
    {
        ++ticks;
        auto* p = findProcessor();
        runCommand (p);
        writeStatus (p);
    }

    void runCommand (TindleProcessor* p)
    {
        const auto commandFile = dir.getChildFile ("command");
        if (! commandFile.existsAsFile())
            return;
        const auto taken = dir.getChildFile ("command.taken");
        if (! commandFile.moveFileTo (taken))
            return;
        const auto command = taken.loadFileAsString().trim();
        taken.deleteFile();

        if (command == "quit")
        {
            ++commandsDone;
            writeStatus (p);
            if (auto* app = juce::JUCEApplicationBase::getInstance())
                app->systemRequestedQuit();
            return;
        }
        if (p == nullptr)
            return;
        if (command == "startCapture")
            p->startCapture();
        else if (command == "stopCapture")
            p->stopCapture();
        else if (command == "dumpCapture")
            dumpCapture (*p);
        ++commandsDone;
    }

    void dumpCapture (const TindleProcessor& p) const
    {
        const auto frames = static_cast<size_t> (p.captureWritePos.load());
        const auto channels = p.captureBuffer.size();
        juce::MemoryBlock bytes (frames * channels * sizeof (float));
        auto* out = static_cast<float*> (bytes.getData());
        for (size_t i = 0; i < frames; ++i)
            for (size_t c = 0; c < channels; ++c)
                *out++ = p.captureBuffer[c][i];
        const auto tmp = dir.getChildFile ("capture.f32.tmp");
        tmp.replaceWithData (bytes.getData(), bytes.getSize());
        tmp.moveFileTo (dir.getChildFile ("capture.f32"));
    }

    void writeStatus (TindleProcessor* p) const
    {
        auto* status = new juce::DynamicObject();
        status->setProperty ("pid", static_cast<int> (getpid()));
        status->setProperty ("ticks", ticks);
        status->setProperty ("nowMs", juce::Time::getMillisecondCounterHiRes());
        status->setProperty ("commandsDone", commandsDone);
        status->setProperty ("ready", p != nullptr);
        if (p != nullptr)
        {
            float peakMax = 0.0f;
            for (auto& peak : p->capturePeaks)
                peakMax = std::max (peakMax, peak.load (std::memory_order_relaxed));
            status->setProperty ("standalone", p->isStandalone());
            status->setProperty ("lastBlockMs", p->lastBlockMs.load());
            status->setProperty ("hostSampleRate", p->hostSampleRate);
            status->setProperty ("capturing", p->capturing.load());
            status->setProperty ("captureWritePos", static_cast<juce::int64> (p->captureWritePos.load()));
            status->setProperty ("captureSampleRate", p->captureSampleRate);
            status->setProperty ("captureChannels", p->captureChannels);
            status->setProperty ("peakMax", peakMax);
        }
        if (auto* holder = juce::StandalonePluginHolder::getInstance())
            status->setProperty ("muteInput", static_cast<bool> (holder->getMuteInputValue().getValue()));

        const auto tmp = dir.getChildFile ("status.json.tmp");
        tmp.replaceWithText (juce::JSON::toString (juce::var (status), true));
        tmp.moveFileTo (dir.getChildFile ("status.json"));
    }

    juce::File dir;
    int ticks = 0;
    int commandsDone = 0;
};

struct ProbeStarter
{
    ProbeStarter()
    {
        const auto* folder = std::getenv ("TINDLE_PROBE_DIR");
        if (folder == nullptr || *folder == 0)
            return;
        const juce::String path (folder);
        std::thread ([path]
        {
            // The application creates the message manager in main(); post once it exists.
            for (int i = 0; i < 2000 && juce::MessageManager::getInstanceWithoutCreating() == nullptr; ++i)
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            juce::MessageManager::callAsync ([path] { new Probe (juce::File (path)); });
        }).detach();
    }
};

const ProbeStarter probeStarter;
} // namespace
