// The WAV reader and writer, checked against the bytes on disk and against sox.

#include <gtest/gtest.h>

#include "SoundTestSupport.h"
#include "compose/sound/Buffer.h"
#include "compose/sound/SoundFile.h"

using namespace soundtest;

namespace {

// Reads every sample byte of an open file through buffers of the given size.
Bytes ReadAll(CSoundFile& file, std::size_t bufferSize)
{
    Bytes all;
    for (;;) {
        CBuffer buffer(bufferSize);
        if (!file.Read(buffer))
            break;
        all.insert(all.end(), buffer.Data(), buffer.Data() + buffer.Size());
    }
    return all;
}

WaveFormat Format(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    CSoundBase base;
    base.SetNumberOfChannels(channels);
    base.SetSamplesPerSecond(rate);
    base.SetBitsPerSample(bits);
    return base.GetFormat();
}

} // namespace

using SoundFileTest = SoundTest;

TEST(SoundBase, DefaultsAndDerivedFields)
{
    CSoundBase base;
    EXPECT_EQ(base.GetFormat().formatTag, kWaveFormatPcm);
    EXPECT_EQ(base.GetSamplesPerSecond(), 22050u);
    EXPECT_EQ(base.GetNumberOfChannels(), 1);
    EXPECT_EQ(base.GetBitsPerSample(), 16);
    EXPECT_EQ(base.GetBufferBytes(), 2000u);

    base.SetNumberOfChannels(2);
    base.SetSamplesPerSecond(8000);
    EXPECT_EQ(base.GetFormat().blockAlign, 4);
    EXPECT_EQ(base.GetFormat().avgBytesPerSec, 32000u);
    EXPECT_EQ(base.GetBufferBytes(), 4000u);
}

// An odd number of 8-bit samples needs a pad byte after the data chunk; the
// RIFF size counts it, the data size does not.
TEST_F(SoundFileTest, WrittenFileHasCompleteHeaderAndPadByte)
{
    const WaveFormat format = Format(1, 8000, 8);
    const Bytes samples = Pattern(1001);
    {
        CSoundFile file(Path("odd.wav").string(), &format);
        ASSERT_TRUE(file.IsOK());
        CBuffer first(const_cast<std::uint8_t*>(samples.data()), 1000);
        CBuffer last(const_cast<std::uint8_t*>(samples.data()) + 1000, 1);
        EXPECT_TRUE(file.Write(first));
        EXPECT_TRUE(file.Write(last));
    }
    Bytes expected = Riff("WAVE", {Chunk("fmt ", FmtBody(1, 1, 8000, 8)), Chunk("data", samples)});
    EXPECT_EQ(ReadFile(Path("odd.wav")), expected);

    EXPECT_EQ(Soxi(Path("odd.wav"), {"-r", "-c", "-b", "-s"}), "8000\n1\n8\n1001\n");
}

TEST_F(SoundFileTest, WrittenSamplesReadBackInTheirFormat)
{
    const WaveFormat format = Format(2, 44100, 16);
    const Bytes samples = Pattern(4 * 2500);
    {
        CSoundFile file(Path("stereo.wav").string(), &format);
        CBuffer all(const_cast<std::uint8_t*>(samples.data()), samples.size());
        ASSERT_TRUE(file.Write(all));
    }
    CSoundFile file(Path("stereo.wav").string(), nullptr);
    ASSERT_TRUE(file.IsOK());
    EXPECT_EQ(file.GetNumberOfChannels(), 2);
    EXPECT_EQ(file.GetSamplesPerSecond(), 44100u);
    EXPECT_EQ(file.GetBitsPerSample(), 16);
    EXPECT_EQ(ReadAll(file, 1000), samples);
}

TEST_F(SoundFileTest, WriterRefusesFormatsItCannotRecordAndUncreatableFiles)
{
    WaveFormat stereo24 = Format(2, 22050, 24);
    CSoundFile badFormat(Path("x.wav").string(), &stereo24);
    EXPECT_FALSE(badFormat.IsOK());
    const WaveFormat good = Format(1, 22050, 16);
    CSoundFile badPlace(Path("no/such/dir/x.wav").string(), &good);
    EXPECT_FALSE(badPlace.IsOK());
    CBuffer buffer(10);
    EXPECT_FALSE(badPlace.Write(buffer));
    EXPECT_NE(Log().find("cannot create"), std::string::npos) << Log();
}

// Chunks the reader does not know come before the format, between format and
// samples, and after the samples; none of their bytes may show up as sound.
TEST_F(SoundFileTest, ReadsOnlyTheDataChunkAmongOtherChunks)
{
    const Bytes samples = Pattern(2 * 1777);
    const Bytes noise(301, 0xEE); // odd size: a pad byte follows it
    Bytes wav = Riff("WAVE", {Chunk("JUNK", noise), Chunk("fmt ", FmtBody(1, 1, 11025, 16, false)),
                              Chunk("fact", Pattern(4)), Chunk("LIST", noise), Chunk("data", samples),
                              Chunk("LIST", noise)});
    WriteFile(Path("chunks.wav"), wav);

    CSoundFile file(Path("chunks.wav").string(), nullptr);
    ASSERT_TRUE(file.IsOK()) << Log();
    EXPECT_EQ(file.GetSamplesPerSecond(), 11025u);
    EXPECT_EQ(file.GetFormat().extraSize, 0);
    EXPECT_EQ(ReadAll(file, 2000), samples);
}

