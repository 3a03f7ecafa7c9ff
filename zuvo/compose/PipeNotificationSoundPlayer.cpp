#include "compose/PipeNotificationSoundPlayer.h"

#include "spindle/VLock.h"

PipeNotificationSoundPlayer::PipeNotificationSoundPlayer(AudioDeviceFactory devices)
    : m_pipe(std::move(devices))
{
}

bool PipeNotificationSoundPlayer::Play(const std::string& path)
{
    if (path.empty())
        return false;
    Spindle::VLock lock(m_lock);
    m_pipe.StopPlay();
    return m_pipe.StartPlay(path);
}

void PipeNotificationSoundPlayer::Stop()
{
    Spindle::VLock lock(m_lock);
    m_pipe.StopPlay();
}
