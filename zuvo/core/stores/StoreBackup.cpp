// A missing store given back from its backup, byte for byte.

#include "core/stores/StoreBackup.h"

#include <cstdint>
#include <filesystem>

#include "cfgtree/Config.h"
#include "core/stores/NewFile.h"
#include "jotter/Jotter.h"

namespace {

// No store of the program comes near this; a larger "backup" is not one.
constexpr std::uintmax_t kMaxStoreBytes = 256u * 1024 * 1024;

bool Loads(const std::string& path)
{
    try {
        Config document;
        return document.open(path.c_str()) == 1;
    } catch (const ConfigError& e) {
        cpLog(kLogFailure, "%s: %s", path.c_str(), e.what());
        return false;
    }
}

} // namespace

bool RestoreMissingFromBackup(const std::string& storePath, const std::string& backupPath)
{
    std::error_code error;
    if (std::filesystem::symlink_status(storePath, error).type() != std::filesystem::file_type::not_found)
        return false;
    if (!std::filesystem::is_regular_file(backupPath, error))
        return false;
    if (!Loads(backupPath)) {
        cpLog(kLogFailure, "%s is missing and its backup %s does not load", storePath.c_str(), backupPath.c_str());
        return false;
    }
    const std::optional<std::string> bytes = ReadWholeFile(backupPath, kMaxStoreBytes);
    if (!bytes || !CreateFileWithBytes(storePath, *bytes)) {
        cpLog(kLogFailure, "%s is missing and cannot be restored from %s", storePath.c_str(), backupPath.c_str());
        return false;
    }
    cpLog(kLogNotice, "%s was missing: restored from its backup %s", storePath.c_str(), backupPath.c_str());
    return true;
}
