#pragma once

// Helpers of the sound tests: a scratch directory, WAV files built byte by
// byte, external tools as oracles, the log captured into a file, and a
// device wrapper that counts what reaches the real device.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "compose/sound/AlsaAudioDevice.h"
#include "jotter/Jotter.h"
#include "testsupport/TestSupport.h"

namespace soundtest {

using Bytes = std::vector<std::uint8_t>;

inline void Append16(Bytes& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Append32(Bytes& bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void AppendText(Bytes& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// A chunk with its header and, for an odd size, its pad byte.
inline Bytes Chunk(const std::string& id, const Bytes& body)
{
    Bytes bytes;
    AppendText(bytes, id);
    Append32(bytes, static_cast<std::uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2)
        bytes.push_back(0);
    return bytes;
}

// A "fmt " body: 16 bytes, or 18 with the extra-size field.
inline Bytes FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                     bool withExtraSize = true, int blockAlign = -1)
{
    const std::uint16_t align =
        blockAlign >= 0 ? static_cast<std::uint16_t>(blockAlign) : static_cast<std::uint16_t>(channels * bits / 8);
    Bytes body;
    Append16(body, tag);
    Append16(body, channels);
    Append32(body, rate);
    Append32(body, rate * align);
    Append16(body, align);
    Append16(body, bits);
    if (withExtraSize)
        Append16(body, 0);
    return body;
}

inline Bytes Riff(const std::string& form, const std::vector<Bytes>& chunks)
{
    Bytes inner;
    AppendText(inner, form);
    for (const Bytes& chunk : chunks)
        inner.insert(inner.end(), chunk.begin(), chunk.end());
    Bytes bytes;
    AppendText(bytes, "RIFF");
    Append32(bytes, static_cast<std::uint32_t>(inner.size()));
    bytes.insert(bytes.end(), inner.begin(), inner.end());
    return bytes;
}

// Samples that are easy to tell apart: byte i is (i * 7 + 3) mod 256.
inline Bytes Pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    testsupport::writeFile(path.string(), std::string(bytes.begin(), bytes.end()));
}

inline Bytes ReadFile(const std::filesystem::path& path)
{
    const std::string bytes = testsupport::readFile(path.string());
    return Bytes(bytes.begin(), bytes.end());
}

using testsupport::CommandResult;

// Runs a shell command and collects its standard output.
inline CommandResult RunTool(const std::string& command)
{
    return testsupport::run(command);
}

inline std::string Quote(const std::filesystem::path& path)
{
    return testsupport::quote(path.string());
}

// soxi's answers for the given fields (it prints one field per call), one a line.
inline std::string Soxi(const std::filesystem::path& file, const std::vector<std::string>& fields)
{
    std::string answers;
    for (const std::string& field : fields) {
        CommandResult result = RunTool("soxi " + field + " " + Quote(file));
        if (result.status != 0)
            return "soxi " + field + " failed";
        answers += result.output;
    }
    return answers;
}

// A scratch directory for one test, with the log written into it.
class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir_ = std::filesystem::temp_directory_path()
            / ("zuvo_sound_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ASSERT_EQ(cpLogOpen(Path("zuvo.log").c_str()), 1);
    }

    void TearDown() override
    {
        cpLogClose();
        if (!HasFailure())
            std::filesystem::remove_all(dir_);
    }

    std::filesystem::path Path(const std::string& name) const { return dir_ / name; }
    std::string Log() const
    {
        Bytes bytes = ReadFile(dir_ / "zuvo.log");
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::filesystem::path dir_;
};

// What reached a device stream: opens, closes and the bytes played.
struct DeviceRecord {
    std::mutex mutex;
    int opens = 0;
    int closes = 0;
    Bytes played;
    std::size_t frameBytes = 0;
};

// A real device stream that tells a DeviceRecord what passes through it.
class RecordingDevice : public AudioDevice {
public:
    RecordingDevice(std::unique_ptr<AudioDevice> inner, std::shared_ptr<DeviceRecord> record)
        : inner_(std::move(inner)), record_(std::move(record))
    {
    }
    ~RecordingDevice() override { Close(); }

    bool Open(Direction direction, const WaveFormat& format, std::string& error) override
    {
        open_ = inner_->Open(direction, format, error);
        std::lock_guard<std::mutex> lock(record_->mutex);
        if (open_) {
            ++record_->opens;
            record_->frameBytes = format.blockAlign;
        }
        return open_;
    }
    long Read(std::uint8_t* data, std::size_t frames, std::string& error) override
    {
        return inner_->Read(data, frames, error);
    }
    long Write(const std::uint8_t* data, std::size_t frames, std::string& error) override
    {
        long moved = inner_->Write(data, frames, error);
        if (moved > 0) {
            std::lock_guard<std::mutex> lock(record_->mutex);
            record_->played.insert(record_->played.end(), data, data + moved * record_->frameBytes);
        }
        return moved;
    }
    void Drain() override
    {
        inner_->Drain();
        Closed();
    }
    void Close() override
    {
        inner_->Close();
        Closed();
    }

private:
    void Closed()
    {
        if (!open_)
            return;
        open_ = false;
        std::lock_guard<std::mutex> lock(record_->mutex);
        ++record_->closes;
    }

    std::unique_ptr<AudioDevice> inner_;
    std::shared_ptr<DeviceRecord> record_;
    bool open_ = false;
};

inline AudioDeviceFactory RecordedAlsaDevices(const std::string& pcmName, std::shared_ptr<DeviceRecord> record)
{
    return [pcmName, record]() -> std::unique_ptr<AudioDevice> {
        return std::make_unique<RecordingDevice>(std::make_unique<AlsaAudioDevice>(pcmName), record);
    };
}

using testsupport::waitFor;

} // namespace soundtest
