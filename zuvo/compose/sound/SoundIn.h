#pragma once

#include "compose/sound/Buffer.h"
#include "compose/sound/SoundStream.h"

// Records from a sound device. While running, its thread fills one audio
// buffer after the other and hands each to the data callback, borrowed; the
// callback must copy what it keeps.
class CSoundIn : public CSoundStream {
public:
    explicit CSoundIn(AudioDeviceFactory devices);
    ~CSoundIn() override;

    // True when recording runs: not already running, a callback and user
    // value set, and the device opened in the format (the current one when null).
    bool Start(const WaveFormat* format) override;

protected:
    void thread() override;

private:
    CBuffer buffer_;
};
