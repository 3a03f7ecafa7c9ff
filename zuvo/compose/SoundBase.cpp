#include "compose/SoundBase.h"

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
    m_format.formatTag = kWaveFormatPcm;
    m_format.bitsPerSample = 16;
    m_format.samplesPerSec = 22050;
    m_format.channels = 1;
    m_format.extraSize = 0;
    UpdateDerivedFields();
}

void CSoundBase::SetBitsPerSample(std::uint16_t bits)
{
    m_format.bitsPerSample = bits;
    UpdateDerivedFields();
}

void CSoundBase::SetSamplesPerSecond(std::uint32_t rate)
{
    m_format.samplesPerSec = rate;
    UpdateDerivedFields();
}

void CSoundBase::SetNumberOfChannels(std::uint16_t channels)
{
    m_format.channels = channels;
    UpdateDerivedFields();
}

std::size_t CSoundBase::GetBufferBytes() const
{
    return std::size_t{m_format.blockAlign} * m_bufferSize;
}

void CSoundBase::UpdateDerivedFields()
{
    m_format.blockAlign = static_cast<std::uint16_t>(m_format.channels * m_format.bitsPerSample / 8);
    m_format.avgBytesPerSec = m_format.samplesPerSec * m_format.blockAlign;
}
