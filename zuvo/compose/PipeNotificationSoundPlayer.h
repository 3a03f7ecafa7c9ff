#pragma once

#include <string>

#include "compose/AlsaAudioDevice.h"
#include "compose/Pipe.h"
#include "core/NotificationSoundPlayer.h"

// The notification sound player of the program: a sound pipe on the given
// ALSA devices.
class PipeNotificationSoundPlayer : public NotificationSoundPlayer {
public:
    explicit PipeNotificationSoundPlayer(AudioDeviceFactory devices = AlsaAudioDevices(kDefaultSoundDevice));

    bool Play(const std::string& path) override;
    void Stop() override;
    bool IsPlaying() const { return m_pipe.IsPlaying(); }

private:
    Spindle::VMutex m_lock; // one Play or Stop at a time, so that a stop belongs to its start
    CPipe m_pipe;
};
