#include "compose/sound/PipeNotificationSoundPlayer.h"

#include "spindle/VLock.h"

PipeNotificationSoundPlayer::PipeNotificationSoundPlayer(AudioDeviceFactory devices)
    : pipe_(std::move(devices))
{
}

bool PipeNotificationSoundPlayer::Play(const std::string& path)
{
    if (path.empty())
        return false;
    Spindle::VLock lock(lock_);
    pipe_.StopPlay();
    return pipe_.StartPlay(path);
}

void PipeNotificationSoundPlayer::Stop()
{
    Spindle::VLock lock(lock_);
    pipe_.StopPlay();
}
