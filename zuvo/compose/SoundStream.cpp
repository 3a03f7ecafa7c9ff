#include "compose/SoundStream.h"

#include <string>
#include <utility>

#include "jotter/Jotter.h"

namespace {

// The stream whose data callback runs on this thread, if any.
thread_local const CSoundStream* tl_delivering = nullptr;

} // namespace

CSoundStream::CSoundStream(AudioDeviceFactory devices) : m_devices(std::move(devices))
{
}

void CSoundStream::SetDataCallback(SoundDataCallback callback, void* user)
{
    m_callback = callback;
    m_user = user;
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
    if (IsRunning() || !m_callback || !m_user)
        return false;
    join(); // a stream that has ended may still be closing its device
    if (format)
        SetFormat(*format);
    return true;
}

bool CSoundStream::OpenDevice(AudioDevice::Direction direction, const char* tag, const char* operation)
{
    m_device = m_devices ? m_devices() : nullptr;
    std::string error = "no sound device";
    if (m_device && m_device->Open(direction, GetFormat(), error))
        return true;
    cpLog(kLogFailure, "%s:%s %s", tag, error.c_str(), operation);
    m_device.reset();
    return false;
}

void CSoundStream::Deliver(CBuffer& buffer) const
{
    const CSoundStream* outer = std::exchange(tl_delivering, this);
    m_callback(buffer, m_user);
    tl_delivering = outer;
}
