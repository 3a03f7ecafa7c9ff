#include "compose/sound/SoundStream.h"

#include <string>
#include <utility>

#include "jotter/Jotter.h"

namespace {

// The stream whose data callback runs on this thread, if any.
thread_local const CSoundStream* tl_delivering = nullptr;

} // namespace

CSoundStream::CSoundStream(AudioDeviceFactory devices) : devices_(std::move(devices))
{
}

void CSoundStream::SetDataCallback(SoundDataCallback callback, void* user)
{
    callback_ = callback;
    user_ = user;
}

void CSoundStream::Stop()
{
    SetRunning(false);
    // From inside the stream's own data callback the flag is all: the thread
    // ends by itself once the callback returns. Waiting for it here would wait
    // on the owner, who may be in Stop too and waiting for this very thread.
    if (tl_delivering != this)
        join();
}

bool CSoundStream::BeginStart(const WaveFormat* format)
{
    if (IsRunning() || !callback_ || !user_)
        return false;
    join(); // a stream that has ended may still be closing its device
    if (format)
        SetFormat(*format);
    return true;
}

bool CSoundStream::OpenDevice(AudioDevice::Direction direction, const char* tag, const char* operation)
{
    device_ = devices_ ? devices_() : nullptr;
    std::string error = "no sound device";
    if (device_ && device_->Open(direction, GetFormat(), error))
        return true;
    cpLog(kLogFailure, "%s:%s %s", tag, error.c_str(), operation);
    device_.reset();
    return false;
}

void CSoundStream::Deliver(CBuffer& buffer) const
{
    const CSoundStream* outer = std::exchange(tl_delivering, this);
    callback_(buffer, user_);
    tl_delivering = outer;
}
