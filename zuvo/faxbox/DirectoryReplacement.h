#pragma once

#include <string>

// The new version of a whole directory, built beside it and put in its
// place in one step: what the crash-safe writer is for a file, for a
// directory tree (a mailbox's data directory taken back from a backup).
//
// The new version starts empty in "<parent>/.<name>.new-XXXXXX" (the same
// file system, so that one rename swaps the two). Until Swap() the target
// stays exactly as it was. After Swap() the old version lies at Path()
// until SwapBack() puts it back. Whatever lies at Path() when the object
// goes is removed: the unused new version, or the old one after a swap.
//
// Not thread-safe; the caller keeps others from writing the target meanwhile.
class DirectoryReplacement {
public:
    explicit DirectoryReplacement(std::string target);
    ~DirectoryReplacement();
    DirectoryReplacement(const DirectoryReplacement&) = delete;
    DirectoryReplacement& operator=(const DirectoryReplacement&) = delete;

    // False when the new version could not be made (logged).
    bool IsOpen() const { return !path_.empty(); }
    // Where the new version is built (and, after Swap, the old one lies).
    const std::string& Path() const { return path_; }

    // Gives the new version everything the target holds now: its
    // subdirectories, and each file as a second name of the same file (or a
    // copy where the file system has no such names), so that writing a new
    // file over one of those names leaves the target's file as it was.
    // Symbolic links are copied as links; other kinds of files are left out
    // (logged). A target that does not exist gives nothing. False (logged)
    // when something could not be given.
    bool TakeCurrentContents();

    // Puts the new version in the target's place in one step; the old one
    // goes to Path(). False (logged, nothing changed) when it cannot.
    bool Swap();
    // Undoes Swap(). False (logged) when it cannot.
    bool SwapBack();

private:
    std::string target_;
    std::string path_;
    bool targetExisted_ = false; // before Swap: nothing to put back but absence
    bool swapped_ = false;
};
