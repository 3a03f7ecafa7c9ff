#include "contacts/AddressBookConfig.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "core/TextUtil.h"
#include "core/stores/ProgramPaths.h"
#include "core/stores/WholeFiles.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"

const std::array<const char*, 34> kAddressAttributes = {
    "Name",           "EMail",       "FaxNum",         "FirstName",      "SurName",        "NickName",
    "HomeAddress",    "HomeArea",    "HomeCity",       "HomeCountry",    "HomeFaxNum",     "HomePostCode",
    "HomeTel1",       "HomeTel2",    "CompanyAddress", "CompanyArea",    "CompanyCity",    "CompanyCountry",
    "CompanyName",    "CompanyPostCode", "CompanyDept", "CompanyJob",    "CompanyFaxNum",  "CompanyWWW",
    "CompanyTel1",    "CompanyTel2", "BirthDay",       "BP",             "ICQ",            "Like",
    "Mobile",         "QQ",          "Sex",            "WWW",
};

namespace {

struct Header {
    const char* name;
    const char* key;
};

// The list columns of a new file. "CompnayFaxNum" is spelled as the
// installed files have it.
constexpr Header kTemplateHeaders[] = {
    {"名字", "Name"},          {"昵称", "NickName"},          {"传真号码", "FaxNum"},
    {"家庭传真", "HomeFaxNum"}, {"公司传真", "CompnayFaxNum"},  {"EMail地址", "EMail"},
    {"公司所在城市", "CompanyCity"}, {"公司名称", "CompanyName"}, {"公司地址", "CompanyAddress"},
};

constexpr const char* kTemplateBooks[] = {"公共地址薄", "个人地址薄"};

} // namespace

std::string AddressBookTemplate()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?><Config>\t<Headers>";
    for (const Header& h : kTemplateHeaders)
        xml += FormatText("\t\t<Header Name=\"%s\" Key=\"%s\"/>", h.name, h.key);
    xml += "\t</Headers>";
    for (const char* book : kTemplateBooks)
        xml += FormatText("\t<AddressBook Name=\"%s\">\t\t<Folder Name=\"默认\"></Folder></AddressBook>", book);
    xml += "</Config>";
    return ToGbk(xml);
}

int WriteAddressBookTemplate(const std::string& path)
{
    // The name appears only with its whole content, and an existing file is
    // never replaced.
    if (CreateFileWithBytes(path, AddressBookTemplate()))
        return 1;
    cpLog(kLogFailure, "cannot create %s from the template", path.c_str());
    return 0;
}

int OpenAddressBookFile(Config& document, const std::string& directory, bool createWhenMissing)
{
    const std::string path = JoinPath(directory, "address.xml");
    std::error_code error;
    if (createWhenMissing && !std::filesystem::exists(path, error) && !error)
        WriteAddressBookTemplate(path);
    if (!document.open(path.c_str())) {
        cpLog(kLogFailure, "cannot load %s; it is left as it is", path.c_str());
        return 0;
    }
    const std::string backup = JoinPath(directory, "address-bak.xml");
    if (!document.save(backup.c_str()))
        cpLog(kLogFailure, "cannot write the address book backup %s", backup.c_str());
    return 1;
}

int AddAddressCardNode(Config& document, const std::string& folderPath, int position, const AddressCard& card)
{
    if (!document.addNode(folderPath.c_str(), "Address", "", "", ""))
        return 0;
    bool complete = true;
    for (const char* attribute : kAddressAttributes) {
        const auto value = card.find(attribute);
        complete = complete && document.addNodeAttr(attribute, value == card.end() ? "" : value->second.c_str());
    }
    if (complete)
        return 1;
    // A card refused is taken out again, so that no later save writes it
    // half-made.
    document.removeNode(FormatText("%s/Address[%d]", folderPath.c_str(), position).c_str());
    return 0;
}

