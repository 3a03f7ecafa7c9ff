#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Files written whole under names nothing has yet: how received pages and
// sent faxes reach a mailbox folder without ever replacing a file there.

enum class Created { Yes, NameTaken, Failed };

// Writes the bytes as a new file, never replacing one: a temporary file in
// the same directory, synced, then given the target name only if nothing
// has it (renameat2 without replacing, or a hard link where the file system
// lacks that), and the directory synced. NameTaken when the target exists.
// TODO(shared writer): the one crash-safe writer of platform/ takes this
// over in its create-only mode.
Created CreateNewFile(const std::string& target, const std::string& bytes);

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
