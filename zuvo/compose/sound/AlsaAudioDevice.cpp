#include "compose/sound/AlsaAudioDevice.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <thread>

#include "jotter/Jotter.h"

namespace {

using namespace std::chrono_literals;

// How long one transfer waits for the device before it hands back control.
constexpr int kWaitMs = 100;
// How far a stream may run ahead of the wall clock before it is held back:
// more than a sound card's buffer, plus 0.1 % for a card whose clock is fast.
constexpr auto kLeadAllowance = 250ms;
constexpr long long kDriftDivisor = 1000;
// The device buffer: three audio buffers of the caller, at least this long.
constexpr unsigned kMinLatencyUs = 100000;

std::string AlsaError(const char* operation, int code)
{
    char text[256];
    std::snprintf(text, sizeof text, "%x:%s (%s)", -code, snd_strerror(code), operation);
    return text;
}

// ALSA prints its own complaints to stderr; they go to our log instead.
void LogAlsaMessage(const char* file, int line, const char* function, int, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    cpLog(kLogTrace, "ALSA %s:%d (%s) %s", file ? file : "", line, function ? function : "", text);
}

void RouteAlsaMessagesToLog()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(LogAlsaMessage); });
}

} // namespace

AudioDeviceFactory AlsaAudioDevices(std::string pcmName)
{
    return [pcmName = std::move(pcmName)]() -> std::unique_ptr<AudioDevice> {
        return std::make_unique<AlsaAudioDevice>(pcmName);
    };
}

AlsaAudioDevice::AlsaAudioDevice(std::string pcmName) : pcmName_(std::move(pcmName))
{
    RouteAlsaMessagesToLog();
}

AlsaAudioDevice::~AlsaAudioDevice()
{
    Close();
}

bool AlsaAudioDevice::Open(Direction direction, const WaveFormat& format, std::string& error)
{
    Close();
    if (std::string problem = CheckPcmFormat(format); !problem.empty()) {
        error = "unsupported format: " + problem;
        return false;
    }
    const snd_pcm_stream_t stream =
        direction == Direction::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    int code = snd_pcm_open(&pcm_, pcmName_.c_str(), stream, SND_PCM_NONBLOCK);
    if (code < 0) {
        pcm_ = nullptr;
        error = AlsaError(("snd_pcm_open " + pcmName_).c_str(), code);
        return false;
    }
    const snd_pcm_format_t sampleFormat =
        format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    // Three audio buffers of 1000 frames, as the recorder and player queue them.
    const unsigned latencyUs = std::max<unsigned>(
        kMinLatencyUs, static_cast<unsigned>(3000ull * 1000000ull / format.samplesPerSec));
    code = snd_pcm_set_params(pcm_, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                              format.samplesPerSec, 1, latencyUs);
    if (code < 0) {
        error = AlsaError("snd_pcm_set_params", code);
        Close();
        return false;
    }
    rate_ = format.samplesPerSec;
    latency_ = std::chrono::microseconds(latencyUs);
    clockRunning_ = false;
    framesMoved_ = 0;
    return true;
}

std::size_t AlsaAudioDevice::FramesDueNow()
{
    const Clock::time_point now = Clock::now();
    if (!clockRunning_) {
        started_ = now;
        clockRunning_ = true;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - started_);
    const auto allowed = elapsed + kLeadAllowance + elapsed / kDriftDivisor;
    const unsigned long long due = static_cast<unsigned long long>(allowed.count()) * rate_ / 1000000ull;
    return due > framesMoved_ ? static_cast<std::size_t>(due - framesMoved_) : 0;
}

template <typename TransferCall>
long AlsaAudioDevice::Transfer(std::size_t frames, std::string& error, TransferCall transfer)
{
    if (!pcm_) {
        error = "device not open";
        return -1;
    }
    std::size_t due = std::min(frames, FramesDueNow());
    if (due == 0) {
        // Ahead of the clock: wait a little, then let the caller look again.
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs / 4));
        return 0;
    }
    std::size_t moved = 0;
    while (moved < due) {
        snd_pcm_sframes_t result = transfer(moved, due - moved);
        if (result >= 0) {
            moved += static_cast<std::size_t>(result);
            continue;
        }
        if (result == -EAGAIN) {
            int ready = snd_pcm_wait(pcm_, kWaitMs);
            if (ready == 0)
                break; // nothing ready in time
            if (ready > 0 || ready == -EPIPE || ready == -ESTRPIPE)
                continue;
            result = ready;
        }
        // An overrun or underrun (or a suspend) is mended and the transfer goes on.
        if (snd_pcm_recover(pcm_, static_cast<int>(result), 1) == 0)
            continue;
        error = AlsaError("transfer", static_cast<int>(result));
        return -1;
    }
    framesMoved_ += moved;
    return static_cast<long>(moved);
}

long AlsaAudioDevice::Read(std::uint8_t* data, std::size_t frames, std::string& error)
{
    return Transfer(frames, error, [&](std::size_t done, std::size_t count) {
        return snd_pcm_readi(pcm_, data + snd_pcm_frames_to_bytes(pcm_, done), count);
    });
}

long AlsaAudioDevice::Write(const std::uint8_t* data, std::size_t frames, std::string& error)
{
    return Transfer(frames, error, [&](std::size_t done, std::size_t count) {
        return snd_pcm_writei(pcm_, data + snd_pcm_frames_to_bytes(pcm_, done), count);
    });
}

void AlsaAudioDevice::Drain()
{
    if (!pcm_)
        return;
    // The stream is non-blocking: the drain goes on in the background while
    // the state says so, and is cut short if the device never finishes.
    int code = snd_pcm_drain(pcm_);
    const Clock::time_point deadline = Clock::now() + latency_ + 1s;
    while (code == -EAGAIN && snd_pcm_state(pcm_) == SND_PCM_STATE_DRAINING && Clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    Close();
}

void AlsaAudioDevice::Close()
{
    if (!pcm_)
        return;
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
}
