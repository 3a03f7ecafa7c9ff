#pragma once

// Scratch files and outside tools for the Config tests.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/wait.h>

namespace cfgtree_test {

inline std::string fixture(const std::string& name)
{
    return std::string(ZUVO_TEST_DATA) + "/data/" + name;
}

inline std::string readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A fresh directory, removed with everything in it.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cfgtree-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

    // Copies a fixture in and returns the copy's path.
    std::string copyOf(const std::string& fixtureName, const std::string& as) const
    {
        std::filesystem::path target = path_ / as;
        std::filesystem::copy_file(fixture(fixtureName), target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target.string();
    }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status = -1; // exit status, -1 when the command did not run or exit
    std::string output;
};

// Runs a shell command and collects its standard output.
inline CommandResult run(const std::string& command)
{
    CommandResult result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, count);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline std::string md5(const std::string& file)
{
    return run("md5sum " + shellQuoted(file)).output.substr(0, 32);
}

// Canonical XML of a UTF-8 file, as xmllint writes it.
inline CommandResult canonical(const std::string& file)
{
    return run("xmllint --c14n " + shellQuoted(file) + " 2>&1");
}

} // namespace cfgtree_test
