#pragma once

#include "core/frame/ConnectionMachine.h"
#include "core/frame/FrameCommands.h"
#include "core/frame/FrameSession.h"
#include "core/frame/StatusTexts.h"
#include "core/qt/AnimateTray.h"
#include "core/qt/CommandActions.h"
#include "core/qt/MainWindowInterface.h"
#include "core/qt/PopupNotice.h"
#include "core/qt/TaskbarNotifier.h"
#include "core/qt/WindowMessage.h"
#include "core/web/WebAddress.h"

#include <QBasicTimer>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

class CAdView;
class CBrowserView;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;
class UndoDropDown;
class XStatusBar;

// What the main window reads from config.xml and the deployment.
struct MainFrameSettings {
    QString loginMode;      // "web" (any case) selects the web sign-in
    QString adUrl;
    QString adminUrl;
    QString reqAccountUrl;
    QString onlinePayUrl;
    QString onlineHelpUrl;
    QString logoName;
    WebSignInSite site;     // sign-on gateway and product site (deployment settings)
    bool chinese = true;    // the string table's language entry is "CN"
    MainFrameTimings timings;

    // From SysConfig, the string table and the "WebLogin" settings group
    // ("Gateway", "Site", "Type"; empty when not set).
    static MainFrameSettings Load();
};

// The application's slots as the main window sees them: it mirrors the
// login there for the windows that send requests of their own, and reads the
// network fax number and the program directory from there.
struct ApplicationSlots {
    std::function<void(bool loggedIn)> setLoggedIn;
    // After a login: the network fax number and the login token.
    std::function<void(const std::string& netFaxNo, const std::string& token)> setLogin;
    std::function<std::string()> netFaxNo;
    // Where help.chm lies.
    std::function<QString()> programDirectory;
};

// What the main window uses of the rest of the program. Everything is
// optional: a command whose window is not there is shown disabled.
struct MainFrameServices {
    // The application's slots (the program's assembly fills them with the
    // application object's). While a slot is not set it changes nothing, the
    // fax number is empty and the program directory is the executable's.
    ApplicationSlots application;
    // Creates the server session that the window hosts.
    std::function<std::unique_ptr<MainFrameSession>(SessionEvents&)> makeSession;
    // Number of fax records in the outbox of the current (false) or the
    // default (true) account.
    std::function<int(bool defaultAccount)> outboxFaxCount;
    // Opens the send window for the current (false) or default (true) account.
    std::function<void(bool defaultAccount)> openSendWindow;
    // Opens a compose window on the files a start of the program handed to
    // the main window (without it, the compose command runs).
    std::function<void(const QStringList& files)> composeHandOver;
    // The default account's fax user: read, and store with a save of account.xml.
    std::function<std::string()> faxUser;
    std::function<bool(const std::string&)> setFaxUser;
    // Handlers of commands whose windows live elsewhere (receive, compose,
    // address book, reply, account properties ...), by command id.
    std::map<int, std::function<void()>> commandHandlers;
    // Opens a compose window, which takes the task queued for it (the fax
    // list's open, resend, reply and forward); empty while there is none.
    std::function<void()> openCompose;
};

// The program's main window: folder tree, advertisement pane, fax list,
// caption bar, content and attachments panes; the status bar, the menu bar
// and the toolbar, the tray icon, the notifier and the pop-up notice; it
// hosts the server session and closes every window it registered at the end.
// The connection's decisions (its states, timers, notices and the web
// sign-in) are the ConnectionMachine's; the window feeds it the session's
// reports and its timers' expiries and carries out the steps it answers.
class CMainFrame : public QMainWindow, public MainWindowInterface, public SessionEvents {
    Q_OBJECT
public:
    // Session timers.
    static constexpr int kStartTimer = static_cast<int>(ConnectionTimer::Start);
    static constexpr int kTimeoutTimer = static_cast<int>(ConnectionTimer::Timeout);
    static constexpr int kAnimationTimer = static_cast<int>(ConnectionTimer::Animation);
    static constexpr int kTrayId = 152;
    static constexpr int kStatusPanes = kStatusPaneCount;

