#include "core/ProgramPaths.h"

#include <cstdlib>
#include <system_error>
#include <filesystem>

std::string ProgramDirectory()
{
    if (const char* home = std::getenv("ZUVO_HOME"); home != nullptr && *home != '\0')
        return home;
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error).string();
    return exe.parent_path().string();
}

bool IsAbsolutePath(std::string_view path)
{
    return !path.empty() && path.front() == '/';
}

std::string JoinPath(std::string_view dir, std::string_view name)
{
    if (dir.empty() || IsAbsolutePath(name))
        return std::string(name);
    std::string joined(dir);
    if (joined.back() != '/')
        joined += '/';
    joined += name;
    return joined;
}

std::string AbsoluteToProgram(std::string_view path)
{
    if (path.empty() || IsAbsolutePath(path))
        return std::string(path);
    return JoinPath(ProgramDirectory(), path);
}

std::string LastPathComponent(std::string_view path)
{
    const std::size_t cut = path.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool IsSafeName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

bool IsSafeRelativePath(std::string_view path)
{
    if (path.empty() || IsAbsolutePath(path))
        return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('/', start);
        if (!IsSafeName(path.substr(start, end == std::string_view::npos ? end : end - start)))
            return false;
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}
