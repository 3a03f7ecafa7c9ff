#pragma once

// A private directory for files that live only as long as an operation or a
// window: made under $TMPDIR (or /tmp) with mode 0700, removed with
// everything in it when the object goes.

#include <string>

class ScratchDirectory {
public:
    // `prefix` starts the directory's name ("zuvo-pack"); the failure to
    // make it is logged, and valid() is then false.
    explicit ScratchDirectory(const std::string& prefix);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool valid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    // path()/name.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};
