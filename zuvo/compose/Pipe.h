#pragma once

#include <memory>
#include <string>

#include "compose/AlsaAudioDevice.h"
#include "compose/SoundFile.h"
#include "compose/SoundIn.h"
#include "compose/SoundOut.h"
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

    // Records into a new WAV file at the path (16-bit mono PCM at 22050 Hz).
    // False when the pipe is already recording or playing, or when the file
    // or the device cannot be opened.
    bool StartRecord(const std::string& path);
    // Stops recording and completes the file.
    void StopRecord();
    // Plays the WAV file at the path. False when the pipe is already
    // recording or playing, or when the file or the device cannot be opened.
    bool StartPlay(const std::string& path);
    // Stops playing; returns once the device is closed.
    void StopPlay();

    bool IsRecording() const { return m_in.IsRunning(); }
    bool IsPlaying() const { return m_out.IsRunning(); }

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

    // m_control serialises the start and stop operations, which wait for the
    // streams' threads; m_fileLock guards the current file and is all that
    // the callbacks take, so a stop never waits on a callback that waits on it.
    Spindle::VMutex m_control;
    Spindle::VMutex m_fileLock;
    std::unique_ptr<CSoundFile> m_file;
    CSoundOut m_out;
    CSoundIn m_in;
};
