#include "core/stores/WholeFiles.h"

#include <cerrno>
#include <cstring>

#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"

// The program's whole-file writes over the crash-safe writer, logging why a
// file was not written.

Created CreateNewFile(const std::string& path, std::string_view bytes)
{
    const safefile::WriteOptions createOnly{safefile::Mode::CreateOnly, std::nullopt};
    switch (safefile::WriteFile(path, bytes, createOnly)) {
    case safefile::WriteResult::Written:
        return Created::Yes;
    case safefile::WriteResult::TargetExists:
        return Created::NameTaken;
    case safefile::WriteResult::Failed:
        break;
    }
    return Created::Failed;
}

int CreateFileWithBytes(const std::string& path, std::string_view bytes)
{
    switch (CreateNewFile(path, bytes)) {
    case Created::Yes:
        return 1;
    case Created::NameTaken:
        cpLog(kLogFailure, "cannot create %s: it exists", path.c_str());
        return 0;
    case Created::Failed:
        break;
    }
    cpLog(kLogFailure, "cannot create %s: %s", path.c_str(), std::strerror(errno));
    return 0;
}

int ReplaceFileWithBytes(const std::string& path, std::string_view bytes)
{
    // The new file has the mode of any new file, whatever the old one had.
    const safefile::WriteOptions replace{safefile::Mode::Replace, std::nullopt, false};
    if (safefile::WriteFile(path, bytes, replace) == safefile::WriteResult::Written)
        return 1;
    cpLog(kLogFailure, "cannot write %s: %s", path.c_str(), std::strerror(errno));
    return 0;
}
