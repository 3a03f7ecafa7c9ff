#include "compose/sound/Pipe.h"

#include "jotter/Jotter.h"
#include "spindle/VLock.h"

using Spindle::VLock;

namespace {

void ReadCallback(CBuffer& buffer, void* pipe)
{
    static_cast<CPipe*>(pipe)->ReadSoundDataFromFile(buffer);
}

void WriteCallback(CBuffer& buffer, void* pipe)
{
    static_cast<CPipe*>(pipe)->WriteSoundDataToFile(buffer);
}

} // namespace

CPipe::CPipe(AudioDeviceFactory devices) : out_(devices), in_(devices)
{
    out_.SetDataCallback(ReadCallback, this);
    in_.SetDataCallback(WriteCallback, this);
}

CPipe::~CPipe()
{
    VLock control(control_);
    in_.Stop();
    out_.Stop();
    FinishRecording();
    ReplaceFile(nullptr);
}

void CPipe::ReplaceFile(std::unique_ptr<CSoundFile> file)
{
    std::unique_ptr<CSoundFile> old;
    {
        VLock lock(fileLock_);
        old = std::move(file_);
        file_ = std::move(file);
    }
    // old closes here, outside the lock
}

bool CPipe::CanStart(const char* operation, const std::string& path)
{
    if (IsBusy()) {
        cpLog(kLogFailure, "%s <%s>: the sound pipe is busy", operation, path.c_str());
        return false;
    }
    // Neither stream runs; wait until their threads have also let go of the
    // file and the device.
    in_.Stop();
    out_.Stop();
    FinishRecording(); // one that a write error stopped
    return true;
}

bool CPipe::StartRecord(const std::string& path)
{
    VLock control(control_);
    if (!CanStart("StartRecord", path))
        return false;
    auto target = std::make_unique<safefile::ReplacementFile>(path);
    if (!target->IsOpen()) {
        cpLog(kLogFailure, "StartRecord <%s>: %s", path.c_str(), target->Error().c_str());
        return false;
    }
    auto file = std::make_unique<CSoundFile>(target->TemporaryPath(), &in_.GetFormat());
    if (!file->IsOK())
        return false; // the temporary file goes with target
    {
        VLock lock(fileLock_);
        writeFailed_ = false;
    }
    ReplaceFile(std::move(file));
    recordTarget_ = std::move(target);
    if (in_.Start(&in_.GetFormat()))
        return true;
    // The device did not open: the temporary file goes, the path keeps what
    // it held.
    ReplaceFile(nullptr);
    recordTarget_.reset();
    return false;
}

void CPipe::FinishRecording()
{
    if (!recordTarget_)
        return;
    std::unique_ptr<CSoundFile> file;
    bool writeFailed;
    {
        VLock lock(fileLock_);
        file = std::move(file_);
        writeFailed = writeFailed_;
    }
    std::unique_ptr<safefile::ReplacementFile> target = std::move(recordTarget_);
    const bool complete = file && file->Close() && !writeFailed;
    if (!complete) {
        target->Discard();
        cpLog(kLogFailure, "Recording for <%s> is incomplete and was not kept", target->Target().c_str());
        return;
    }
    if (!target->Commit())
        cpLog(kLogFailure, "Recording for <%s> cannot take its place: %s",
              target->Target().c_str(), target->Error().c_str());
}

void CPipe::WriteSoundDataToFile(CBuffer& buffer)
{
    cpLog(kLogTrace, "WriteSoundDataToFile");
    VLock lock(fileLock_);
    if (file_ && !writeFailed_ && !file_->Write(buffer)) {
        writeFailed_ = true;
        in_.Stop();
        cpLog(kLogFailure, "Unable to write to file");
    }
}

void CPipe::StopRecord()
{
    VLock control(control_);
    in_.Stop();
    FinishRecording();
}

bool CPipe::StartPlay(const std::string& path)
{
    VLock control(control_);
    if (!CanStart("StartPlay", path))
        return false;
    auto file = std::make_unique<CSoundFile>(path, nullptr);
    const bool opened = file->IsOK();
    const WaveFormat format = file->GetFormat();
    ReplaceFile(std::move(file));
    return opened && out_.Start(&format);
}

void CPipe::ReadSoundDataFromFile(CBuffer& buffer)
{
    cpLog(kLogTrace, "ReadSoundDataFromFile");
    VLock lock(fileLock_);
    if (!file_) {
        buffer.Shrink(0);
        return;
    }
    if (!file_->Read(buffer)) {
        OnEndOfPlayingFile();
        file_.reset();
    }
}

void CPipe::StopPlay()
{
    VLock control(control_);
    out_.Stop();
    ReplaceFile(nullptr);
}

void CPipe::OnEndOfPlayingFile()
{
}
