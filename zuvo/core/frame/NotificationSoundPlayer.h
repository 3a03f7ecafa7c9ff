#pragma once

#include <string>

// Plays the notification sounds of the main window: the sound of a received
// fax and of a fax receipt. Tests of its callers put a fake in its place.
class NotificationSoundPlayer {
public:
    virtual ~NotificationSoundPlayer() = default;

    // Stops any sound this player is playing and starts playing the WAV
    // file at the path; returns at once, without waiting for the sound to
    // end. An empty path does nothing and gives false; a file or device that
    // cannot be opened gives false with the reason logged. Safe from any thread.
    virtual bool Play(const std::string& path) = 0;
    // Stops the sound; returns once the device is closed.
    virtual void Stop() = 0;
};
