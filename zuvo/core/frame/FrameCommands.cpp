#include "core/frame/FrameCommands.h"

#include <algorithm>

namespace {

using namespace FrameCommandId;
using R = CommandRule;

const char* const kFile = "文件";
const char* const kFax = "传真";
const char* const kTools = "工具";
const char* const kService = "服务";
const char* const kView = "界面风格";
const char* const kHelp = "帮助";

FrameCommand command(int id, const char* text, R rule, const char* menu, bool toolbar = false,
                     const char* shortcut = "")
{
    return {id, text, rule, CommandCheck::None, -1, menu, toolbar, shortcut};
}

FrameCommand themeCommand(int id, const char* text, int theme)
{
    return {id, text, R::Always, CommandCheck::Theme, theme, kView, false, ""};
}

std::vector<FrameCommand> buildCommands()
{
    return {
        command(FileNew, "新建", R::Always, kFile),
        command(FileOpen, "打开", R::Always, kFile),
        command(FileSave, "保存", R::Always, kFile),
        command(FileSaveAs, "另存为", R::Always, kFile),
        command(FilePrint, "打印", R::Always, kFile),
        command(EditUndo, "撤消", R::UndoAvailable, "", true),  // toolbar only, with its drop-down
        command(TrayExit, "退出", R::Always, ""),  // tray menu only
        command(Connect, "联机", R::NotLoggedIn, kFax, true),
        command(ReceiveFax, "接收传真", R::LoggedIn, kFax, true),
        command(ReceiveAll, "接收所有", R::Never, kFax),
        command(ComposeFax, "撰写传真", R::Always, kFax, true),
        command(SendFax, "发送传真", R::LoggedIn, kFax, true),
        command(MailFax, "邮件传真", R::LoggedIn, kFax),
        command(ReplyFax, "回复传真", R::LoggedIn, kFax),
        command(ForwardFax, "转发传真", R::LoggedIn, kFax),
        command(MoveFax, "转移传真到", R::LoggedIn, kFax),
        {AutoReceive, "自动接收传真", R::Always, CommandCheck::AutoReceive, -1, kFax, false, ""},
        command(ShowMain, "启动传真管理", R::Always, ""),
        command(AddressBook, "地址薄", R::Always, kTools, true),
        command(SmsNotice, "短信通知", R::Never, kTools),
        command(VoiceNotice, "语音通知", R::Never, kTools),
        command(SealManager, "印章管理", R::Never, kTools),
        command(ElectronicSeal, "电子章管理(&M)...", R::Always, kTools),
        command(ImageAssistant, "图像助理", R::Always, kTools),
        command(TemplateManager, "模板管理", R::Always, kTools),
        command(SystemSettings, "系统设置", R::Always, kTools),
        command(AccountProperties, "账户属性", R::LoggedInOrAccountEnabled, kTools, true),
        command(SelfServiceMenu, "自助服务", R::Never, kService),
        command(SelfService, "自助服务", R::AdminUrlSet, kService, false, "F12"),
        command(ApplyAccount, "申请帐号", R::ReqAccountUrlSet, kService),
        command(OnlinePay, "在线冲值", R::OnlinePayUrlSet, kService),
        command(CheckUpdate, "检查更新", R::LoggedIn, kService),
        themeCommand(ThemeOfficeXp, "OfficeXp界面风格", 0),
        themeCommand(ThemeOffice2000, "Office2000界面风格", 1),
        themeCommand(ThemeOffice2003, "Office2003界面风格", 2),
        themeCommand(ThemeWindowsXp, "WindowXP界面风格", 3),
        themeCommand(ThemeVisualStudio2005, "Visual Studio 2005 风格", 4),
        command(Customize, "自定义...", R::Always, kView),
        command(HelpTopics, "帮助主题", R::Always, kHelp),
    };
}

} // namespace

const std::vector<FrameCommand>& FrameCommands()
{
    static const std::vector<FrameCommand> commands = buildCommands();
    return commands;
}

const FrameCommand* FindFrameCommand(int id)
{
    const auto& commands = FrameCommands();
    auto it = std::find_if(commands.begin(), commands.end(),
                           [id](const FrameCommand& c) { return c.id == id; });
    return it == commands.end() ? nullptr : &*it;
}

const std::vector<int>& TrayMenuCommands()
{
    static const std::vector<int> ids = {Connect, ComposeFax, ReceiveFax, ShowMain, TrayExit};
    return ids;
}

bool IsCommandEnabled(const FrameCommand& command, const CommandContext& context)
{
    switch (command.rule) {
    case R::Always: return true;
    case R::Never: return false;
    case R::LoggedIn: return context.loggedIn;
    case R::NotLoggedIn: return !context.loggedIn;
    case R::LoggedInOrAccountEnabled: return context.loggedIn || context.accountPropertiesEnabled;
    case R::AdminUrlSet: return context.adminUrlSet;
    case R::ReqAccountUrlSet: return context.reqAccountUrlSet;
    case R::OnlinePayUrlSet: return context.onlinePayUrlSet;
    case R::UndoAvailable: return context.undoAvailable;
    }
    return false;
}

bool IsCommandChecked(const FrameCommand& command, const CommandContext& context)
{
    switch (command.check) {
    case CommandCheck::AutoReceive: return context.autoReceiveMark && context.loggedIn;
    case CommandCheck::Theme: return command.theme == ClampTheme(context.theme);
    case CommandCheck::None: break;
    }
    return false;
}

int ClampTheme(int theme)
{
    return theme >= 0 && theme < kThemeCount ? theme : 0;
}
