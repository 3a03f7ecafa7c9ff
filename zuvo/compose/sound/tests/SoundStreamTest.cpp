// The recorder's thread and its owner, on a device stream of the test's own.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "SoundTestSupport.h"
#include "compose/sound/SoundIn.h"

using namespace soundtest;
using namespace std::chrono_literals;

namespace {

// A capture stream that always has silence ready, a little at a time.
class SilentDevice : public AudioDevice {
public:
    bool Open(Direction, const WaveFormat& format, std::string&) override
    {
        frameBytes_ = format.blockAlign;
        return true;
    }
    long Read(std::uint8_t* data, std::size_t frames, std::string&) override
    {
        std::this_thread::sleep_for(2ms);
        std::fill(data, data + frames * frameBytes_, 0);
        return static_cast<long>(frames);
    }
    long Write(const std::uint8_t*, std::size_t frames, std::string&) override { return static_cast<long>(frames); }
    void Drain() override {}
    void Close() override {}

private:
    std::size_t frameBytes_ = 0;
};

struct CallbackStop {
    CSoundIn* recorder = nullptr;
    std::atomic<bool> delivered{false};
    std::atomic<bool> ownerStopping{false};
};

// The first buffer stops the recorder from inside the callback, once the
// owner has begun to stop it too (as a write error does while the user
// presses stop).
void StopFromCallback(CBuffer&, void* user)
{
    auto* state = static_cast<CallbackStop*>(user);
    if (state->delivered.exchange(true))
        return;
    waitFor([&] { return state->ownerStopping.load(); });
    std::this_thread::sleep_for(100ms); // the owner is now waiting for this thread
    state->recorder->Stop();
}

} // namespace

TEST(SoundStream, StopFromTheDataCallbackWhileTheOwnerStopsEndsBoth)
{
    auto recorder = std::make_unique<CSoundIn>([] { return std::make_unique<SilentDevice>(); });
    CallbackStop state;
    state.recorder = recorder.get();
    recorder->SetDataCallback(StopFromCallback, &state);
    ASSERT_TRUE(recorder->Start(nullptr));
    ASSERT_TRUE(waitFor([&] { return state.delivered.load(); }));

    std::atomic<bool> stopped{false};
    std::thread owner([&] {
        state.ownerStopping = true;
        recorder->Stop();
        stopped = true;
    });
    if (!waitFor([&] { return stopped.load(); }, 3000ms)) {
        // Both threads wait on each other: leave them, so the suite can go on.
        owner.detach();
        (void)recorder.release();
        FAIL() << "the recorder's thread and its owner wait on each other";
    }
    owner.join();
    EXPECT_FALSE(recorder->IsRunning());
    // And the recorder starts again.
    state.delivered = false;
    ASSERT_TRUE(recorder->Start(nullptr));
    recorder->Stop();
}
