#pragma once

#include "core/frame/NotificationSoundPlayer.h"

// A player that plays nothing: for sessions without a sound device.
class SilentSoundPlayer : public NotificationSoundPlayer {
public:
    bool Play(const std::string&) override { return false; }
    void Stop() override {}
};
