#include "core/stores/ProgramPaths.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <unistd.h>

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

std::string ExecutableDirectory()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error).string();
    return exe.parent_path().string();
}

// The user's home: $HOME, or the user database's entry when it is unset.
std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return {};
}

} // namespace

std::string ChooseProgramDirectory(const char* zuvoHome, const std::string& executableDirectory,
                                   const char* xdgDataHome, const char* home)
{
    if (zuvoHome != nullptr && *zuvoHome != '\0')
        return IsAbsolutePath(zuvoHome) ? std::string(zuvoHome) : absoluteHome(zuvoHome);
    std::error_code error;
    if (!executableDirectory.empty() &&
        std::filesystem::is_regular_file(JoinPath(executableDirectory, "config.xml"), error))
        return executableDirectory;
    // XDG: a relative path in its variables is invalid and ignored.
    const std::string dataHome = xdgDataHome != nullptr && IsAbsolutePath(xdgDataHome)
                                     ? std::string(xdgDataHome)
                                     : JoinPath(home != nullptr ? home : "", ".local/share");
    return JoinPath(dataHome, "zuvo");
}

std::string ProgramDirectory()
{
    // $ZUVO_HOME decides alone when set; the rest is looked up only without it.
    if (const char* zuvoHome = std::getenv("ZUVO_HOME"); zuvoHome != nullptr && *zuvoHome != '\0')
        return ChooseProgramDirectory(zuvoHome, {}, nullptr, nullptr);
    return ChooseProgramDirectory(nullptr, ExecutableDirectory(), std::getenv("XDG_DATA_HOME"),
                                  HomeDirectory().c_str());
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
