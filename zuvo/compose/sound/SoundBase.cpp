#include "compose/sound/SoundBase.h"

std::string CheckPcmFormat(const WaveFormat& format)
{
    if (format.formatTag != kWaveFormatPcm)
        return "format tag " + std::to_string(format.formatTag) + " is not PCM";
    if (format.channels < 1 || format.channels > 2)
        return std::to_string(format.channels) + " channels (1 or 2 are supported)";
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return std::to_string(format.bitsPerSample) + " bits per sample (8 or 16 are supported)";
    if (format.blockAlign != format.channels * format.bitsPerSample / 8)
        return "block alignment " + std::to_string(format.blockAlign) + " does not fit "
            + std::to_string(format.channels) + " channels of " + std::to_string(format.bitsPerSample)
            + " bits";
    if (format.samplesPerSec < 1 || format.samplesPerSec > 192000)
        return "sample rate " + std::to_string(format.samplesPerSec) + " Hz is out of range";
    return {};
}

CSoundBase::CSoundBase()
{
    format_.formatTag = kWaveFormatPcm;
    format_.bitsPerSample = 16;
    format_.samplesPerSec = 22050;
    format_.channels = 1;
    format_.extraSize = 0;
    UpdateDerivedFields();
}

void CSoundBase::SetBitsPerSample(std::uint16_t bits)
{
    format_.bitsPerSample = bits;
    UpdateDerivedFields();
}

void CSoundBase::SetSamplesPerSecond(std::uint32_t rate)
{
    format_.samplesPerSec = rate;
    UpdateDerivedFields();
}

void CSoundBase::SetNumberOfChannels(std::uint16_t channels)
{
    format_.channels = channels;
    UpdateDerivedFields();
}

std::size_t CSoundBase::GetBufferBytes() const
{
    return std::size_t{format_.blockAlign} * bufferSize_;
}

void CSoundBase::UpdateDerivedFields()
{
    format_.blockAlign = static_cast<std::uint16_t>(format_.channels * format_.bitsPerSample / 8);
    format_.avgBytesPerSec = format_.samplesPerSec * format_.blockAlign;
}
