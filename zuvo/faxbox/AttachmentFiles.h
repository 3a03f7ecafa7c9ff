#pragma once
// The attachments view's files: which viewer a stored attachment goes to,
// the copies made beside it (a sound file's ".wav" copy, the plain-named copy
// for printing), save-as copies, and printing a file on the default CUPS
// destination. Names and paths follow the folder rule of core/stores/FaxRecordStore.h:
// a row's stored file is {folder directory}/{File}.{CreateTime}.

#include <optional>
#include <string>
#include <string_view>

namespace AttachCommand {
inline constexpr int Open = 32871;
inline constexpr int SaveAs = 32872;
inline constexpr int Print = 32873;
} // namespace AttachCommand

namespace AttachText {
inline constexpr const char* kFileColumn = "文件名称";
inline constexpr const char* kCreateTimeColumn = "CreateTime";
inline constexpr int kFileColumnWidth = 150;
inline constexpr int kCreateTimeColumnWidth = 100;
inline constexpr const char* kMenu = "传真附件(&F)";
inline constexpr const char* kOpen = "打开(&O)...\tCtrl+O";
inline constexpr const char* kSaveAs = "另存为(&A)...";
inline constexpr const char* kPrint = "打印(&P)...\tCtrl+P";
inline constexpr const char* kSelectAttachment = "请选择附件";
inline constexpr const char* kTiffFilter = "TIFF(*.TIF)|*.TIF||";
inline constexpr const char* kWaveFilter = "WAV File(*.wav)|*.wav||";
inline constexpr const char* kPrintFailedBefore = "打印失败，可能文件";
inline constexpr const char* kPrintFailedAfter = "不存在!";
} // namespace AttachText

// Whether the name's extension (after its last ".") is "tif" or "wav", in
// any case: "A.TIF" is a page file, "a.tif.doc" is not.
bool IsTiffAttachment(std::string_view name);
bool IsWaveAttachment(std::string_view name);

// The save-as filter for an attachment: TIFF for page files, else WAV.
const char* AttachmentSaveFilter(std::string_view name);

// {folderDirectory}/{file}.{createTime}; nothing when the name or the time
// would lead outside the folder (as AttachmentPath of core/stores/FaxRecordStore.h).
std::optional<std::string> StoredAttachmentPath(const std::string& folderDirectory, const std::string& file,
                                                const std::string& createTime);
// {folderDirectory}/{file}, the copy that keeps the file's own extension;
// nothing when the name is no plain file name.
std::optional<std::string> PlainAttachmentPath(const std::string& folderDirectory, const std::string& file);

// Copies `from` to `to`, replacing what is there; true when they are the
// same file already; false (and logged) when the copy could not be made.
bool CopyAttachmentFile(const std::string& from, const std::string& to);

// Prints a file on the default CUPS destination (the queue decides how to
// render it from its type); the job id, or 0 when there is no default
// destination or the job was refused.
int PrintOnDefaultDestination(const std::string& path, const std::string& title);

// "打印失败，可能文件" + name + "不存在!".
std::string PrintFailedText(const std::string& name);
