#pragma once

#include "res/StringTable.h"

// The string-table entries of the main window's notices.
enum FrameStringId : unsigned {
    IDS_OUTBOX_EMPTY = 61448,           // "发件箱里没有传真件"
    IDS_UPDATE_RUNNING = 61457,         // "正在升级中...,请稍后！"
    IDS_CHECKING_UPDATE = 61458,        // "正在检查更新...,请稍后！"
    IDS_UPDATE_CONNECT_FAILED = 61459,  // "更新程序时，连接服务失败！"
    IDS_CONNECT_TIMEOUT = 61556,        // "连接传真服务器超时。"
};

// Message-box texts of the main window's commands that the string table
// does not hold.
inline constexpr const char* kHelpFileMissingText = "帮助文件不存在!";
inline constexpr const char* kSelfServiceFailedText = "打开自助服务失败";
