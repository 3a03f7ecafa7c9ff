#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "compose/sound/SoundBase.h"

// One open PCM stream of a sound device, for capture or for playback, as the
// recorder and the player use it from their threads. Transfers move whole
// interleaved sample frames of the format given to Open and wait at most a
// short while, so that the caller can look at its stop flag between calls.
class AudioDevice {
public:
    enum class Direction { Capture, Playback };

    virtual ~AudioDevice() = default;

    // Opens the stream without waiting for a busy or missing device. On
    // failure returns false and fills the reason.
    virtual bool Open(Direction direction, const WaveFormat& format, std::string& error) = 0;
    // Frames read into data (fewer than asked, also 0, when the device has
    // none ready yet); -1 on a device error, with the reason filled.
    virtual long Read(std::uint8_t* data, std::size_t frames, std::string& error) = 0;
    // Frames taken from data (fewer than asked, also 0, when the device has
    // no room yet); -1 on a device error, with the reason filled.
    virtual long Write(const std::uint8_t* data, std::size_t frames, std::string& error) = 0;
    // Lets what was written play out (bounded in time), then closes the stream.
    virtual void Drain() = 0;
    // Closes the stream at once; what was not played yet is dropped.
    virtual void Close() = 0;
};

// Makes a new, unopened device stream; the recorder and the player call it
// once per Start.
using AudioDeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;
