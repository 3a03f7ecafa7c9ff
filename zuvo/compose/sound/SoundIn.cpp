#include "compose/sound/SoundIn.h"

#include <string>

#include "jotter/Jotter.h"

CSoundIn::CSoundIn(AudioDeviceFactory devices) : CSoundStream(std::move(devices))
{
    setName("zuvo-sound-in");
}

CSoundIn::~CSoundIn()
{
    Stop();
    stopAndJoin();
}

bool CSoundIn::Start(const WaveFormat* format)
{
    if (!BeginStart(format))
        return false;
    if (!OpenDevice(AudioDevice::Direction::Capture, "WAVEIN", "in Start()"))
        return false;
    buffer_ = CBuffer(GetBufferBytes());
    if (!buffer_.Data()) {
        Device().Close();
        return false;
    }
    buffer_.Clear(); // a device that delivers nothing leaves silence, not old memory
    SetRunning(true);
    run();
    return true;
}

void CSoundIn::thread()
{
    const std::size_t frameBytes = GetFormat().blockAlign;
    const std::size_t frames = buffer_.Size() / frameBytes;
    while (IsRunning()) {
        std::size_t filled = 0;
        while (filled < frames && IsRunning()) {
            std::string error;
            long got = Device().Read(buffer_.Data() + filled * frameBytes, frames - filled, error);
            if (got < 0) {
                cpLog(kLogFailure, "WAVEIN:%s %s", error.c_str(), "in AddInputBufferToQueue()");
                SetRunning(false);
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        // What was recorded before a stop is kept too.
        if (filled > 0) {
            CBuffer recorded(buffer_.Data(), filled * frameBytes);
            Deliver(recorded);
        }
    }
    Device().Close();
}
