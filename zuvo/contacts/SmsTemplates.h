#pragma once

#include <string>
#include <vector>

#include "contacts/AddressBookDocument.h"

// sms.xml, the SMS window's template groups: root Config with AddressBook
// elements holding Folder elements, each with a Name, like address.xml.
// Nothing writes sms.xml; a missing file stays missing.

struct SmsTemplateTree {
    bool loaded = false;           // false: the file is missing or does not load
    std::vector<BookEntry> groups; // in document order
};

// Loads directory/sms.xml; after a load its copy is saved as
// directory/sms-bak.xml.
SmsTemplateTree LoadSmsTemplates(const std::string& directory);

namespace SmsCommand {
inline constexpr int Send = 32886;
inline constexpr int AddTemplate = 32887;
inline constexpr int EditTemplate = 32888;
inline constexpr int DeleteTemplate = 32889;
inline constexpr int Close = 32890;
inline constexpr int Customize = 35001;
inline constexpr int Recipient = 107;       // the bar's "收信人:" button
inline constexpr int RecipientField = 111;
inline constexpr int RecipientMore = 125;   // the small button after the field
inline constexpr int Note = 108;
inline constexpr int SubjectBar = 106;
} // namespace SmsCommand

namespace SmsText {
inline constexpr const char* kTitle = "短消息";
inline constexpr const char* kBarsProfile = "SmsBars";
inline constexpr const char* kTreeCaption = "短信模板";
inline constexpr const char* kFileMissing = "短信模板文件找不到";
inline constexpr const char* kFileMenu = "文件(&F)";
inline constexpr const char* kSend = "发送(&S)";
inline constexpr const char* kAddTemplate = "添加模板(&A)";
inline constexpr const char* kEditTemplate = "编辑模板(&E)";
inline constexpr const char* kDeleteTemplate = "删除模板(&D)";
inline constexpr const char* kClose = "关闭(&C)";
inline constexpr const char* kRecipient = "收信人:";
inline constexpr const char* kRecipientFieldName = "收信人号码";
inline constexpr const char* kRecipientMore = "...";
inline constexpr const char* kNote = "说明：每条短信只能发送80个文字，内容长度超出会自动分多条短信发送。";
inline constexpr const char* kEditorName = "短信内容";
} // namespace SmsText

// The subject bar's layout at a width: the rows of the recipient field,
// the small button and the note. The bar is always 50 high.
struct BarRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const BarRect&) const = default;
};
struct SmsSubjectBarLayout {
    BarRect field;
    BarRect moreButton;
    BarRect note;
};
inline constexpr int kSmsSubjectBarHeight = 50;
SmsSubjectBarLayout LayOutSmsSubjectBar(int width);
