#pragma once

#include <cstdint>
#include <string>

class CBuffer;

// The PCM wave format record, field for field as it is stored in a WAV
// file's "fmt " chunk (18 bytes, little-endian, in this order).
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

constexpr std::uint16_t kWaveFormatPcm = 1;
constexpr std::size_t kWaveFormatRecordSize = 18;

// The data callback of the recorder and the player: a plain function that
// gets the audio buffer and the user value given with it.
using SoundDataCallback = void (*)(CBuffer& buffer, void* user);

// Empty when the format is one the sound classes can carry: PCM with 1 or 2
// channels of 8 or 16 bits, a block alignment of channels x bits / 8 and a
// rate from 1 to 192000 Hz; else a text saying what is wrong with it.
std::string CheckPcmFormat(const WaveFormat& format);

// Holds the wave format of a recording, a player or a file, and the number
// of sample frames that one audio buffer carries.
class CSoundBase {
public:
    CSoundBase();
    virtual ~CSoundBase() = default;

    // Each setter recomputes the block alignment and the average bytes per second.
    void SetBitsPerSample(std::uint16_t bits);
    void SetSamplesPerSecond(std::uint32_t rate);
    void SetNumberOfChannels(std::uint16_t channels);
    void SetBufferSize(std::uint32_t frames) { bufferSize_ = frames; }

    std::uint16_t GetBitsPerSample() const { return format_.bitsPerSample; }
    std::uint32_t GetSamplesPerSecond() const { return format_.samplesPerSec; }
    std::uint16_t GetNumberOfChannels() const { return format_.channels; }
    std::uint32_t GetBufferSize() const { return bufferSize_; }
    // Bytes in one audio buffer: block alignment x buffer size.
    std::size_t GetBufferBytes() const;

    const WaveFormat& GetFormat() const { return format_; }
    void SetFormat(const WaveFormat& format) { format_ = format; }

private:
    void UpdateDerivedFields();

    WaveFormat format_;
    std::uint32_t bufferSize_ = 1000;
};
