#include "compose/sound/SoundFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>

#include "byteorder/LittleEndian.h"
#include "compose/sound/Buffer.h"
#include "jotter/Jotter.h"

namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint64_t kRiffSizeOffset = 4;
constexpr std::uint64_t kDataSizeOffset = 42;
constexpr std::uint64_t kWrittenHeaderSize = 46;
constexpr std::uint64_t kMaxChunkSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kMinFmtSize = 16; // a format record without the extra-size field

bool SameId(const std::uint8_t* bytes, const char* id)
{
    return std::memcmp(bytes, id, 4) == 0;
}

bool ReadAt(std::FILE* file, std::uint64_t offset, std::uint8_t* bytes, std::size_t count)
{
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0
        && std::fread(bytes, 1, count, file) == count;
}

bool WriteAt(std::FILE* file, std::uint64_t offset, std::uint32_t value)
{
    std::uint8_t bytes[4];
    le::put32(bytes, value);
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0
        && std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
}

WaveFormat ParseFormat(const std::uint8_t* record, std::uint32_t size)
{
    WaveFormat format;
    format.formatTag = le::get16(record);
    format.channels = le::get16(record + 2);
    format.samplesPerSec = le::get32(record + 4);
    format.avgBytesPerSec = le::get32(record + 8);
    format.blockAlign = le::get16(record + 12);
    format.bitsPerSample = le::get16(record + 14);
    format.extraSize = size >= kWaveFormatRecordSize ? le::get16(record + 16) : 0;
    return format;
}

void SerializeFormat(const WaveFormat& format, std::uint8_t* record)
{
    le::put16(record, format.formatTag);
    le::put16(record + 2, format.channels);
    le::put32(record + 4, format.samplesPerSec);
    le::put32(record + 8, format.avgBytesPerSec);
    le::put16(record + 12, format.blockAlign);
    le::put16(record + 14, format.bitsPerSample);
    le::put16(record + 16, format.extraSize);
}

struct Chunk {
    std::uint64_t dataOffset; // first byte after the chunk's 8-byte header
    std::uint32_t size;       // as the header gives it; may run past the end
};

// Walks the sub-chunks from offset up to end and returns the first with the
// given id; other chunks and their pad bytes are stepped over.
std::optional<Chunk> FindChunk(std::FILE* file, std::uint64_t offset, std::uint64_t end, const char* id)
{
    std::uint8_t header[kChunkHeaderSize];
    while (offset + kChunkHeaderSize <= end) {
        if (!ReadAt(file, offset, header, sizeof header))
            return std::nullopt;
        std::uint32_t size = le::get32(header + 4);
        if (SameId(header, id))
            return Chunk{offset + kChunkHeaderSize, size};
        offset += kChunkHeaderSize + std::uint64_t{size} + (size & 1u);
    }
    return std::nullopt;
}

} // namespace

CSoundFile::CSoundFile(std::string fileName, const WaveFormat* format)
    : fileName_(std::move(fileName))
{
    if (format) {
        if (OpenForWriting(*format))
            mode_ = kWriting;
    } else if (OpenForReading()) {
        mode_ = kReading;
    }
}

CSoundFile::~CSoundFile()
{
    Close();
}

bool CSoundFile::Fail(const std::string& reason)
{
    cpLog(kLogFailure, "Sound file <%s>: %s", fileName_.c_str(), reason.c_str());
    file_.reset();
    return false;
}

