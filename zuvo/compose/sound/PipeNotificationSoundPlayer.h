#pragma once

#include <string>

#include "compose/sound/AlsaAudioDevice.h"
#include "compose/sound/Pipe.h"
#include "core/frame/NotificationSoundPlayer.h"

// The notification sound player of the program: a sound pipe on the given
// ALSA devices.
class PipeNotificationSoundPlayer : public NotificationSoundPlayer {
public:
    explicit PipeNotificationSoundPlayer(AudioDeviceFactory devices = AlsaAudioDevices(kDefaultSoundDevice));

    bool Play(const std::string& path) override;
    void Stop() override;
    bool IsPlaying() const { return pipe_.IsPlaying(); }

private:
    Spindle::VMutex lock_; // one Play or Stop at a time, so that a stop belongs to its start
    CPipe pipe_;
};
