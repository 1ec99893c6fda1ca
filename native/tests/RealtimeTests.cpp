// Real-time safety of the audio thread: processBlock and the direct-output
// callback allocate nothing, and the renderer never waits for the message thread.
//
// This binary replaces the global operator new/delete to count heap allocations made by the
// thread under test (a thread-local switch, so other threads may allocate freely).
#include "TestSupport.h"

#include <cstdlib>
#include <iostream>
#include <new>
#include <thread>

namespace
{
thread_local bool countingThisThread = false;
std::atomic<long> countedAllocations { 0 };

void* allocate (std::size_t size)
{
    if (countingThisThread)
        countedAllocations.fetch_add (1);
    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    if (countingThisThread)
        countedAllocations.fetch_add (1);
    const auto a = static_cast<std::size_t> (alignment);
    if (auto* p = std::aligned_alloc (a, (size + a - 1) / a * a))
        return p;
    throw std::bad_alloc();
}

/** Counts allocations on this thread for its lifetime. */
struct AllocationCounter
{
    AllocationCounter() { countedAllocations = 0; countingThisThread = true; }
    ~AllocationCounter() { countingThisThread = false; }
    long count() const { return countedAllocations.load(); }
};
} // namespace

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { try { return allocate (size); } catch (...) { return nullptr; } }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { try { return allocate (size); } catch (...) { return nullptr; } }
void* operator new (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }

using namespace tindle::test;

TEST (AllocationCounter, SeesAllocationsOnThisThread)
{
    AllocationCounter counter;
    auto* leak = new std::vector<int> (100);
    delete leak;
    juce::String s ("a fairly long string that cannot use a small buffer");
    EXPECT_GE (counter.count(), 2);
}

enum class Audition { none, mainVoice, oneShot };

struct AllocationCase
{
    const char* name;
    bool standalone;
    Audition audition;
    int channels;
    double outputRate;
};

class NoAllocationTest : public ::testing::TestWithParam<AllocationCase> {};

