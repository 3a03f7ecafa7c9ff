#include "core/stores/ScratchDirectory.h"

#include <stdlib.h>

#include <filesystem>

#include "core/stores/ProgramPaths.h"
#include "jotter/Jotter.h"

ScratchDirectory::ScratchDirectory(const std::string& prefix)
{
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / (prefix + "-XXXXXX")).string();
    if (!error && ::mkdtemp(pattern.data()) != nullptr) // made with mode 0700
        path_ = pattern;
    else
        cpLog(kLogFailure, "no scratch directory <%s>", pattern.c_str());
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDirectory::file(const std::string& name) const
{
    return JoinPath(path_, name);
}
