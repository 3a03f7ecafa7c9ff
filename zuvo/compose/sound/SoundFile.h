#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "compose/sound/SoundBase.h"

class CBuffer;

// A RIFF WAVE file of PCM samples, opened either for reading (its format is
// taken from the file) or for writing (a new file in a given format).
//
// Written files hold a RIFF chunk of form "WAVE" with an 18-byte "fmt " chunk
// and then the "data" chunk: a 46-byte header before the samples. Both chunk
// sizes are filled in when the file is closed.
//
// Reading accepts a 16-byte or longer "fmt " chunk, skips chunks it does not
// know (with their pad bytes) and delivers only the bytes of the "data" chunk.
class CSoundFile : public CSoundBase {
public:
    enum Mode { kNotUsable = 0, kReading = 1, kWriting = 2 };

    // With a format: create the file for writing in that format. Without one
    // (null): open the file for reading. IsOK() tells whether that worked; a
    // failure is logged with its reason.
    CSoundFile(std::string fileName, const WaveFormat* format);
    ~CSoundFile() override;

    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    bool IsOK() const { return mode_ != kNotUsable; }
    Mode GetMode() const { return mode_; }
    const std::string& GetFileName() const { return fileName_; }

    // Reading: fills the buffer with up to its length of whole sample frames
    // and shortens it to what was read. True when more than 0 bytes were read.
    bool Read(CBuffer& buffer);
    // Writing: appends the buffer's bytes. True when all of them were written.
    bool Write(const CBuffer& buffer);
    // Completes the header of a written file and closes the file. False when
    // a written file could not be completed; true otherwise (also when there
    // was nothing open).
    bool Close();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

    bool OpenForReading();
    bool OpenForWriting(const WaveFormat& format);
    bool CompleteHeader();
    bool Fail(const std::string& reason);

    std::string fileName_;
    FilePtr file_;
    Mode mode_ = kNotUsable;
    std::uint64_t dataLeft_ = 0;   // reading: bytes of the data chunk not yet read
    std::uint64_t dataSize_ = 0;   // writing: sample bytes written so far
};