    enum class FramePane { LeftView, FaxView, FaxContentView, AttachFileView };

    CMainFrame(MainFrameSettings settings, MainFrameServices services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // MainWindowInterface
    QWidget& Widget() override { return *this; }
    WindowId Handle() const override { return registered_.Id(); }
    void SetStatusText(const QString& text) override;
    void SetAutoReceiveMark(int mark) override;
    void Quit() override;

    // SessionEvents (any thread)
    void SetState(int state) override;
    void SetPaneText(int pane, const std::string& text) override;
    void PostNotice(const std::string& text) override;
    void LoggedIn() override;
    void LoginFailed() override;
    void LoggedInElsewhere() override;
    void ConnectionLost() override;
    void SetAutoReceiveMark(bool set) override;
    void EnableAccountProperties() override;

    // Panes. The folder tree, fax list, content and attachments panes are
    // placeholders until their windows are installed; until then the getters
    // give null.
    QWidget* GetLeftView() const { return installed(FramePane::LeftView); }
    QWidget* GetFaxView() const { return installed(FramePane::FaxView); }
    QWidget* GetFaxContentView() const { return installed(FramePane::FaxContentView); }
    QWidget* GetAttachFileView() const { return installed(FramePane::AttachFileView); }
    CBrowserView* GetBrowserView() const { return browserView_; }
    CAdView* GetAdView() const { return adView_; }
    // Puts a window in place of a pane (the frame takes ownership).
    void SetPaneWidget(FramePane pane, QWidget* widget);
    void ShowBrowserView();
    void ShowFaxContentView();
    bool IsBrowserViewShown() const;
    // Shows the browser pane at an address.
    void Navigate(const QString& address);
    void NavigateAdView();
    // Shows a fax's body file in the browser pane: the server's text, shown
    // without script and without access to files or the network.
    void ShowBody(const QString& path);
    // The caption bar's text ("" clears it).
    void SetCaptionText(const QString& text);
    // Shows the attachments pane beside the content, or takes it away.
    void SetAttachmentPaneShown(bool shown);
    bool IsLoggedIn() const;
    const std::function<void()>& ComposeOpener() const { return services_.openCompose; }
    void RecalcSplitterLayout();
    void SetSplitterColumns(int leftWidth, int rightWidth);

    // Web sign-in.
    void StartWebLoginTimers();
    void OpenWebLogin();
    // Empty while no sign-on gateway is set.
    QString WebSignInAddress() const;

    // Windows opened by the frame or by other windows; closed at shut-down.
    void AddThread(QWidget* window);
    int RegisteredWindowCount() const;

    // The account's fax user or proxy use was changed: the address pane shows
    // "未知", the connection time-out runs again, the state is offline, and
    // the session logs the last user out and the account's user in.
    void OnAccountIdentityChanged();

    // Commands.
    void OnCommand(int id);
    // Routes command `id` to a window installed after the frame was made
    // (the page viewer's print, the document's save).
    void SetCommandHandler(int id, std::function<void()> handler);
    // Asked before the window closes or the tray's "退出" ends the program
    // (the document's save prompt); false keeps the program running.
    void SetCloseCheck(std::function<bool()> mayClose) { closeCheck_ = std::move(mayClose); }
    QAction* CommandAction(int id) const;
    void UpdateCommands();
    QMenu* TrayMenu() const { return trayMenu_; }

    // Shut-down; the tray's "退出" skips saving the command-bar layout.
    void ShutDown(bool saveCommandBars);
    bool IsShutDown() const { return shutDown_; }

    // State for tests and the panes.
    int State() const { return connection_.State(); }
    int Theme() const { return theme_; }
    void SetTheme(int theme);
    bool IsSessionEnabled() const { return connection_.IsSessionEnabled(); }
    bool IsSessionStarted() const { return connection_.IsSessionStarted(); }
    bool IsTimerActive(int id) const;
    int TimerInterval(int id) const;
    bool IsMainVisible() const { return visible_; }
    bool AutoReceiveMark() const { return autoReceiveMark_; }
    CAnimateTray& Tray() { return tray_; }
    CTaskbarNotifier& Notifier() { return notifier_; }
    PopupNotice& Popup() { return popup_; }
    XStatusBar* StatusBar() const { return statusBar_; }
    QToolBar* ToolBar() const { return toolBar_; }
    UndoDropDown* UndoList() const { return undoDropDown_; }
    MainFrameSession* Session() const { return session_.get(); }

signals:
    // The frame has shut down (the application may end its event loop).
    void shutDownFinished();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    struct FrameTimer {
        QBasicTimer timer;
        int intervalMs = 0;
    };
    struct PaneSlot {
        QWidget* widget = nullptr;  // owned by its splitter
        bool installed = false;
    };

    void createLayout();
    void createTray();
    void createStatusBar();
    void createCommandBars();
    void addUndoButton(QAction* undo);
    void createNotifier();
    QWidget* placeholder(const QString& name, const QString& caption);
    QWidget* installed(FramePane pane) const;
    void setTimer(int id, int intervalMs);
    void killTimer(int id);
    // Carries out the connection's steps, in order.
    void carryOut(const ConnectionSteps& steps);
    void carryOut(const ConnectionStep& step);
    // Mirrors the login state, fax number and token into the application.
    void publishLogin(bool loggedIn);
    // The network fax number the application holds ("" without the slot).
    std::string applicationNetFaxNo() const;
    void showState(int state);
    void setPaneTextNow(int pane, const QString& text);
    void showPopup(const QString& text);
    void showMain();
    void hideMain();
    void sendFax(bool defaultAccount);
    void checkUpdate();
    void openHelp();
    void closeAllWindows();
    void refreshFaxList();
    // WM_FAX_REFRESH: 2 relabels the folder tree's counts, 1 refreshes the
    // list when it shows a folder of receipts, invalid or failed faxes, 3
    // refreshes it.
    void onFaxRefresh(WPARAM kind);
    void saveCommandBars();
    bool commandAvailable(int id) const;
    CommandContext commandContext() const;
    std::string loginToken() const;
    // Runs `change` on the GUI thread: at once there, queued from elsewhere.
    void onGuiThread(std::function<void()> change);

    MainFrameSettings settings_;
    MainFrameServices services_;
    ConnectionMachine connection_;
    StatusLabels labels_;
    RegisteredWindow registered_{this};

    mutable std::mutex windowsLock_;
    QList<QPointer<QWidget>> windows_;

    QSplitter* columns_ = nullptr;
    QSplitter* leftRows_ = nullptr;
    QSplitter* rightRows_ = nullptr;
    QStackedWidget* contentStack_ = nullptr;
    QLabel* captionBar_ = nullptr;
    std::map<FramePane, PaneSlot> panes_;
    CAdView* adView_ = nullptr;
    CBrowserView* browserView_ = nullptr;

    CAnimateTray tray_;
    QList<QIcon> stateIcons_;
    QMenu* trayMenu_ = nullptr;
    CTaskbarNotifier notifier_;
    PopupNotice popup_;
    XStatusBar* statusBar_ = nullptr;
    bool statusCreated_ = false;
    bool layoutDone_ = false;
    QToolBar* toolBar_ = nullptr;
    CommandActions actions_{this, [this](int id) { OnCommand(id); }};
    UndoDropDown* undoDropDown_ = nullptr;  // owned by the frame
    std::map<int, FrameTimer> timers_;

    std::function<bool()> closeCheck_;
    std::unique_ptr<MainFrameSession> session_;
    bool shutDown_ = false;
    int theme_ = 0;
    unsigned interInstanceMessage_ = 0;
    bool visible_ = false;
    bool hidden_ = true;
    bool autoReceiveMark_ = false;
    bool accountPropertiesEnabled_ = false;
};
