#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/stores/WholeFiles.h"

// Files written whole under names nothing has yet: how received pages and
// sent faxes reach a mailbox folder without ever replacing a file there
// (each written by CreateNewFile of core/stores/WholeFiles.h).

// The whole file, or nothing when it cannot be read or is over maxBytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes);

// The files one record wrote; removed again unless kept.
class NewFiles {
public:
    NewFiles() = default;
    NewFiles(const NewFiles&) = delete;
    NewFiles& operator=(const NewFiles&) = delete;
    ~NewFiles();

    // CreateNewFile, remembering the file when it was made.
    Created Create(const std::string& path, const std::string& bytes);
    void Keep() { kept_ = true; }

private:
    std::vector<std::string> paths_;
    bool kept_ = false;
};