int AppendAddressCard(Config& document, const std::string& folderPath, const AddressCard& card)
{
    if (!document.isOpen() || document.getNodeCnt(folderPath.c_str()) == 0)
        return 0;
    const std::string cards = folderPath + "/Address";
    const int before = document.getNodeCnt(cards.c_str());
    if (!AddAddressCardNode(document, folderPath, before, card))
        return 0;
    if (document.save())
        return 1;
    // A card not saved is taken out again, so that the document stays what
    // the file holds.
    document.removeNode(FormatText("%s[%d]", cards.c_str(), before).c_str());
    return 0;
}

AddressBookConfig& AddressBookConfig::GetInstance()
{
    static AddressBookConfig instance;
    return instance;
}

bool AddressBookConfig::Open()
{
    return Open(ProgramDirectory());
}

bool AddressBookConfig::Open(const std::string& directory)
{
    Spindle::VLock lock(lookup_);
    path_ = JoinPath(directory, "address.xml");
    return OpenFile();
}

bool AddressBookConfig::OpenFile()
{
    loaded_.reset();
    std::error_code error;
    if (!std::filesystem::exists(path_, error)) {
        cpLog(kLogTrace, "no %s yet; callers have no names until it is made", path_.c_str());
        return false;
    }
    const std::optional<FileStamp> stamp = FileStamp::Of(path_);
    if (!open(path_.c_str())) {
        cpLog(kLogFailure, "cannot load %s; it is left as it is", path_.c_str());
        return false;
    }
    loaded_ = stamp;
    return true;
}

bool AddressBookConfig::VisitCards(const std::string& what,
                                   const std::function<bool(const std::vector<std::string>&)>& visit)
{
    if (!isOpen()) {
        // Not there at start: opened once it exists.
        if (path_.empty() || !OpenFile())
            return false;
    } else {
        // Parsed again only when the file is another version than the one read.
        const std::optional<FileStamp> stamp = FileStamp::Of(path_);
        if (!stamp || stamp != loaded_) {
            loaded_.reset();
            if (!reload()) {
                cpLog(kLogFailure, "address.xml cannot be read again; no name for %s", what.c_str());
                return false;
            }
            loaded_ = stamp;
        }
    }
    // One walk over every card of every folder of every book, in document
    // order; a card without a number is nobody's.
    std::vector<std::vector<std::string>> cards;
    getNodesAttr("AddressBook/Folder/Address", {"FaxNum", "Name", "CompanyName"}, cards);
    for (const std::vector<std::string>& card : cards)
        if (!card[0].empty() && !visit(card))
            return true;
    return true;
}

int AddressBookConfig::FindByFaxNumber(const std::string& number, std::string& name, std::string& company)
{
    name.clear();
    company.clear();
    Spindle::VLock lock(lookup_);
    bool found = false;
    try {
        VisitCards(number, [&](const std::vector<std::string>& card) {
            if (!EqualsNoCase(card[0], number))
                return true;
            name = card[1];
            company = card[2];
            found = true;
            return false;
        });
    } catch (const std::exception& e) {
        cpLog(kLogFailure, "address lookup for %s failed: %s", number.c_str(), e.what());
        name.clear();
        company.clear();
        found = false;
    }
    return found ? 1 : 0;
}

std::vector<std::optional<std::string>> AddressBookConfig::FindNamesByFaxNumbers(const std::vector<std::string>& numbers)
{
    std::vector<std::optional<std::string>> names(numbers.size());
    Spindle::VLock lock(lookup_);
    try {
        std::size_t left = numbers.size();
        VisitCards(FormatText("%zu numbers", numbers.size()), [&](const std::vector<std::string>& card) {
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                if (names[i] || !EqualsNoCase(card[0], numbers[i]))
                    continue;
                names[i] = card[1];
                --left;
            }
            return left > 0;
        });
    } catch (const std::exception& e) {
        cpLog(kLogFailure, "address lookup of %zu numbers failed: %s", numbers.size(), e.what());
        names.assign(numbers.size(), std::nullopt);
    }
    return names;
}
