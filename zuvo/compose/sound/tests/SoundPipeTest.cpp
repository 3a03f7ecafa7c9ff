// Recording and playback through ALSA's "null" device, which needs no sound
// card, and its "file" device, which keeps what was played.

#include <chrono>
#include <csignal>
#include <set>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "SoundTestSupport.h"
#include "compose/sound/Pipe.h"
#include "compose/sound/PipeNotificationSoundPlayer.h"

using namespace soundtest;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

class SoundPipeTest : public SoundTest {
protected:
    std::shared_ptr<DeviceRecord> record = std::make_shared<DeviceRecord>();
    AudioDeviceFactory nullDevices = RecordedAlsaDevices("null", record);

    void MakeSine(const std::string& name, double seconds)
    {
        ASSERT_EQ(RunTool("sox -n -r 22050 -c 1 -b 16 " + Quote(Path(name)) + " synth " + std::to_string(seconds)
                      + " sine 440")
                      .status,
                  0);
    }
    int Opens()
    {
        std::lock_guard<std::mutex> lock(record->mutex);
        return record->opens;
    }
    int Closes()
    {
        std::lock_guard<std::mutex> lock(record->mutex);
        return record->closes;
    }
    Bytes Played()
    {
        std::lock_guard<std::mutex> lock(record->mutex);
        return record->played;
    }
    // The names in the test's directory.
    std::set<std::string> Entries()
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Path("")))
            names.insert(entry.path().filename().string());
        return names;
    }
};

// Files of this process cannot grow past `bytes` while it lives; a write
// past it fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// The samples of a WAV file as sox decodes them, as raw 16-bit words.
Bytes SoxSamples(const std::filesystem::path& wav, const std::filesystem::path& raw)
{
    EXPECT_EQ(RunTool("sox " + Quote(wav) + " -t raw " + Quote(raw)).status, 0);
    return ReadFile(raw);
}

} // namespace

// The recording replaces what was at its path only once it is complete.
TEST_F(SoundPipeTest, RecordingOnTheNullDeviceWritesAWavFileThatSoxReads)
{
    WriteFile(Path("rec.wav"), Pattern(100));
    CPipe pipe(nullDevices);
    const auto started = Clock::now();
    ASSERT_TRUE(pipe.StartRecord(Path("rec.wav").string())) << Log();
    EXPECT_TRUE(pipe.IsRecording());
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(ReadFile(Path("rec.wav")), Pattern(100)) << "the old file stays while recording";
    pipe.StopRecord();
    EXPECT_EQ(Entries(), (std::set<std::string>{"rec.wav", "zuvo.log"}));
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    EXPECT_FALSE(pipe.IsRecording());
    EXPECT_EQ(Closes(), 1);

    const std::uintmax_t size = std::filesystem::file_size(Path("rec.wav"));
    // xxd shows the header as the disk holds it.
    CommandResult xxd = RunTool("xxd -l 46 -p " + Quote(Path("rec.wav")) + " | tr -d '\\n'");
    ASSERT_EQ(xxd.status, 0);
    auto hex32 = [](std::uint32_t value) {
        char text[9];
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x", value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF,
                      value >> 24);
        return std::string(text);
    };
    const std::string expected = "52494646" + hex32(static_cast<std::uint32_t>(size - 8)) + "57415645" // RIFF, WAVE
        + "666d7420" + "12000000"                                                                       // "fmt ", 18
        + "0100" + "0100" + "22560000" + "44ac0000" + "0200" + "1000" + "0000" // PCM mono 22050 Hz, 16 bits
        + "64617461" + hex32(static_cast<std::uint32_t>(size - 46));            // "data"
    EXPECT_EQ(xxd.output, expected);

    EXPECT_EQ(Soxi(Path("rec.wav"), {"-t", "-r", "-c", "-b", "-e"}), "wav\n22050\n1\n16\nSigned Integer PCM\n");

    // The null device is held to the sample rate: the recording is about as
    // long as it ran, not as long as the machine could have written.
    const double recorded = static_cast<double>(size - 46) / 44100.0;
    EXPECT_GT(recorded, 0.2);
    EXPECT_LT(recorded, seconds + 0.3);
    EXPECT_EQ((size - 46) % 2, 0u);
}

