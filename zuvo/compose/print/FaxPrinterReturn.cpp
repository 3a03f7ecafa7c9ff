// The note that leads the fax printer's backend to the running Zuvo.
#include "compose/print/FaxPrinterReturn.h"

#include <cstdlib>
#include <filesystem>

#include "jotter/Jotter.h"
#include "safefile/SafeFile.h"

namespace {

bool fitsOnALine(std::string_view value)
{
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

const std::vector<std::string_view>& FaxPrinterEnvironmentNames()
{
    static const std::vector<std::string_view> names = {
        "ZUVO_PROMPT_LOG", "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR",
        "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "TMPDIR", "LANG", "LC_ALL", "LC_CTYPE",
    };
    return names;
}

std::string FaxPrinterNoteText(const std::string& program, const std::string& programDirectory)
{
    if (program.empty() || programDirectory.empty() || !fitsOnALine(program) || !fitsOnALine(programDirectory))
        return {};
    std::string text = "program=" + program + "\nZUVO_HOME=" + programDirectory + "\n";
    for (std::string_view name : FaxPrinterEnvironmentNames()) {
        const char* value = std::getenv(std::string(name).c_str());
        if (value != nullptr && *value != '\0' && fitsOnALine(value))
            text.append(name).append("=").append(value).append("\n");
    }
    return text;
}

bool WriteFaxPrinterNote(const std::string& home, const std::string& program, const std::string& programDirectory)
{
    const std::string text = FaxPrinterNoteText(program, programDirectory);
    if (home.empty() || text.empty())
        return false;
    const std::filesystem::path note = std::filesystem::path(home) / kFaxPrinterNote;
    std::error_code error;
    std::filesystem::create_directories(note.parent_path(), error);
    safefile::WriteOptions options;
    options.fileMode = 0600;
    options.keepOldMode = false;
    if (safefile::WriteFile(note.string(), text, options) != safefile::WriteResult::Written) {
        cpLog(kLogFailure, "the fax printer's note <%s> could not be written", note.c_str());
        return false;
    }
    return true;
}
