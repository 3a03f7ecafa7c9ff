#pragma once

#include <string>

#include "res/StringTable.h"

// The string-table entries of the server session's notices and panes.
enum SessionStringId : unsigned {
    IDS_NO_FAX_USER = 61456,      // no network fax number filled in
    IDS_ALREADY_LATEST = 61470,   // "您当前使用的程序已经是最新版本！"
    IDS_RECEIVE_FAILED = 61471,   // "接收传真件失败！"
    IDS_FAX_ARRIVED = 61545,      // "您有传真件，请阅览！"
    IDS_UNKNOWN = 61550,          // "未知"
    IDS_UPDATE_FAILED = 61551,    // "系统升级失败！"
    IDS_NO_NEW_VERSION = 61552,   // "没有最新的版本！"
    IDS_NO_ATTACHMENT = 61554,    // "没有附件！"
    IDS_LOGIN_FAILED = 61560,     // "登入网络传真服务失败：%s!"
    IDS_KICKED = 61561,           // "您的账号已经在另一台机器登入！"
    IDS_DOWNLOAD_FAILED = 61563,  // "下载文件失败！"
};

// The status panes the session writes.
enum SessionPane : int {
    PANE_FAX_NUMBER = 2,
    PANE_ADDRESS = 3,
    PANE_FAX_STATE = 4,
};

inline std::string SessionText(SessionStringId id)
{
    return std::string(LoadString(id));
}