TEST_P (NoAllocationTest, ThousandsOfBlocksWithCaptureRunningAllocateNothing)
{
    const auto& c = GetParam();
    auto p = c.standalone ? makeStandalone() : makeHosted();
    p->prepareToPlay (c.outputRate, 512);
    p->setPreviewMain (makeBuffer (2, 44100 * 2, [] (int ch, int i) { return std::sin (0.01f * static_cast<float> (i + ch)); }), 44100.0, 1.5);
    p->setPreviewShot (makeBuffer (1, 3000, [] (int, int i) { return 0.001f * static_cast<float> (i % 100); }), 48000.0);

    ScriptedPlayHead head;
    head.bpm = 128.0;
    p->setPlayHead (&head);

    juce::AudioBuffer<float> block (c.channels, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (64);
    p->startCapture();

    int shotEndsSeen = 0;
    long allocations = 0;
    {
        AllocationCounter counter;
        for (int i = 0; i < 5000; ++i)
        {
            // Message-thread calls interleaved with the blocks, as the dispatcher would make them.
            if (c.audition == Audition::mainVoice && i % 700 == 0)
                p->playPreviewMain (0.37 * (i / 700));
            if (c.audition == Audition::oneShot && p->previewMode.load() == 0)
                p->playPreviewShot (0.0);
            if (i == 3000)
            {
                p->stopCapture(); // and restart: the store is reused, never reallocated
                p->startCapture();
            }

            for (int ch = 0; ch < c.channels; ++ch)
                juce::FloatVectorOperations::fill (block.getWritePointer (ch), 0.01f * static_cast<float> (ch + 1), 512);
            p->processBlock (block, midi);
        }
        allocations = counter.count();
        shotEndsSeen = p->previewEndCount.load();
    }

    EXPECT_EQ (allocations, 0) << c.name;
    EXPECT_EQ (p->hostBpm.load(), 128.0);
    EXPECT_GT (p->captureWritePos.load(), 0u);
    if (c.audition == Audition::oneShot)
        EXPECT_GT (shotEndsSeen, 100);
    if (c.audition != Audition::none)
        EXPECT_GT (block.getMagnitude (0, 512), 0.0f);
}

INSTANTIATE_TEST_SUITE_P (Modes, NoAllocationTest, ::testing::Values (
    AllocationCase { "standaloneIdle", true, Audition::none, 2, 44100.0 },
    AllocationCase { "standaloneMain", true, Audition::mainVoice, 2, 44100.0 },
    AllocationCase { "standaloneShot", true, Audition::oneShot, 2, 44100.0 },
    AllocationCase { "hostedMain48k", false, Audition::mainVoice, 2, 48000.0 },
    AllocationCase { "hostedShotMono", false, Audition::oneShot, 1, 48000.0 },
    AllocationCase { "hostedMainEightChannels", false, Audition::mainVoice, 8, 96000.0 }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (NoAllocation, CaptureFillingToCapacityAllocatesNothing)
{
    auto p = makeStandalone();
    p->prepareToPlay (8000.0, 256);
    juce::AudioBuffer<float> block (2, 256);
    block.clear();
    juce::MidiBuffer midi;
    p->startCapture();
    AllocationCounter counter;
    while (p->capturing.load())
        p->processBlock (block, midi);
    EXPECT_EQ (counter.count(), 0);
    EXPECT_EQ (p->captureWritePos.load(), 480000u);
}

TEST (NoAllocation, DirectOutputCallbackAllocatesNothing)
{
    auto p = makeHosted();
    p->setPreviewMain (makeBuffer (2, 1000, [] (int, int i) { return 0.001f * static_cast<float> (i); }), 44100.0, 0.0);
    p->playPreviewMain (0.0);
    p->directRate.store (48000.0);
    p->lastBlockMs.store (0.0);

    std::vector<float> left (480), right (480);
    float* outputs[] = { left.data(), right.data() };
    const juce::AudioIODeviceCallbackContext context {};

    AllocationCounter counter;
    for (int i = 0; i < 2000; ++i)
        p->directOut.audioDeviceIOCallbackWithContext (nullptr, 0, outputs, 2, 480, context);
    EXPECT_EQ (counter.count(), 0);
    EXPECT_NE (left[100], 0.0f);
}

TEST (Stress, SwappingBuffersWhileRenderingNeverBlocksOrTears)
{
    // The message thread installs buffers of constant value k (1..8) as fast as it can while
    // the audio thread renders. Every rendered sample must be one whole installed constant
    // (no torn buffer), the renderer must allocate nothing, and no block may wait on the lock.
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 256);
    p->setPreviewMain (constantBuffer (2, 4096, 1.0f), 44100.0, 0.0);
    p->playPreviewMain (0.0);

    std::atomic<bool> done { false };
    std::atomic<int> swaps { 0 };
    std::thread messageThread ([&]
    {
        for (int k = 0; ! done.load(); ++k)
        {
            const auto value = static_cast<float> (1 + k % 8);
            const auto length = 2048 + (k % 5) * 1000;
            p->setPreviewMain (constantBuffer (1 + k % 2, length, value), 44100.0 + (k % 3) * 1000.0, 0.0);
            if (k % 50 == 0)
                p->playPreviewMain (0.0);
            swaps.fetch_add (1);
        }
    });

    juce::AudioBuffer<float> block (2, 256);
    juce::MidiBuffer midi;
    long allocations = 0;
    int blocksWithAudio = 0, droppedBlocks = 0, tornSamples = 0;
    double worstBlockMs = 0.0;
    {
        AllocationCounter counter;
        for (int i = 0; i < 20000 || swaps.load() < 1000; ++i)
        {
            block.clear();
            const auto start = juce::Time::getMillisecondCounterHiRes();
            p->processBlock (block, midi);
            worstBlockMs = std::max (worstBlockMs, juce::Time::getMillisecondCounterHiRes() - start);

            const auto* left = block.getReadPointer (0);
            if (left[0] == 0.0f)
                ++droppedBlocks;
            else
                ++blocksWithAudio;
            for (int ch = 0; ch < 2; ++ch)
                for (int s = 0; s < 256; ++s)
                {
                    const auto v = block.getSample (ch, s);
                    if (v != 0.0f && (v != std::floor (v) || v < 1.0f || v > 8.0f))
                        ++tornSamples;
                }
            if (i > 200000)
                break;
        }
        allocations = counter.count();
    }
    done = true;
    messageThread.join();

    EXPECT_EQ (allocations, 0);
    EXPECT_EQ (tornSamples, 0);
    EXPECT_GT (swaps.load(), 100);
    EXPECT_GT (blocksWithAudio, 0);
    // A busy lock only ever drops a block; it never makes the renderer wait for the swap.
    std::cout << "[ stress   ] swaps " << swaps.load() << ", blocks with audio " << blocksWithAudio
              << ", dropped (lock busy) " << droppedBlocks << ", worst block " << worstBlockMs << " ms\n";
}

TEST (Stress, RendererDoesNotWaitWhileTheLockIsHeldForLong)
{
    auto p = makeStandalone();
    p->prepareToPlay (44100.0, 512);
    p->setPreviewMain (constantBuffer (2, 4096, 0.5f), 44100.0, 0.0);
    p->playPreviewMain (0.0);

    std::atomic<bool> locked { false }, release { false };
    std::thread holder ([&]
    {
        const juce::ScopedLock lock (p->previewLock);
        locked = true;
        while (! release.load())
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
    });
    while (! locked.load())
        std::this_thread::yield();

    juce::AudioBuffer<float> block (2, 512);
    juce::MidiBuffer midi;
    const auto start = juce::Time::getMillisecondCounterHiRes();
    for (int i = 0; i < 1000; ++i)
    {
        block.clear();
        p->processBlock (block, midi);
        ASSERT_EQ (block.getMagnitude (0, 512), 0.0f);
    }
    const auto elapsedMs = juce::Time::getMillisecondCounterHiRes() - start;
    release = true;
    holder.join();

    EXPECT_LT (elapsedMs, 500.0); // 1000 blocks while the lock was held the whole time
    block.clear();
    p->processBlock (block, midi);
    EXPECT_EQ (block.getSample (0, 0), 0.5f);
}