// A recording that fails keeps whatever was at its path, byte for byte (cmp
// is the judge), and leaves no temporary file beside it.
TEST_F(SoundPipeTest, ARecordingThatFailsLeavesAnExistingFileAsItWas)
{
    MakeSine("voice.wav", 0.3);
    ASSERT_EQ(RunTool("cp " + Quote(Path("voice.wav")) + " " + Quote(Path("voice.copy"))).status, 0);
    auto unchanged = [&] {
        return RunTool("cmp " + Quote(Path("voice.wav")) + " " + Quote(Path("voice.copy"))).status == 0
            && Entries() == std::set<std::string>{"voice.wav", "voice.copy", "zuvo.log"};
    };

    // A device that cannot be opened.
    {
        CPipe pipe(AlsaAudioDevices("zuvo_no_such_device"));
        EXPECT_FALSE(pipe.StartRecord(Path("voice.wav").string()));
    }
    EXPECT_TRUE(unchanged());

    // A write error partway: the file size limit stops the samples.
    {
        FileSizeLimit limit(20000);
        CPipe pipe(nullDevices);
        ASSERT_TRUE(pipe.StartRecord(Path("voice.wav").string())) << Log();
        EXPECT_TRUE(waitFor([&] { return !pipe.IsRecording(); }));
        pipe.StopRecord();
    }
    EXPECT_TRUE(unchanged());
    const std::string log = Log();
    EXPECT_NE(log.find("Unable to write to file"), std::string::npos) << log;
    EXPECT_NE(log.find("is incomplete and was not kept"), std::string::npos) << log;
    EXPECT_EQ(Closes(), 1);

    // A path that cannot be written beside.
    CPipe pipe(nullDevices);
    EXPECT_FALSE(pipe.StartRecord(Path("missing/voice.wav").string()));
    EXPECT_EQ(Opens(), 1) << "no device opened for it";
}

TEST_F(SoundPipeTest, SoxFilePlaysToTheNullDeviceAndTheDeviceCloses)
{
    MakeSine("sine.wav", 0.5);
    CPipe pipe(nullDevices);
    ASSERT_TRUE(pipe.StartPlay(Path("sine.wav").string())) << Log();
    EXPECT_TRUE(waitFor([&] { return !pipe.IsPlaying() && Closes() == 1; })) << Log();
    EXPECT_EQ(Opens(), 1);
    EXPECT_EQ(Played(), SoxSamples(Path("sine.wav"), Path("sine.raw")));
    EXPECT_NE(Log().find("Close wave"), std::string::npos);
}

// Fewer samples than one audio buffer: the first buffer carries them, the
// later ones are empty, and the player stops and closes by itself.
TEST_F(SoundPipeTest, FileShorterThanOneBufferPlaysAndCloses)
{
    const Bytes samples = Pattern(2 * 300);
    WriteFile(Path("short.wav"), Riff("WAVE", {Chunk("fmt ", FmtBody(1, 1, 22050, 16)), Chunk("data", samples)}));
    CPipe pipe(nullDevices);
    ASSERT_TRUE(pipe.StartPlay(Path("short.wav").string()));
    EXPECT_TRUE(waitFor([&] { return !pipe.IsPlaying() && Closes() == 1; }));
    EXPECT_EQ(Played(), samples);
}

// Through ALSA's file device what reaches the device is written to a file:
// only the samples of the data chunk, none of the chunks around it.
TEST_F(SoundPipeTest, WavWithExtraChunksPlaysOnlyItsSamples)
{
    const Bytes samples = Pattern(2 * 2 * 2345);
    const Bytes noise(999, 0x5A);
    WriteFile(Path("extra.wav"),
              Riff("WAVE", {Chunk("LIST", noise), Chunk("fmt ", FmtBody(1, 2, 22050, 16, false)), Chunk("fact", noise),
                            Chunk("data", samples), Chunk("LIST", noise), Chunk("id3 ", noise)}));
    const std::string device = "file:'" + Path("played.raw").string() + "',raw";
    CPipe pipe(RecordedAlsaDevices(device, record));
    ASSERT_TRUE(pipe.StartPlay(Path("extra.wav").string())) << Log();
    ASSERT_TRUE(waitFor([&] { return !pipe.IsPlaying() && Closes() == 1; }));
    EXPECT_EQ(ReadFile(Path("played.raw")), samples);
}

TEST_F(SoundPipeTest, MissingFileOrMalformedHeaderIsRefusedWithoutOpeningTheDevice)
{
    WriteFile(Path("bad.wav"), Riff("WAVE", {Chunk("data", Pattern(100))}));
    CPipe pipe(nullDevices);
    EXPECT_FALSE(pipe.StartPlay(Path("missing.wav").string()));
    EXPECT_FALSE(pipe.StartPlay(Path("bad.wav").string()));
    EXPECT_FALSE(pipe.IsPlaying());
    EXPECT_EQ(Opens(), 0);
    const std::string log = Log();
    EXPECT_NE(log.find("missing.wav>: cannot open"), std::string::npos) << log;
    EXPECT_NE(log.find("bad.wav>: no \"fmt \" chunk"), std::string::npos) << log;
}

