#pragma once

#include <chrono>
#include <string>

#include "compose/sound/AudioDevice.h"

typedef struct _snd_pcm snd_pcm_t;

// The sound device the program records from and plays to.
inline constexpr const char* kDefaultSoundDevice = "default";

// Makes ALSA streams on the named PCM device ("default" for the program,
// "null" where there is no sound card, as in the tests).
AudioDeviceFactory AlsaAudioDevices(std::string pcmName);

// An ALSA PCM stream, opened non-blocking so that a missing or busy device
// fails at once. A device that runs faster than real time (ALSA's "null"
// device, a file) is held to the sample rate, so that a recording lasts as
// long as it ran; a sound card never runs far enough ahead for that to act.
class AlsaAudioDevice : public AudioDevice {
public:
    explicit AlsaAudioDevice(std::string pcmName);
    ~AlsaAudioDevice() override;

    AlsaAudioDevice(const AlsaAudioDevice&) = delete;
    AlsaAudioDevice& operator=(const AlsaAudioDevice&) = delete;

    bool Open(Direction direction, const WaveFormat& format, std::string& error) override;
    long Read(std::uint8_t* data, std::size_t frames, std::string& error) override;
    long Write(const std::uint8_t* data, std::size_t frames, std::string& error) override;
    void Drain() override;
    void Close() override;

private:
    using Clock = std::chrono::steady_clock;

    template <typename TransferCall>
    long Transfer(std::size_t frames, std::string& error, TransferCall transfer);
    std::size_t FramesDueNow();

    std::string pcmName_;
    snd_pcm_t* pcm_ = nullptr;
    unsigned rate_ = 0;
    std::chrono::microseconds latency_{0};
    Clock::time_point started_;
    bool clockRunning_ = false;
    unsigned long long framesMoved_ = 0;
};
