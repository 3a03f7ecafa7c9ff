#pragma once

#include <string>

#include "safefile/UniqueFd.h"

namespace safefile {

// The new version of a file that is written piece by piece (a recording),
// where WriteFile wants all the bytes at once: a temporary file in the
// target's directory, renamed over the target only by Commit(). Until then
// the target stays exactly as it was, and a replacement that is never
// committed (a failed or abandoned write, an object destroyed early)
// removes its temporary file.
//
// The temporary file is created exclusively, empty, readable and writable by
// the owner only; the writer opens it by TemporaryPath() or writes through
// Fd(). Commit() gives it the target's permissions (0644 for a new target),
// syncs it, renames it over the target and syncs the directory. A target
// that is a symbolic link stays one: the file it names is replaced.
class ReplacementFile {
public:
    explicit ReplacementFile(std::string target);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // False when the temporary file could not be created (Error() says why).
    bool IsOpen() const { return m_fd.get() >= 0; }
    const std::string& Target() const { return m_target; }
    const std::string& TemporaryPath() const { return m_temporary; }
    int Fd() const { return m_fd.get(); }

    // Puts the written file in the target's place. Whoever wrote through the
    // path has closed it first. False (Error() says why, the target kept)
    // when the file cannot be synced or renamed.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& what);

    std::string m_target;
    std::string m_file;      // the file the target names, its links followed
    std::string m_temporary; // "" once committed or discarded
    UniqueFd m_fd;
    std::string m_error;
};

} // namespace safefile