TEST_F(SoundFileTest, ReadsWhatATruncatedFileHoldsInWholeFrames)
{
    Bytes wav = Riff("WAVE", {Chunk("fmt ", FmtBody(1, 2, 8000, 16)), Chunk("data", Pattern(4000))});
    wav.resize(wav.size() - 1001); // cut inside the samples, leaving 2999 of them: 749 frames and 3 bytes
    WriteFile(Path("cut.wav"), wav);

    CSoundFile file(Path("cut.wav").string(), nullptr);
    ASSERT_TRUE(file.IsOK());
    Bytes expected = Pattern(4 * 749);
    EXPECT_EQ(ReadAll(file, 4 * 300), expected);
}

TEST_F(SoundFileTest, ReadsAFileMadeBySox)
{
    ASSERT_EQ(RunTool("sox -n -r 16000 -c 2 -b 16 " + Quote(Path("sox.wav")) + " synth 0.25 sine 440").status, 0);
    CSoundFile file(Path("sox.wav").string(), nullptr);
    ASSERT_TRUE(file.IsOK());
    EXPECT_EQ(file.GetSamplesPerSecond(), 16000u);
    EXPECT_EQ(file.GetNumberOfChannels(), 2);
    // sox's own count of samples per channel, times 4 bytes per frame.
    CommandResult count = RunTool("soxi -s " + Quote(Path("sox.wav")));
    ASSERT_EQ(count.status, 0);
    EXPECT_EQ(ReadAll(file, 2000).size(), std::stoul(count.output) * 4);
}

struct BadFile {
    const char* name;
    Bytes bytes;
    const char* message;
};

class MalformedSoundFile : public SoundTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(MalformedSoundFile, IsRefusedWithAReason)
{
    WriteFile(Path("bad.wav"), GetParam().bytes);
    CSoundFile file(Path("bad.wav").string(), nullptr);
    EXPECT_FALSE(file.IsOK());
    CBuffer buffer(100);
    EXPECT_FALSE(file.Read(buffer));
    EXPECT_EQ(buffer.Size(), 0u);
    EXPECT_NE(Log().find(GetParam().message), std::string::npos) << Log();
}

const Bytes kSamples = Pattern(200);
const Bytes kFmt = Chunk("fmt ", FmtBody(1, 1, 22050, 16));

INSTANTIATE_TEST_SUITE_P(
    SoundFile, MalformedSoundFile,
    ::testing::Values(
        BadFile{"Empty", {}, "not a RIFF WAVE file"},
        BadFile{"NotRiff", Chunk("RIFX", Pattern(40)), "not a RIFF WAVE file"},
        BadFile{"NotWave", Riff("AVI ", {kFmt, Chunk("data", kSamples)}), "not a RIFF WAVE file"},
        BadFile{"NoFormat", Riff("WAVE", {Chunk("data", kSamples)}), "no \"fmt \" chunk"},
        BadFile{"ShortFormat", Riff("WAVE", {Chunk("fmt ", Pattern(14)), Chunk("data", kSamples)}),
                "is malformed"},
        BadFile{"FormatPastEnd", Riff("WAVE", {Bytes{'f', 'm', 't', ' ', 0x40, 0, 0, 0, 1, 0, 1, 0}}),
                "is malformed"},
        BadFile{"NoData", Riff("WAVE", {kFmt, Chunk("LIST", kSamples)}), "error reading data chunk"},
        BadFile{"DataBeforeFormat", Riff("WAVE", {Chunk("data", kSamples), kFmt}),
                "error reading data chunk"},
        BadFile{"Float", Riff("WAVE", {Chunk("fmt ", FmtBody(3, 1, 22050, 32)), Chunk("data", kSamples)}),
                "format tag 3 is not PCM"},
        BadFile{"Extensible", Riff("WAVE", {Chunk("fmt ", FmtBody(0xFFFE, 1, 22050, 16)), Chunk("data", kSamples)}),
                "is not PCM"},
        BadFile{"NoChannels", Riff("WAVE", {Chunk("fmt ", FmtBody(1, 0, 22050, 16)), Chunk("data", kSamples)}),
                "0 channels"},
        BadFile{"SixChannels", Riff("WAVE", {Chunk("fmt ", FmtBody(1, 6, 22050, 16)), Chunk("data", kSamples)}),
                "6 channels"},
        BadFile{"TwentyFourBits", Riff("WAVE", {Chunk("fmt ", FmtBody(1, 1, 22050, 24)), Chunk("data", kSamples)}),
                "24 bits per sample"},
        BadFile{"WrongBlockAlign",
                Riff("WAVE", {Chunk("fmt ", FmtBody(1, 2, 22050, 16, true, 1)), Chunk("data", kSamples)}),
                "block alignment 1 does not fit"},
        BadFile{"ZeroRate", Riff("WAVE", {Chunk("fmt ", FmtBody(1, 1, 0, 16)), Chunk("data", kSamples)}),
                "sample rate 0 Hz"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(SoundFileTest, MissingFileIsRefusedWithAReason)
{
    CSoundFile file(Path("absent.wav").string(), nullptr);
    EXPECT_FALSE(file.IsOK());
    EXPECT_NE(Log().find("absent.wav>: cannot open: No such file or directory"), std::string::npos) << Log();
}
