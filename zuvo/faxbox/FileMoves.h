#pragma once

// The file steps of one record's move between mailbox folders, undone
// unless kept: a move renames without ever replacing a file (across file
// systems it copies, and the source goes only when the move is kept); a copy
// writes a new file whole. So until the record's new place is saved, every
// file is still where it was.

#include <string>
#include <utility>
#include <vector>

class FileMoves {
public:
    FileMoves() = default;
    FileMoves(const FileMoves&) = delete;
    FileMoves& operator=(const FileMoves&) = delete;
    ~FileMoves();

    // from to to, where nothing is yet; false (nothing changed) when it cannot.
    bool Move(const std::string& from, const std::string& to);
    // A copy of from as to, where nothing is yet; false (nothing made) when it cannot.
    bool Copy(const std::string& from, const std::string& to);
    // The moves stand: sources of moves made by copying are removed.
    void Keep();

private:
    std::vector<std::pair<std::string, std::string>> renamed_; // from, to
    std::vector<std::string> created_;                         // files made by copying
    std::vector<std::string> removeWhenKept_;                  // sources of moves made by copying
    bool kept_ = false;
};
