#include "compose/sound/SoundOut.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "jotter/Jotter.h"

namespace {

constexpr int kQueuedBuffers = 3;
// A device that takes no data for this long is given up.
constexpr auto kStallLimit = std::chrono::seconds(2);

} // namespace

CSoundOut::CSoundOut(AudioDeviceFactory devices) : CSoundStream(std::move(devices))
{
    setName("zuvo-sound-out");
}

CSoundOut::~CSoundOut()
{
    Stop();
    stopAndJoin();
}

bool CSoundOut::Start(const WaveFormat* format)
{
    if (!BeginStart(format))
        return false;
    if (!OpenDevice(AudioDevice::Direction::Playback, "WAVEOUT", "in start()"))
        return false;
    SetRunning(true);
    for (int i = 0; i < kQueuedBuffers; ++i) {
        CBuffer bytes(GetBufferBytes());
        if (!bytes.Data())
            break;
        std::size_t length = Fill(bytes);
        queue_.push_back({std::move(bytes), length});
    }
    if (queue_.empty()) {
        SetRunning(false);
        Device().Close();
        return false;
    }
    run();
    return true;
}

std::size_t CSoundOut::Fill(CBuffer& bytes) const
{
    CBuffer view(bytes.Data(), bytes.Size());
    Deliver(view);
    return std::min(view.Size(), bytes.Size());
}

bool CSoundOut::PlayOut(const QueuedBuffer& queued)
{
    const std::size_t frameBytes = GetFormat().blockAlign;
    const std::size_t frames = queued.length / frameBytes;
    std::size_t written = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (written < frames) {
        std::string error;
        long moved = Device().Write(queued.bytes.Data() + written * frameBytes, frames - written, error);
        if (moved < 0) {
            cpLog(kLogFailure, "WAVEOUT:%s %s", error.c_str(), "in AddOutputBufferToQueue()");
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (moved > 0) {
            written += static_cast<std::size_t>(moved);
            lastProgress = now;
        } else if (now - lastProgress > kStallLimit) {
            cpLog(kLogFailure, "WAVEOUT:the device takes no data %s", "in OnWOM_DONE()");
            return false;
        }
    }
    return true;
}

void CSoundOut::thread()
{
    while (!queue_.empty()) {
        QueuedBuffer queued = std::move(queue_.front());
        queue_.pop_front();
        if (!PlayOut(queued)) {
            SetRunning(false);
            queue_.clear();
            Device().Close();
            return;
        }
        if (!IsRunning())
            continue; // stopped: what is queued still plays out
        queued.length = Fill(queued.bytes);
        if (queued.length > 0) {
            queue_.push_back(std::move(queued));
            continue;
        }
        cpLog(kLogTrace, "Stop");
        SetRunning(false);
    }
    cpLog(kLogTrace, "Close wave");
    Device().Drain();
}
