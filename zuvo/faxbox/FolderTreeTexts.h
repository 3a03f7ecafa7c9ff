#pragma once

// The folder tree's caption, menus, commands, file-dialog filters and
// messages.

namespace FolderTreeCommand {
inline constexpr int BackupAccount = 32899;
inline constexpr int RestoreAccount = 32907;
inline constexpr int AccountProperties = 32790; // the main window's account properties
inline constexpr int ImportFolder = 32905;
inline constexpr int ExportFolder = 32906;
inline constexpr int FolderProperties = 32902;  // always disabled
} // namespace FolderTreeCommand

namespace FolderTreeText {
inline constexpr const char* kCaption = "传真账户";
inline constexpr const char* kAccountMenu = "_Account_";
inline constexpr const char* kFolderMenu = "_Folder_";
inline constexpr const char* kBackup = "备份";
inline constexpr const char* kRestore = "恢复";
inline constexpr const char* kImport = "导入...";
inline constexpr const char* kExport = "导出...";
inline constexpr const char* kProperties = "属性";

inline constexpr const char* kBackupFilter = "back File(*.index)|*.index||";
inline constexpr const char* kRestoreFilter = "Back Files(*.index)|*.index|";
inline constexpr const char* kRestoreExtension = "back";
inline constexpr const char* kExportFilter = "exp File(*.index)|*.index||";
inline constexpr const char* kImportFilter = "exp Files(*.index)|*.index|";
inline constexpr const char* kImportExtension = "exp";
inline constexpr const char* kPackPattern = "*.index";

inline constexpr const char* kBackupDone = "备份成功！";
inline constexpr const char* kBackupFailed = "备份失败！";
inline constexpr const char* kRestoreDone = "恢复成功！";
inline constexpr const char* kRestoreFailed = "恢复失败！";
inline constexpr const char* kExportDone = "导出成功！";
inline constexpr const char* kExportFailed = "导出失败！";
inline constexpr const char* kImportDone = "导入成功！";
inline constexpr const char* kImportFailed = "导入失败！";
inline constexpr const char* kImportWrongFolder = "该备份包不能导入该文件夹";
inline constexpr const char* kImportBadIndex = "导入索引失败！";
} // namespace FolderTreeText
