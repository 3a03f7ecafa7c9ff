#pragma once

// The address-book window's commands, captions, menus, file-dialog filters
// and messages, and the contact editor's titles.

namespace AddressCommand {
inline constexpr int NewCard = 32845;
inline constexpr int NewGroup = 32846;    // never enabled
inline constexpr int NewFolder = 32847;
inline constexpr int Properties = 32848;
inline constexpr int Delete = 32849;
inline constexpr int Find = 32850;        // never enabled
inline constexpr int Close = 32851;
inline constexpr int ImportNumbers = 32892;
inline constexpr int ImportNumbersAndNames = 32897;
inline constexpr int ImportAddressBook = 32894;
inline constexpr int Export = 32853;
inline constexpr int Customize = 35001;
} // namespace AddressCommand

namespace AddressText {
inline constexpr const char* kTitle = "地址薄";
inline constexpr const char* kBarsProfile = "AddressBars";
inline constexpr const char* kTreeCaption = "地址薄文件夹";
inline constexpr const char* kFileMissing = "配置文件找不到";

inline constexpr const char* kFileMenu = "文件(&F)";
inline constexpr const char* kEditMenu = "编辑(&E)";
inline constexpr const char* kViewMenu = "查看(&V)";
inline constexpr const char* kImportMenu = "导入(&I)...";
inline constexpr const char* kToolbar = "Address";
inline constexpr const char* kStatusBarToggle = "状态栏(&S)";
inline constexpr const char* kToolbarToggle = "工具栏(&T)";

inline constexpr const char* kNewCard = "新建地址卡";
inline constexpr const char* kNewGroup = "新建组";
inline constexpr const char* kNewFolder = "新建文件夹";
inline constexpr const char* kProperties = "属性";
inline constexpr const char* kDelete = "删除";
inline constexpr const char* kFind = "查找";
inline constexpr const char* kClose = "关闭(&C)";
inline constexpr const char* kImportNumbers = "来自文件";
inline constexpr const char* kImportNumbersAndNames = "固定格式文件(号码 姓名)";
inline constexpr const char* kImportAddressBook = "Zuvo地址簿";
inline constexpr const char* kExport = "导出(&E)...";
inline constexpr const char* kCustomize = "自定义...";
inline constexpr const char* kTreeMenu = "_ADDRESS2_";
inline constexpr const char* kListMenu = "_ADDRESS1_";

inline constexpr const char* kAddDirTitle = "添加文件夹";
inline constexpr const char* kAddDirPrompt = "请输入文件夹名称：";

inline constexpr const char* kSelectAddress = "请选择地址";
inline constexpr const char* kDeleteFolderQuestion = "真的要删除该地址薄吗？";
inline constexpr const char* kImportDone = "导入成功！";
inline constexpr const char* kImportFailed = "导入失败！";
inline constexpr const char* kExportFailed = "导出失败！";
inline constexpr const char* kSaveFailed = "保存失败";

inline constexpr const char* kTextFilter = "All Files (*.*)|*.*|Text Files(*.txt)|*.txt||";
inline constexpr const char* kXmlFilter = "All Files (*.*)|*.*|XML Files(*.xml)|*.xml||";

// The contact editor.
inline constexpr const char* kNewSheetTitle = "新建地址";
inline constexpr const char* kEditSheetTitle = "地址信息";
inline constexpr const char* kRequiredNote = "*:必须填写";
inline constexpr const char* kNoFaxNumberQuestion = "传真号码没有填写，要保存吗?";
} // namespace AddressText
