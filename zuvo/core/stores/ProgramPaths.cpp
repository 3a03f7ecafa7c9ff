#include "core/stores/ProgramPaths.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>
#include <filesystem>

#include "textcodec/Utf8.h"

namespace {

// A relative $ZUVO_HOME names a directory below the one the program was
// started in. Start-up then makes the program directory the current one, so
// each value is made absolute the first time it is seen and kept.
std::string absoluteHome(const std::string& home)
{
    static std::mutex lock;
    static std::map<std::string, std::string> resolved;
    std::lock_guard guard(lock);
    auto [entry, added] = resolved.try_emplace(home);
    if (added) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(home, error);
        entry->second = error ? home : absolute.lexically_normal().string();
        if (entry->second.size() > 1 && entry->second.back() == '/')
            entry->second.pop_back();
    }
    return entry->second;
}

} // namespace

std::string ProgramDirectory()
{
    if (const char* home = std::getenv("ZUVO_HOME"); home != nullptr && *home != '\0')
        return IsAbsolutePath(home) ? std::string(home) : absoluteHome(home);
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

std::string ShortenName(std::string_view name, std::size_t maxBytes)
{
    if (name.size() <= maxBytes)
        return std::string(name);
    constexpr std::size_t kMaxExtensionBytes = 16;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0 && name.size() - dot <= kMaxExtensionBytes + 1 &&
        name.size() - dot < maxBytes) {
        const std::string_view extension = name.substr(dot);
        const std::string_view stem = TextCodec::utf8Prefix(name.substr(0, dot), maxBytes - extension.size());
        if (!stem.empty())
            return std::string(stem) + std::string(extension);
    }
    return std::string(TextCodec::utf8Prefix(name, maxBytes));
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
