#pragma once

#include <memory>
#include <string>

#include "compose/sound/AlsaAudioDevice.h"
#include "compose/sound/PtrFifo.h"
#include "compose/sound/SoundFile.h"
#include "compose/sound/SoundIn.h"
#include "compose/sound/SoundOut.h"
#include "safefile/ReplacementFile.h"
#include "spindle/VMutex.h"

// Joins the recorder to a WAV file being written and a WAV file being read
// to the player. A pipe has at most one current file: it records or it
// plays, one file at a time.
class CPipe {
public:
    // The recorder and the player use streams of the given devices.
    explicit CPipe(AudioDeviceFactory devices = AlsaAudioDevices(kDefaultSoundDevice));
    virtual ~CPipe();

    CPipe(const CPipe&) = delete;
    CPipe& operator=(const CPipe&) = delete;

    // Records a new WAV file for the path (16-bit mono PCM at 22050 Hz). The
    // samples go to a temporary file beside it; a file already at the path
    // stays as it is until the recording ends well. False when the pipe is
    // already recording or playing, or when the file or the device cannot be
    // opened.
    bool StartRecord(const std::string& path);
    // Stops recording and completes the file; a complete recording then
    // replaces whatever was at the path. One cut short by a write error is
    // dropped and the path keeps what it held.
    void StopRecord();
    // Plays the WAV file at the path. False when the pipe is already
    // recording or playing, or when the file or the device cannot be opened.
    bool StartPlay(const std::string& path);
    // Stops playing; returns once the device is closed.
    void StopPlay();

    bool IsRecording() const { return in_.IsRunning(); }
    bool IsPlaying() const { return out_.IsRunning(); }

    // Called on the player's thread when the file being played has ended. A
    // subclass that overrides it stops playing in its own destructor.
    virtual void OnEndOfPlayingFile();

    // The data callbacks: the recorder's buffers go to the current file, and
    // the player's buffers are filled from it.
    void WriteSoundDataToFile(CBuffer& buffer);
    void ReadSoundDataFromFile(CBuffer& buffer);

private:
    bool IsBusy() const { return IsRecording() || IsPlaying(); }
    bool CanStart(const char* operation, const std::string& path);
    void ReplaceFile(std::unique_ptr<CSoundFile> file);
    // Ends the recording's file and puts it in its target's place when it
    // is complete; removes it otherwise. Under control_, the recorder stopped.
    void FinishRecording();

    // control_ serialises the start and stop operations, which wait for the
    // streams' threads; fileLock_ guards the current file and is all that
    // the callbacks take, so a stop never waits on a callback that waits on it.
    // Audio buffers on their way to the player and from the recorder. The
    // streams hand their buffers straight to and from the current file, so
    // both queues stay empty in the flows of today.
    CPtrFIFO<CBuffer> playQueue_;
    CPtrFIFO<CBuffer> recordQueue_;
    Spindle::VMutex control_;
    Spindle::VMutex fileLock_;
    std::unique_ptr<CSoundFile> file_;      // under fileLock_
    bool writeFailed_ = false;              // under fileLock_
    // The recording's target and the temporary file it is written to; under
    // control_.
    std::unique_ptr<safefile::ReplacementFile> recordTarget_;
    CSoundOut out_;
    CSoundIn in_;
};
