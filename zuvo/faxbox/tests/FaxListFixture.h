#pragma once

// A scratch account with one folder of each role, each with its directory
// under the program directory, and the fax records a test writes into it.

#include <filesystem>
#include <string>
#include <vector>

#include "core/tests/AccountFixture.h"

namespace faxlist_test {

namespace Folder {
inline constexpr const char* FaxBox = "Account[0]/Folder[0]";
inline constexpr const char* TrashBox = "Account[0]/Folder[1]";
inline constexpr const char* OutBox = "Account[0]/Folder[2]";
inline constexpr const char* OverBox = "Account[0]/Folder[3]";
inline constexpr const char* FailedBox = "Account[0]/Folder[4]";
inline constexpr const char* TempBox = "Account[0]/Folder[5]";
inline constexpr const char* InBox = "Account[0]/Folder[6]";
} // namespace Folder
inline constexpr const char* kAccount = "Account[0]";

// One Fax element: its attributes as given, one AttachFile per file.
struct FaxSpec {
    std::string createTime;
    std::string date;
    std::string extra;               // further attributes, written as they stand
    std::vector<std::string> files;  // File of each attachment
};

inline std::string faxElement(const FaxSpec& fax)
{
    std::string xml = "<Fax Caller=\"021-" + fax.createTime.substr(8) + "\" Name=\"名" + fax.createTime.substr(12) +
                      "\" Date=\"" + fax.date + "\" Pages=\"1\" CreateTime=\"" + fax.createTime + "\" " + fax.extra +
                      ">";
    for (const std::string& file : fax.files)
        xml += "<AttachFile File=\"" + file + "\"/>";
    return xml + "</Fax>";
}

class FaxListFixture : public testfiles::AccountStoreTest {
protected:
    // The folders in the order of Folder::, with the records given per folder.
    void openFolders(const std::vector<std::vector<FaxSpec>>& records = {})
    {
        static const char* const kFolders[][3] = {
            {"收件箱", "faxbox", "faxbox"}, {"垃圾箱", "trashbox", "trash"},  {"发件箱", "outbox", "outbox"},
            {"已发送", "overbox", "overbox"}, {"失败箱", "failedbox", "failed"}, {"草稿箱", "tempbox", "temp"},
            {"回执箱", "inbox", "inbox"},
        };
        std::string xml = "<Account Name=\"测试\" Default=\"yes\" Directory=\"data\">";
        for (std::size_t k = 0; k < std::size(kFolders); ++k) {
            xml += std::string("<Folder Name=\"") + kFolders[k][0] + "\" Type=\"" + kFolders[k][1] +
                   "\" Directory=\"" + kFolders[k][2] + "\">";
            if (k < records.size())
                for (const FaxSpec& fax : records[k])
                    xml += faxElement(fax);
            xml += "</Folder>";
            std::filesystem::create_directories(folderDir(kFolders[k][2]));
        }
        openWith(xml + "</Account>\n");
    }
    std::string folderDir(const std::string& directory) const { return dir_.file("data/" + directory); }
    // Writes a page file {directory}/{file}.{createTime} with bytes of its own.
    std::string writePage(const std::string& directory, const std::string& file, const std::string& createTime)
    {
        const std::string path = folderDir(directory) + "/" + file + "." + createTime;
        testfiles::writeFile(path, "page " + file + " of " + createTime + std::string(300, 'x'));
        return path;
    }
    std::string count(const std::string& folderXPath) const
    {
        return xpath("count(/Config/Account[1]/" + folderXPath + "/Fax)").value_or("?");
    }
};

} // namespace faxlist_test
