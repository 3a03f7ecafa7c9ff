#include "app/CPelno1App.h"

#include "core/codec/FileScrambler.h"
#include "core/qt/AboutDialog.h"
#include "textcodec/Utf8.h"

namespace {

std::atomic<CPelno1App*> theApp = nullptr;

} // namespace

void CPelno1App::TextSlot::Set(std::string_view text)
{
    std::string truncated(TextCodec::utf8Prefix(text, kSlotTextBytes));
    std::lock_guard guard(lock);
    value = std::move(truncated);
}

std::string CPelno1App::TextSlot::Get() const
{
    std::lock_guard guard(lock);
    return value;
}

CPelno1App::CPelno1App()
{
    theApp = this;
}

CPelno1App::~CPelno1App()
{
    handOverServer_.reset();
    mainWindowId_ = 0;
    mainWindow_.reset();
    if (theApp == this) {
        theApp = nullptr;
    }
}

CPelno1App* CPelno1App::Instance()
{
    return theApp;
}

int CPelno1App::CheckSingleInstance()
{
    if (!instanceLock_) {
        instanceLock_ = std::make_unique<InstanceLock>(programDirectory_);
        alreadyRunning_ = instanceLock_->IsAlreadyRunning();
    }
    return IsAlreadyRunning();
}

int CPelno1App::SplitPath(const QString& path, QString& dir, QString& name)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    dir = slash < 0 ? QString() : path.left(slash);
    name = path.mid(slash + 1);
    return 1;
}

int CPelno1App::ScrambleFile(const QString& path)
{
    return ::ScrambleFile(path.toStdString());
}

void CPelno1App::OnAppAbout()
{
    CAboutDlg dialog(programDirectory_, mainWindow_ ? &mainWindow_->Widget() : nullptr);
    dialog.exec();
}

int CPelno1App::GetCurrentAccount(std::string& account) const
{
    account = currentAccount_.Get();
    return account.empty() ? 0 : 1;
}

void CPelno1App::SetCurrentAccount(std::string_view account)
{
    currentAccount_.Set(account);
}

void CPelno1App::SetPhone(std::string_view phone)
{
    phone_.Set(phone);
}

std::string CPelno1App::GetPhone() const
{
    return phone_.Get();
}

void CPelno1App::SetNetFaxNo(std::string_view number)
{
    netFaxNo_.Set(number);
}

std::string CPelno1App::GetNetFaxNo() const
{
    return netFaxNo_.Get();
}

void CPelno1App::SetUserFlag(std::string_view token)
{
    userFlag_.Set(token);
}

std::string CPelno1App::GetUserFlag() const
{
    return userFlag_.Get();
}

void CPelno1App::PostToMainWindow(unsigned message, WPARAM wParam, LPARAM lParam)
{
    WindowRegistry::Post(mainWindowId_, message, wParam, lParam);
}

void CPelno1App::NotifyMainFrame()
{
    PostToMainWindow(WM_FAX_REFRESH, FAX_REFRESH_FOLDER_COUNTS, 0);
}

void CPelno1App::PostMainFrameRefresh(int kind)
{
    PostToMainWindow(WM_FAX_REFRESH, static_cast<WPARAM>(kind), 0);
}

void CPelno1App::PostMainFrameReload()
{
    PostToMainWindow(WM_FAX_RELOAD, 0, 0);
}

void CPelno1App::PostMainFrameCommand()
{
    PostToMainWindow(WM_COMMAND, ID_MAIL_FAX_COMMAND, 0);
}

void CPelno1App::ShowStatusText(const QString& text)
{
    WindowRegistry::Invoke(mainWindowId_, [text](QObject& window) {
        if (auto* frame = dynamic_cast<MainWindowInterface*>(&window)) {
            frame->SetStatusText(text);
        }
    });
}

int CPelno1App::SetAutoReceiveMark(int mark)
{
    const bool queued = WindowRegistry::Invoke(mainWindowId_, [mark](QObject& window) {
        if (auto* frame = dynamic_cast<MainWindowInterface*>(&window)) {
            frame->SetAutoReceiveMark(mark);
        }
    });
    return queued ? 1 : 0;
}

void CPelno1App::SetMainWindow(std::unique_ptr<MainWindowInterface> window)
{
    mainWindowId_ = 0;
    mainWindow_ = std::move(window);
    mainWindowId_ = mainWindow_ ? mainWindow_->Handle() : 0;
}
