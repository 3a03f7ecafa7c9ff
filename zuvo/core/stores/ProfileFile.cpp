// Reading and changing one value of a "[section]" / "key=value" file.

#include "core/stores/ProfileFile.h"

#include <optional>
#include <sstream>
#include <vector>

#include "core/TextUtil.h"
#include "core/stores/NewFile.h"
#include "core/stores/WholeFiles.h"

namespace {

// A settings file is small; a larger one is not read.
constexpr std::uintmax_t kMaxProfileBytes = 1024 * 1024;

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Lines(const std::string& file)
{
    std::vector<std::string> lines;
    const std::optional<std::string> text = ReadWholeFile(file, kMaxProfileBytes);
    if (!text)
        return lines;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The section named by a "[name]" line.
std::optional<std::string> SectionOf(const std::string& line)
{
    const std::string text = Trimmed(line);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        return std::nullopt;
    return Trimmed(text.substr(1, text.size() - 2));
}

// Whether the line sets key; its value then.
std::optional<std::string> ValueOf(const std::string& line, const std::string& key)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || !EqualsNoCase(Trimmed(line.substr(0, equals)), key))
        return std::nullopt;
    return Trimmed(line.substr(equals + 1));
}

} // namespace

std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& otherwise)
{
    bool inSection = false;
    for (const std::string& line : Lines(file)) {
        if (const std::optional<std::string> name = SectionOf(line)) {
            inSection = EqualsNoCase(*name, section);
            continue;
        }
        if (inSection)
            if (const std::optional<std::string> value = ValueOf(line, key))
                return *value;
    }
    return otherwise;
}

int ReadProfileInt(const std::string& file, const std::string& section, const std::string& key, int otherwise)
{
    const std::string text = ReadProfileString(file, section, key, "\n");
    return text == "\n" ? otherwise : AtoiText(text);
}

int WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value)
{
    std::vector<std::string> lines = Lines(file);
    const std::string entry = key + "=" + value;
    bool inSection = false;
    std::optional<std::size_t> sectionEnd;
    bool written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (const std::optional<std::string> name = SectionOf(lines[i])) {
            if (inSection)
                break;
            inSection = EqualsNoCase(*name, section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (ValueOf(lines[i], key)) {
            lines[i] = entry;
            written = true;
        } else if (!Trimmed(lines[i]).empty()) {
            sectionEnd = i + 1;
        }
    }
    if (!written) {
        if (sectionEnd)
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
        else {
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        }
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return ReplaceFileWithBytes(file, text);
}
