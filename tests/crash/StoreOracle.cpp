// The crash test's oracle: libxml2 over account.xml and plain file reads,
// sharing nothing with the program's store code.
#include "StoreOracle.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace fs = std::filesystem;

namespace {

std::string attribute(xmlNode* node, const char* name)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value)
        return "";
    std::string text(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

bool named(xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

std::string under(const std::string& base, const std::string& path)
{
    return !path.empty() && path[0] == '/' ? path : base + "/" + path;
}

std::optional<std::string> bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Verdict {
public:
    explicit Verdict(StoreVerdict& verdict) : verdict_(verdict) {}
    void problem(const std::string& text)
    {
        if (verdict_.problems.size() < 8)
            verdict_.problems.push_back(text);
    }

private:
    StoreVerdict& verdict_;
};

// Whether the record holds exactly what was expected of it there.
bool recordIsWhole(const StoredFax& fax, const ExpectedFax& expected, Verdict& verdict)
{
    if (fax.files.size() != expected.pages.size()) {
        verdict.problem(fax.topic + " in " + fax.folderType + ": " + std::to_string(fax.files.size()) + " pages");
        return false;
    }
    for (std::size_t k = 0; k < fax.files.size(); ++k) {
        const std::string path = fax.directory + "/" + fax.files[k] + "." + fax.createTime;
        if (bytesOf(path) != expected.pages[k]) {
            verdict.problem(fax.topic + " in " + fax.folderType + ": page " + path + " missing or changed");
            return false;
        }
    }
    if (expected.body.empty() != fax.bodyFileName.empty()) {
        verdict.problem(fax.topic + " in " + fax.folderType + ": body flag wrong");
        return false;
    }
    if (!fax.bodyFileName.empty() && bytesOf(fax.directory + "/" + fax.bodyFileName) != expected.body) {
        verdict.problem(fax.topic + " in " + fax.folderType + ": body " + fax.bodyFileName + " missing or changed");
        return false;
    }
    return true;
}

// Files the program names as pages ({File}.{14 digits}) and bodies (body-*.html).
bool isProgramNamed(const std::string& name)
{
    static const std::regex page(R"(.+\.[0-9]{14})");
    static const std::regex body(R"(body-.*\.html)");
    return std::regex_match(name, page) || std::regex_match(name, body);
}

bool isTemporary(const std::string& name)
{
    static const std::regex temporary(R"(\..+\.[0-9]+-[0-9]+)");
    return std::regex_match(name, temporary);
}

int countTemporaries(const std::string& directory)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error))
        if (isTemporary(entry.path().filename().string()))
            ++count;
    return count;
}

} // namespace

std::optional<StoreContents> ReadStore(const std::string& programDirectory)
{
    const std::string file = programDirectory + "/account.xml";
    xmlDoc* document = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!document)
        return std::nullopt;
    StoreContents contents;
    xmlNode* root = xmlDocGetRootElement(document);
    for (xmlNode* account = root ? root->children : nullptr; account; account = account->next) {
        if (!named(account, "Account"))
            continue;
        const std::string accountDirectory = under(programDirectory, attribute(account, "Directory"));
        for (xmlNode* folder = account->children; folder; folder = folder->next) {
            if (!named(folder, "Folder"))
                continue;
            const std::string directory = under(accountDirectory, attribute(folder, "Directory"));
            contents.folderDirectories.insert(directory);
            for (xmlNode* node = folder->children; node; node = node->next) {
                if (!named(node, "Fax"))
                    continue;
                StoredFax fax;
                fax.folderType = attribute(folder, "Type");
                fax.directory = directory;
                fax.topic = attribute(node, "Topic");
                fax.createTime = attribute(node, "CreateTime");
                if (attribute(node, "Flag") == "1")
                    fax.bodyFileName = attribute(node, "BodyFileName");
                for (xmlNode* page = node->children; page; page = page->next)
                    if (named(page, "AttachFile"))
                        fax.files.push_back(attribute(page, "File"));
                contents.faxes.push_back(std::move(fax));
            }
        }
    }
    xmlFreeDoc(document);
    return contents;
}

StoreVerdict CheckStore(const std::string& programDirectory, const Expectation& expectation)
{
    StoreVerdict result;
    Verdict verdict(result);
    const std::optional<StoreContents> contents = ReadStore(programDirectory);
    if (!contents) {
        verdict.problem("account.xml does not parse");
        ++result.recordsBroken;
        return result;
    }
    result.parsed = true;
    std::map<std::string, int> seen;
    for (const StoredFax& fax : contents->faxes) {
        ++result.recordsChecked;
        const auto known = expectation.faxes.find(fax.topic);
        const auto place = known == expectation.faxes.end() ? decltype(known->second.end())()
                                                            : known->second.find(fax.folderType);
        if (known == expectation.faxes.end() || place == known->second.end()) {
            verdict.problem("record " + fax.topic + " in " + fax.folderType + " was never made there");
            ++result.recordsBroken;
            continue;
        }
        ++seen[fax.topic];
        if (!recordIsWhole(fax, place->second, verdict))
            ++result.recordsBroken;
    }
    for (const auto& [topic, places] : expectation.faxes) {
        const int count = seen[topic];
        if (count > 1) {
            verdict.problem(topic + " is filed " + std::to_string(count) + " times");
            ++result.faxesDoubled;
        } else if (count == 0 && !expectation.mayVanish) {
            verdict.problem(topic + " is in no folder");
            ++result.faxesMissing;
        }
    }
    return result;
}

LeftoverCount CountLeftovers(const std::string& programDirectory)
{
    LeftoverCount count;
    count.temporaries = countTemporaries(programDirectory) + countTemporaries(programDirectory + "/data");
    const std::optional<StoreContents> contents = ReadStore(programDirectory);
    if (!contents)
        return count;
    std::set<std::string> namedPaths;
    for (const StoredFax& fax : contents->faxes) {
        for (const std::string& file : fax.files)
            namedPaths.insert(fax.directory + "/" + file + "." + fax.createTime);
        if (!fax.bodyFileName.empty())
            namedPaths.insert(fax.directory + "/" + fax.bodyFileName);
    }
    std::error_code error;
    for (const std::string& directory : contents->folderDirectories) {
        count.temporaries += countTemporaries(directory);
        for (const auto& entry : fs::directory_iterator(directory, error)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file(error) && isProgramNamed(name) && !namedPaths.count(directory + "/" + name))
                ++count.unnamedFiles;
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(programDirectory + "/data/orphans", error))
        if (entry.is_regular_file(error))
            ++count.orphans;
    return count;
}
