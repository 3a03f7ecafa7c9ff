#pragma once

#include <atomic>
#include <memory>

#include "compose/sound/AudioDevice.h"
#include "compose/sound/SoundBase.h"
#include "spindle/ThreadIf.h"

// What the recorder and the player share: the format, the data callback with
// its user value, the running flag and the device stream, which one thread
// per stream drives.
//
// Start and Stop are called by the stream's owner, one call at a time; Stop
// may also be called from the data callback, where it only clears the
// running flag (also while the owner is stopping the stream). The running
// flag is read by both sides and is atomic.
class CSoundStream : public Spindle::ThreadIf, public CSoundBase {
public:
    explicit CSoundStream(AudioDeviceFactory devices);

    void SetDataCallback(SoundDataCallback callback, void* user);
    bool IsRunning() const { return running_.load(); }

    // Clears the running flag and waits for the stream's thread to end,
    // except from inside the stream's own data callback.
    virtual void Stop();
    virtual bool Start(const WaveFormat* format) = 0;

protected:
    // Refuses while running or without a callback and user value; waits for
    // the thread of a stream that has ended; takes the format when given.
    bool BeginStart(const WaveFormat* format);
    // Opens a new device stream in the current format; a failure is logged
    // as "<tag>:<reason> <operation>".
    bool OpenDevice(AudioDevice::Direction direction, const char* tag, const char* operation);
    // Hands the buffer to the data callback.
    void Deliver(CBuffer& buffer) const;
    void SetRunning(bool running) { running_.store(running); }
    AudioDevice& Device() { return *device_; }

private:
    AudioDeviceFactory devices_;
    std::unique_ptr<AudioDevice> device_;
    SoundDataCallback callback_ = nullptr;
    void* user_ = nullptr;
    std::atomic<bool> running_{false};
};
