#include "safefile/ReplacementFile.h"

#include "Beside.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace safefile {

ReplacementFile::ReplacementFile(std::string target) : m_target(std::move(target))
{
    const std::size_t slash = m_target.rfind('/');
    if (m_target.empty() || slash == m_target.size() - 1) {
        errno = EINVAL;
        Fail("no file name");
        return;
    }
    // Through a symbolic link, the file it names is replaced.
    m_file = beside::FollowLinks(m_target);
    if (m_file.empty()) {
        Fail("cannot follow its links");
        return;
    }
    m_fd = beside::CreateTemporary(m_file, 0600, &m_temporary);
    if (m_fd.get() < 0)
        Fail("cannot create a file beside it");
}

ReplacementFile::~ReplacementFile()
{
    Discard();
}

bool ReplacementFile::Fail(const std::string& what)
{
    m_error = what + ": " + std::strerror(errno);
    return false;
}

bool ReplacementFile::Commit()
{
    if (m_fd.get() < 0 || m_temporary.empty())
        return false;
    const mode_t mode = beside::ModeOf(m_file).value_or(0644);
    if (::fchmod(m_fd.get(), mode) != 0)
        return Fail("cannot set its permissions");
    if (::fsync(m_fd.get()) != 0)
        return Fail("cannot sync it");
    if (::rename(m_temporary.c_str(), m_file.c_str()) != 0)
        return Fail("cannot rename it over the target");
    m_temporary.clear();
    m_fd.reset();
    beside::SyncDirectoryOf(RealSystemCalls(), m_file);
    return true;
}

void ReplacementFile::Discard()
{
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
    m_fd.reset();
}

} // namespace safefile
