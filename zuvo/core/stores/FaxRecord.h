#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A fax known to the program: one Fax node in account.xml under the folder
// that holds it ("Account[i]/Folder[j]/Fax[k]"), plus the files it names in
// that folder's directory. Records are appended as the folder's last Fax and
// never reordered.

// Folder roles (a folder's Type, compared without regard to case).
namespace FolderType {
inline constexpr const char* kTempBox = "tempbox";     // saved unsent from the compose window
inline constexpr const char* kOutBox = "outbox";       // waiting to be sent
inline constexpr const char* kOverBox = "overbox";     // sending accepted by the server
inline constexpr const char* kTrashBox = "trashbox";   // deleted
inline constexpr const char* kFaxBox = "faxbox";       // received faxes
inline constexpr const char* kInBox = "inbox";         // the server's receipts for sent faxes
inline constexpr const char* kFailedBox = "failedbox"; // reports of faxes that failed
inline constexpr const char* kDeposeBox = "deposebox"; // faxes the server marks invalid
} // namespace FolderType

// The folder a server item goes to: "faxreceived" and "filetransfered"
// events and fax types 30 and 50 to the faxbox; else a non-zero
// sendfaxflag to the inbox; else a non-zero invalidatefax to the
// deposebox; else the failedbox.
const char* FolderTypeForServerItem(std::string_view event, std::string_view faxType,
                                    std::string_view sendFaxFlag, std::string_view invalidateFax);

struct AttachFile {
    std::string file;     // the file's own name, without directory or suffix
    std::string headFlag; // "1" when the sender header is stamped; "" = absent
};

// A record's attributes in the order they were set (the order they are
// written), and its AttachFile children in page order.
class FaxRecord {
public:
    // Attribute names.
    static constexpr const char* kCaller = "Caller";
    static constexpr const char* kToCC = "ToCC";
    static constexpr const char* kTopic = "Topic";
    static constexpr const char* kName = "Name";
    static constexpr const char* kCompany = "Company";
    static constexpr const char* kDate = "Date";
    static constexpr const char* kCreateTime = "CreateTime";
    static constexpr const char* kSendFaxTime = "SendFaxTime";
    static constexpr const char* kPages = "Pages";
    static constexpr const char* kReadFlag = "ReadFlag";
    static constexpr const char* kFlag = "Flag";
    static constexpr const char* kBodyFileName = "BodyFileName";
    static constexpr const char* kSendTimer = "SendTimer";
    static constexpr const char* kTimerFlag = "TimerFlag";
    // Every attribute a record may carry, in table order.
    static const std::vector<const char*>& AttributeNames();

    // The value, "" when absent.
    std::string Get(std::string_view name) const;
    bool Has(std::string_view name) const;
    // Sets a value; a new attribute goes after those set before.
    void Set(std::string_view name, std::string value);
    void Remove(std::string_view name);
    const std::vector<std::pair<std::string, std::string>>& Attributes() const { return attributes_; }

    std::string CreateTime() const { return Get(kCreateTime); }
    int ReadFlag() const;
    int Flag() const; // a missing Flag reads as 0
    int Pages() const;

    std::vector<AttachFile> attachments;

private:
    std::vector<std::pair<std::string, std::string>> attributes_;
};

// ---- names and times --------------------------------------------------

// "%Y%m%d%H%M%S" / "%Y-%m-%d %H:%M:%S" / "body-%Y-%m-%d-%H-%M-%S.html" of a local time.
std::string FormatCreateTime(std::time_t when);
std::string FormatRecordDate(std::time_t when);
std::string FormatBodyFileName(std::time_t when);
// 14 decimal digits.
bool IsValidCreateTime(std::string_view createTime);

// The longest File whose stored name {File}.{CreateTime} still fits one
// file name (a dot and 14 digits after it).
inline constexpr std::size_t kMaxAttachFileBytes = 255 - 15;
// The File of an attachment that outside names: the name's last component
// (after the last "/", "\" or ":"), shortened to kMaxAttachFileBytes with
// its extension kept; "" when that component is no plain file name.
std::string AttachFileName(std::string_view name);

// {folderDirectory}/{file}.{createTime}; empty when file is not one plain
// name or createTime is not 14 digits.
std::optional<std::string> AttachmentPath(const std::string& folderDirectory, const std::string& file,
                                          const std::string& createTime);
// {folderDirectory}/{bodyFileName}; empty when the name is not one plain name.
std::optional<std::string> BodyFilePath(const std::string& folderDirectory, const std::string& bodyFileName);
// The paths of the record's page files in page order; empty (and logged)
// when a name or the CreateTime would lead outside the folder directory.
std::optional<std::vector<std::string>> AttachmentPaths(const std::string& folderDirectory,
                                                        const FaxRecord& record);
// The names a record refers to lead nowhere outside its folder directory.
bool HasSafeFileNames(const FaxRecord& record);

// The row key of the fax list: "%01d%09ld" of ReadFlag and CreateTime from
// its sixth character on, as a number.
uint32_t MakeRowKey(int readFlag, std::string_view createTime);
