#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Seal images and print files are kept lightly scrambled on disk: the first
// kilobyte is XORed with a fixed 7-byte key. The operation is its own
// inverse, so the same call scrambles and unscrambles.

// The length of the scrambled region at the start of a file.
inline constexpr std::size_t kScrambledBytes = 1024;

// Scrambles (or unscrambles) the first kilobyte of bytes, as ScrambleFile
// does on disk.
void ScrambleBytes(std::string& bytes);

// Scrambles the file in place. Returns 1 when the region was rewritten (an
// empty file counts), 0 when the file cannot be opened for reading and
// writing or a read or write falls short. A missing file is never created.
int ScrambleFile(const std::string& path);

// A private copy of a scrambled file with its first kilobyte unscrambled,
// for readers that need a plain file (an image decoder): the file itself is
// never changed, so a crash or a second reader never finds it half undone.
// The copy lies in a directory of its own under $TMPDIR (or /tmp) that only
// this user can enter, and is removed with the object.
class UnscrambledCopy {
public:
    // Nothing when the file cannot be read (or is larger than maxBytes) or
    // the copy cannot be written.
    static std::optional<UnscrambledCopy> Make(const std::string& path, std::size_t maxBytes = kMaxCopyBytes);
    ~UnscrambledCopy();
    UnscrambledCopy(UnscrambledCopy&& other) noexcept;
    UnscrambledCopy& operator=(UnscrambledCopy&&) = delete;
    UnscrambledCopy(const UnscrambledCopy&) = delete;
    UnscrambledCopy& operator=(const UnscrambledCopy&) = delete;

    const std::string& Path() const { return path_; }

    // The largest file copied by default: 64 MiB.
    static constexpr std::size_t kMaxCopyBytes = 64u << 20;

private:
    UnscrambledCopy(std::string directory, std::string path);

    std::string directory_;
    std::string path_;
};

// The bytes of the file, at most maxBytes; nothing when it cannot be read
// or is longer.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes);
