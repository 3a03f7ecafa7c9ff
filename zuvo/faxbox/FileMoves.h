#pragma once

// The file steps of one record's move between mailbox folders, in an order
// that a crash cannot cut: a moved file first gets its new name beside its
// old one (a hard link; across file systems a whole copy), never replacing
// a file; the caller saves account.xml; only then does Keep() remove the
// old names. Until that save every record still finds its files where its
// folder says, and after it the new record finds them where it is. What a
// crash leaves between the steps (a second name of a file, or a copy that
// no record names) is taken away by the start-up's leftover cleaning
// (faxbox/MailboxLeftovers.h). Unless kept, the new names are removed again
// when the object goes.

#include <string>
#include <vector>

class FileMoves {
public:
    FileMoves() = default;
    FileMoves(const FileMoves&) = delete;
    FileMoves& operator=(const FileMoves&) = delete;
    ~FileMoves();

    // to, where nothing is yet, gets from's bytes; from goes at Keep().
    // False (nothing changed) when it cannot.
    bool Move(const std::string& from, const std::string& to);
    // A copy of from as to, where nothing is yet; from stays. False
    // (nothing made) when it cannot.
    bool Copy(const std::string& from, const std::string& to);
    // The directories that got new names, each once.
    const std::vector<std::string>& TargetDirectories() const { return directories_; }
    // The record's new place is saved: the sources of the moves are removed.
    void Keep();

private:
    void noteTarget(const std::string& to);

    std::vector<std::string> created_; // new names, removed unless kept
    std::vector<std::string> sources_; // removed once kept
    std::vector<std::string> directories_;
    bool kept_ = false;
};

// Syncs each directory (after a batch of moves, before the save that names
// their new files); false when one cannot be synced.
bool SyncDirectories(const std::vector<std::string>& directories);
