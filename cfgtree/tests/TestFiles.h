#pragma once

// Fixtures and the canonical-XML oracle for the Config tests; scratch
// directories, file bytes and outside tools come from the shared test support.

#include <filesystem>
#include <string>

#include "testsupport/TestSupport.h"

namespace cfgtree_test {

using testsupport::CommandResult;
using testsupport::md5sumOf;
using testsupport::quote;
using testsupport::readFile;
using testsupport::run;
using testsupport::TempDir;
using testsupport::writeFile;

inline std::string fixture(const std::string& name)
{
    return std::string(ZUVO_TEST_DATA) + "/data/" + name;
}

// Copies a fixture into dir as `as` and returns the copy's path.
inline std::string copyFixture(const TempDir& dir, const std::string& fixtureName, const std::string& as)
{
    std::string target = dir.file(as);
    std::filesystem::copy_file(fixture(fixtureName), target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

// Canonical XML of a UTF-8 file, as xmllint writes it.
inline CommandResult canonical(const std::string& file)
{
    return run("xmllint --c14n " + quote(file) + " 2>&1");
}

} // namespace cfgtree_test
