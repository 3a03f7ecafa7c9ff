#pragma once

#include <cstddef>
#include <deque>

#include "compose/sound/Buffer.h"
#include "compose/sound/SoundStream.h"

// Plays to a sound device. Start lets the data callback fill three audio
// buffers; the player's thread then plays one after the other and lets the
// callback refill each in place as soon as it has gone to the device. When
// the callback delivers nothing, or Stop is called, the player stops: what is
// queued plays out and the device closes (Stop returns after that, at most
// some tenths of a second).
class CSoundOut : public CSoundStream {
public:
    explicit CSoundOut(AudioDeviceFactory devices);
    ~CSoundOut() override;

    // True when playback runs: not already running, a callback and user
    // value set, and the device opened in the format (the current one when null).
    bool Start(const WaveFormat* format) override;

protected:
    void thread() override;

private:
    struct QueuedBuffer {
        CBuffer bytes;      // one audio buffer, owned
        std::size_t length; // bytes of it that the callback filled
    };

    std::size_t Fill(CBuffer& bytes) const;
    bool PlayOut(const QueuedBuffer& queued);

    std::deque<QueuedBuffer> queue_; // filled by Start, then used by the thread alone
};
