// Whole-file reads, and the files of one record, removed again unless kept.
#include "core/stores/NewFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

std::optional<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > maxBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return std::nullopt;
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad() || bytes.size() != size)
        return std::nullopt;
    return bytes;
}

NewFiles::~NewFiles()
{
    if (kept_)
        return;
    for (const std::string& path : paths_)
        ::unlink(path.c_str());
}

Created NewFiles::Create(const std::string& path, const std::string& bytes)
{
    const Created created = CreateNewFile(path, bytes);
    if (created == Created::Yes)
        paths_.push_back(path);
    return created;
}
