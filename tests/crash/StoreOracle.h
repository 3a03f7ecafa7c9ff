#pragma once

// What a program directory holds after a crash, read without the program's
// own reader: account.xml through libxml2, every record's files by the
// folder rule (account Directory below the program directory, folder
// Directory below that), and the files nobody names.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct StoredFax {
    std::string folderType;
    std::string directory; // the folder's directory
    std::string topic;     // the fax's identity in the crash scenarios
    std::string createTime;
    std::vector<std::string> files; // File of each AttachFile
    std::string bodyFileName;       // "" when Flag is not 1
};

struct StoreContents {
    std::vector<StoredFax> faxes;
    std::set<std::string> folderDirectories;
};

// account.xml of the program directory; empty when it does not parse.
std::optional<StoreContents> ReadStore(const std::string& programDirectory);

// What a fax must look like in one folder: its page bytes in page order and
// its body ("" for none).
struct ExpectedFax {
    std::vector<std::string> pages;
    std::string body;
};

// Every fax a scenario made, by Topic and then by the folder Types it may be
// in; each fax must be in exactly one of them (or, with mayVanish, in at
// most one).
struct Expectation {
    std::map<std::string, std::map<std::string, ExpectedFax>> faxes;
    bool mayVanish = false;
};

struct StoreVerdict {
    bool parsed = false;
    int recordsChecked = 0;
    int recordsBroken = 0; // a page or body missing or not the bytes it had, or a record nobody made
    int faxesMissing = 0;  // in no folder (unless they may vanish)
    int faxesDoubled = 0;  // in more than one place
    std::vector<std::string> problems; // the first few, for the report
};

StoreVerdict CheckStore(const std::string& programDirectory, const Expectation& expectation);

struct LeftoverCount {
    int temporaries = 0;   // ".{name}.{pid}-{n}" of the crash-safe writer
    int unnamedFiles = 0;  // page and body files of the program's naming that no record names
    int orphans = 0;       // files in {data}/orphans
};

// The leftovers of the program directory and of every folder directory.
LeftoverCount CountLeftovers(const std::string& programDirectory);
