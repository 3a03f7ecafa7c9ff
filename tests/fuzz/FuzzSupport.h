#pragma once

// What the fuzz targets share: the program's log kept out of the way, and a
// scratch directory of the process for the parsers that read files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "jotter/Jotter.h"
#include "testsupport/TestSupport.h"

namespace fuzz {

// Once per process: the log goes nowhere (a line per input would drown the
// fuzzer's own output and slow it down).
inline void Quiet()
{
    static const bool done = [] {
        cpLogOpen("/dev/null");
        return true;
    }();
    (void)done;
}

// A scratch directory of this process, removed with its files when the
// process ends normally.
inline const std::string& ScratchDirectory()
{
    static const testsupport::TempDir root;
    return root.path();
}

// Writes the bytes to the named file of the scratch directory; its path.
inline std::string WriteScratch(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = ScratchDirectory() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    return path;
}

// A broken promise of the code under test: reported as a crash, with the reason.
[[noreturn]] inline void Fault(const char* what)
{
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

} // namespace fuzz