bool CSoundFile::OpenForReading()
{
    file_.reset(std::fopen(fileName_.c_str(), "rb"));
    if (!file_)
        return Fail(std::string("cannot open: ") + std::strerror(errno));
    std::FILE* file = file_.get();
    if (fseeko(file, 0, SEEK_END) != 0)
        return Fail("cannot seek");
    const std::uint64_t fileSize = static_cast<std::uint64_t>(ftello(file));

    std::uint8_t riff[12];
    if (!ReadAt(file, 0, riff, sizeof riff) || !SameId(riff, "RIFF") || !SameId(riff + 8, "WAVE"))
        return Fail("not a RIFF WAVE file");
    const std::uint64_t riffEnd = std::min<std::uint64_t>(kChunkHeaderSize + le::get32(riff + 4), fileSize);

    std::optional<Chunk> fmt = FindChunk(file, sizeof riff, riffEnd, "fmt ");
    if (!fmt)
        return Fail("no \"fmt \" chunk");
    if (fmt->size < kMinFmtSize || fmt->dataOffset + fmt->size > riffEnd)
        return Fail("\"fmt \" chunk of " + std::to_string(fmt->size) + " bytes is malformed");
    std::array<std::uint8_t, kWaveFormatRecordSize> record{};
    const std::uint32_t recordBytes = std::min<std::uint32_t>(fmt->size, kWaveFormatRecordSize);
    if (!ReadAt(file, fmt->dataOffset, record.data(), recordBytes))
        return Fail("cannot read the \"fmt \" chunk");
    WaveFormat format = ParseFormat(record.data(), recordBytes);
    if (std::string problem = CheckPcmFormat(format); !problem.empty())
        return Fail("unsupported format: " + problem);
    SetFormat(format);

    const std::uint64_t afterFmt = fmt->dataOffset + fmt->size + (fmt->size & 1u);
    std::optional<Chunk> data = FindChunk(file, afterFmt, riffEnd, "data");
    if (!data)
        return Fail("error reading data chunk");
    // A data chunk that claims more than the file holds (a recording that
    // was never closed) gives what is there.
    dataLeft_ = std::min<std::uint64_t>(data->size, riffEnd - data->dataOffset);
    if (fseeko(file, static_cast<off_t>(data->dataOffset), SEEK_SET) != 0)
        return Fail("cannot seek to the samples");
    return true;
}

bool CSoundFile::OpenForWriting(const WaveFormat& requested)
{
    WaveFormat format = requested;
    format.extraSize = 0; // PCM carries no extra bytes
    if (std::string problem = CheckPcmFormat(format); !problem.empty())
        return Fail("cannot record in this format: " + problem);
    SetFormat(format);

    file_.reset(std::fopen(fileName_.c_str(), "wb"));
    if (!file_)
        return Fail(std::string("cannot create: ") + std::strerror(errno));

    std::uint8_t header[kWrittenHeaderSize] = {};
    std::memcpy(header, "RIFF", 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    le::put32(header + 16, kWaveFormatRecordSize);
    SerializeFormat(format, header + 20);
    std::memcpy(header + 38, "data", 4);
    // The two sizes stay 0 until Close() knows them.
    if (std::fwrite(header, 1, sizeof header, file_.get()) != sizeof header)
        return Fail("cannot write the header");
    dataSize_ = 0;
    return true;
}

bool CSoundFile::Read(CBuffer& buffer)
{
    if (mode_ != kReading || !buffer.Data()) {
        buffer.Shrink(0);
        return false;
    }
    const std::size_t frame = GetFormat().blockAlign;
    std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.Size(), dataLeft_));
    wanted -= wanted % frame;
    std::size_t got = wanted ? std::fread(buffer.Data(), 1, wanted, file_.get()) : 0;
    if (got < wanted)
        dataLeft_ = 0; // the file ended early or failed: nothing more to give
    else
        dataLeft_ -= got;
    got -= got % frame;
    buffer.Shrink(got);
    return got > 0;
}

bool CSoundFile::Write(const CBuffer& buffer)
{
    if (mode_ != kWriting)
        return false;
    const std::size_t size = buffer.Size();
    // The RIFF size field must still hold the header, the samples and a pad byte.
    if (kWrittenHeaderSize - kChunkHeaderSize + dataSize_ + size + 1 > kMaxChunkSize)
        return false;
    if (size == 0)
        return true;
    if (!buffer.Data() || std::fwrite(buffer.Data(), 1, size, file_.get()) != size)
        return false;
    dataSize_ += size;
    return true;
}

bool CSoundFile::CompleteHeader()
{
    std::FILE* file = file_.get();
    const std::uint64_t pad = dataSize_ & 1u;
    if (pad && std::fputc(0, file) == EOF)
        return false;
    const std::uint64_t riffSize = kWrittenHeaderSize - kChunkHeaderSize + dataSize_ + pad;
    return WriteAt(file, kRiffSizeOffset, static_cast<std::uint32_t>(riffSize))
        && WriteAt(file, kDataSizeOffset, static_cast<std::uint32_t>(dataSize_));
}

bool CSoundFile::Close()
{
    if (!file_)
        return true;
    bool complete = mode_ != kWriting || CompleteHeader();
    std::FILE* file = file_.release();
    if (std::fclose(file) != 0)
        complete = false;
    if (!complete)
        cpLog(kLogFailure, "Sound file <%s>: cannot complete the file", fileName_.c_str());
    mode_ = kNotUsable;
    return complete;
}