// A machine without a sound card: opening fails at once, with the reason.
TEST_F(SoundPipeTest, DeviceThatCannotBeOpenedFailsAtOnce)
{
    MakeSine("sine.wav", 0.1);
    for (const char* name : {"hw:97,0", "zuvo_no_such_device"}) {
        CPipe pipe(AlsaAudioDevices(name));
        const auto started = Clock::now();
        EXPECT_FALSE(pipe.StartPlay(Path("sine.wav").string())) << name;
        EXPECT_FALSE(pipe.StartRecord(Path("rec.wav").string())) << name;
        EXPECT_LT(Clock::now() - started, 2s) << name;
        EXPECT_FALSE(pipe.IsPlaying());
        EXPECT_FALSE(pipe.IsRecording());
    }
    const std::string log = Log();
    EXPECT_NE(log.find("WAVEOUT:"), std::string::npos) << log;
    EXPECT_NE(log.find("WAVEIN:"), std::string::npos) << log;
    EXPECT_NE(log.find("snd_pcm_open zuvo_no_such_device"), std::string::npos) << log;
}

// One current file: while one stream runs the pipe refuses to start another,
// and the running one goes on with its own file.
TEST_F(SoundPipeTest, BusyPipeRefusesAnotherStartAndKeepsPlaying)
{
    MakeSine("long.wav", 1.0);
    MakeSine("other.wav", 0.1);
    CPipe pipe(nullDevices);
    ASSERT_TRUE(pipe.StartPlay(Path("long.wav").string()));
    EXPECT_FALSE(pipe.StartPlay(Path("other.wav").string()));
    EXPECT_FALSE(pipe.StartRecord(Path("rec.wav").string()));
    EXPECT_FALSE(std::filesystem::exists(Path("rec.wav")));
    EXPECT_TRUE(waitFor([&] { return !pipe.IsPlaying() && Closes() == 1; }));
    EXPECT_EQ(Played(), SoxSamples(Path("long.wav"), Path("long.raw")));
    EXPECT_NE(Log().find("the sound pipe is busy"), std::string::npos);
}

TEST_F(SoundPipeTest, StopPlayEndsPlaybackAndClosesTheDeviceBeforeReturning)
{
    MakeSine("long.wav", 3.0);
    CPipe pipe(nullDevices);
    ASSERT_TRUE(pipe.StartPlay(Path("long.wav").string()));
    std::this_thread::sleep_for(100ms);
    const auto stopping = Clock::now();
    pipe.StopPlay();
    EXPECT_LT(Clock::now() - stopping, 1s);
    EXPECT_FALSE(pipe.IsPlaying());
    EXPECT_EQ(Closes(), 1);
    EXPECT_LT(Played().size(), std::filesystem::file_size(Path("long.wav")) / 2);
    // The pipe is free again.
    ASSERT_TRUE(pipe.StartPlay(Path("long.wav").string()));
    pipe.StopPlay();
    EXPECT_EQ(Closes(), 2);
}

TEST_F(SoundPipeTest, DestroyingAPipeStopsItsStreams)
{
    MakeSine("long.wav", 3.0);
    {
        CPipe player(nullDevices);
        ASSERT_TRUE(player.StartPlay(Path("long.wav").string()));
        CPipe recorder(nullDevices);
        ASSERT_TRUE(recorder.StartRecord(Path("rec.wav").string()));
    }
    EXPECT_EQ(Closes(), 2);
    EXPECT_EQ(RunTool("soxi -r " + Quote(Path("rec.wav"))).output, "22050\n");
}

TEST_F(SoundPipeTest, NotificationSoundReplacesTheOnePlaying)
{
    MakeSine("first.wav", 3.0);
    MakeSine("second.wav", 0.2);
    PipeNotificationSoundPlayer player(nullDevices);
    EXPECT_FALSE(player.Play(""));
    EXPECT_EQ(Opens(), 0);

    ASSERT_TRUE(player.Play(Path("first.wav").string()));
    const auto replacing = Clock::now();
    ASSERT_TRUE(player.Play(Path("second.wav").string())) << Log();
    EXPECT_LT(Clock::now() - replacing, 1s);
    EXPECT_TRUE(waitFor([&] { return !player.IsPlaying() && Closes() == 2; }));
    EXPECT_EQ(Opens(), 2);

    const Bytes second = SoxSamples(Path("second.wav"), Path("second.raw"));
    const Bytes played = Played();
    ASSERT_GE(played.size(), second.size());
    EXPECT_TRUE(std::equal(second.begin(), second.end(), played.end() - static_cast<long>(second.size())));

    EXPECT_FALSE(player.Play(Path("missing.wav").string()));
    player.Stop();
}
