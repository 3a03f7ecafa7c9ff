#include "compose/Pipe.h"

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

CPipe::CPipe(AudioDeviceFactory devices) : m_out(devices), m_in(devices)
{
    m_out.SetDataCallback(ReadCallback, this);
    m_in.SetDataCallback(WriteCallback, this);
}

CPipe::~CPipe()
{
    VLock control(m_control);
    m_in.Stop();
    m_out.Stop();
    FinishRecording();
    ReplaceFile(nullptr);
}

void CPipe::ReplaceFile(std::unique_ptr<CSoundFile> file)
{
    std::unique_ptr<CSoundFile> old;
    {
        VLock lock(m_fileLock);
        old = std::move(m_file);
        m_file = std::move(file);
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
    m_in.Stop();
    m_out.Stop();
    FinishRecording(); // one that a write error stopped
    return true;
}

bool CPipe::StartRecord(const std::string& path)
{
    VLock control(m_control);
    if (!CanStart("StartRecord", path))
        return false;
    auto target = std::make_unique<safefile::ReplacementFile>(path);
    if (!target->IsOpen()) {
        cpLog(kLogFailure, "StartRecord <%s>: %s", path.c_str(), target->Error().c_str());
        return false;
    }
    auto file = std::make_unique<CSoundFile>(target->TemporaryPath(), &m_in.GetFormat());
    if (!file->IsOK())
        return false; // the temporary file goes with target
    {
        VLock lock(m_fileLock);
        m_writeFailed = false;
    }
    ReplaceFile(std::move(file));
    m_recordTarget = std::move(target);
    if (m_in.Start(&m_in.GetFormat()))
        return true;
    // The device did not open: the temporary file goes, the path keeps what
    // it held.
    ReplaceFile(nullptr);
    m_recordTarget.reset();
    return false;
}

void CPipe::FinishRecording()
{
    if (!m_recordTarget)
        return;
    std::unique_ptr<CSoundFile> file;
    bool writeFailed;
    {
        VLock lock(m_fileLock);
        file = std::move(m_file);
        writeFailed = m_writeFailed;
    }
    std::unique_ptr<safefile::ReplacementFile> target = std::move(m_recordTarget);
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
    VLock lock(m_fileLock);
    if (m_file && !m_writeFailed && !m_file->Write(buffer)) {
        m_writeFailed = true;
        m_in.Stop();
        cpLog(kLogFailure, "Unable to write to file");
    }
}

void CPipe::StopRecord()
{
    VLock control(m_control);
    m_in.Stop();
    FinishRecording();
}

bool CPipe::StartPlay(const std::string& path)
{
    VLock control(m_control);
    if (!CanStart("StartPlay", path))
        return false;
    auto file = std::make_unique<CSoundFile>(path, nullptr);
    const bool opened = file->IsOK();
    const WaveFormat format = file->GetFormat();
    ReplaceFile(std::move(file));
    return opened && m_out.Start(&format);
}

void CPipe::ReadSoundDataFromFile(CBuffer& buffer)
{
    cpLog(kLogTrace, "ReadSoundDataFromFile");
    VLock lock(m_fileLock);
    if (!m_file) {
        buffer.Shrink(0);
        return;
    }
    if (!m_file->Read(buffer)) {
        OnEndOfPlayingFile();
        m_file.reset();
    }
}

void CPipe::StopPlay()
{
    VLock control(m_control);
    m_out.Stop();
    ReplaceFile(nullptr);
}

void CPipe::OnEndOfPlayingFile()
{
}
