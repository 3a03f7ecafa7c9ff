#include "compose/SoundStream.h"

#include <string>

#include "jotter/Jotter.h"

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
    join(); // returns at once when called from the stream's own thread
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
    cpLog(3, "%s:%s %s", tag, error.c_str(), operation);
    m_device.reset();
    return false;
}

void CSoundStream::Deliver(CBuffer& buffer) const
{
    m_callback(buffer, m_user);
}
