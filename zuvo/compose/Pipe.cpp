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
        cpLog(3, "%s <%s>: the sound pipe is busy", operation, path.c_str());
        return false;
    }
    // Neither stream runs; wait until their threads have also let go of the
    // file and the device.
    m_in.Stop();
    m_out.Stop();
    return true;
}

bool CPipe::StartRecord(const std::string& path)
{
    VLock control(m_control);
    if (!CanStart("StartRecord", path))
        return false;
    auto file = std::make_unique<CSoundFile>(path, &m_in.GetFormat());
    const bool opened = file->IsOK();
    ReplaceFile(std::move(file));
    return opened && m_in.Start(&m_in.GetFormat());
}

void CPipe::WriteSoundDataToFile(CBuffer& buffer)
{
    cpLog(6, "WriteSoundDataToFile");
    VLock lock(m_fileLock);
    if (m_file && !m_file->Write(buffer)) {
        m_in.Stop();
        cpLog(3, "Unable to write to file");
    }
}

void CPipe::StopRecord()
{
    VLock control(m_control);
    m_in.Stop();
    ReplaceFile(nullptr);
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
    cpLog(6, "ReadSoundDataFromFile");
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
