#include "core/qt/MainFrame.h"

#include "core/qt/FolderTreePane.h"

#include "core/WindowMessages.h"
#include "core/frame/FrameTexts.h"
#include "core/qt/AdView.h"
#include "core/qt/BrowserView.h"
#include "core/qt/FrameThemes.h"
#include "core/qt/Prompter.h"
#include "core/qt/ResourceText.h"
#include "core/qt/TrayIcons.h"
#include "core/qt/UndoDropDown.h"
#include "core/qt/XStatusBar.h"
#include "core/stores/SysConfig.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QThread>
#include <QTimerEvent>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <ctime>

namespace {

constexpr int kLeftColumnWidth = 175;

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

QSettings productSettings()
{
    return QSettings(QStringLiteral("Zuvo"), QStringLiteral("Zuvo"));
}

ConnectionSettings connectionSettings(const MainFrameSettings& settings)
{
    ConnectionSettings connection;
    connection.loginMode = settings.loginMode.toStdString();
    connection.timings = settings.timings;
    connection.onlineHelpUrl = settings.onlineHelpUrl.toStdString();
    connection.reqAccountUrl = settings.reqAccountUrl.toStdString();
    connection.site = settings.site;
    return connection;
}

std::tm localNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

QIcon commandIcon(int id)
{
    using namespace FrameCommandId;
    QStyle* style = QApplication::style();
    switch (id) {
    case EditUndo: return style->standardIcon(QStyle::SP_ArrowBack);
    case Connect: return style->standardIcon(QStyle::SP_BrowserReload);
    case ReceiveFax: return style->standardIcon(QStyle::SP_ArrowDown);
    case ComposeFax: return style->standardIcon(QStyle::SP_FileIcon);
    case SendFax: return style->standardIcon(QStyle::SP_ArrowUp);
    case AddressBook: return style->standardIcon(QStyle::SP_DirHomeIcon);
    case AccountProperties: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    default: return QIcon();
    }
}

} // namespace

MainFrameSettings MainFrameSettings::Load()
{
    MainFrameSettings settings;
    SysConfig& config = SysConfig::Instance();
    settings.loginMode = fromStd(config.GetLoginMode());
    settings.adUrl = fromStd(config.GetAdUrl());
    settings.adminUrl = fromStd(config.GetAdminUrl());
    settings.reqAccountUrl = fromStd(config.GetReqAccountUrl());
    settings.onlinePayUrl = fromStd(config.GetOnlinePayUrl());
    settings.onlineHelpUrl = fromStd(config.GetOnlineHelpUrl());
    settings.logoName = fromStd(config.GetLogoName());
    settings.chinese = IsChineseLanguage(LoadString(IDS_LANGUAGE));
    // config.xml names no sign-on gateway, product site or "Type": they are
    // set per deployment under "WebLogin", with no hosts assumed when absent.
    QSettings web = productSettings();
    web.beginGroup(QStringLiteral("WebLogin"));
    settings.site.gateway = web.value(QStringLiteral("Gateway")).toString().trimmed().toStdString();
    settings.site.site = web.value(QStringLiteral("Site")).toString().trimmed().toStdString();
    settings.site.type = web.value(QStringLiteral("Type")).toString().toStdString();
    return settings;
}

// ------------------------------------------------------------ creation

CMainFrame::CMainFrame(MainFrameSettings settings, MainFrameServices services, QWidget* parent)
    : QMainWindow(parent),
      settings_(std::move(settings)),
      services_(std::move(services)),
      connection_(connectionSettings(settings_)),
      labels_(LabelsFor(settings_.chinese)),
      popup_(this)
{
    cpLog(kLogTrace, "CMainFrame::OnCreate");
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("ZUVO"));
    theme_ = ClampTheme(productSettings().value(QStringLiteral("Settings/Theme"), 0).toInt());

    if (services_.makeSession) session_ = services_.makeSession(*this);
    if (!session_) cpLog(kLogTrace, "CMainFrame: no server session; the window stays offline");

    createLayout();
    createTray();
    createStatusBar();
    createCommandBars();
    createNotifier();
    interInstanceMessage_ = RegisterWindowMessage(QStringLiteral("ZUVO"));
    carryOut(connection_.Open(session_ != nullptr, localNow()));
    cpLog(kLogTrace, "OnCreate SetTheme()");
    SetTheme(theme_);
    cpLog(kLogTrace, "OnCreate End");

    // Every change a command's state depends on (login, state, account
    // properties, the auto-receive mark, the theme) updates the commands
    // where it happens; nothing polls them.
    UpdateCommands();
    resize(1100, 760);
}

CMainFrame::~CMainFrame()
{
    if (!shutDown_) ShutDown(false);
    productSettings().setValue(QStringLiteral("Settings/Theme"), theme_);
}

QWidget* CMainFrame::placeholder(const QString& name, const QString& caption)
{
    auto* pane = new QLabel(caption);  // the splitter that takes it owns it
    pane->setObjectName(name);
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameShape(QFrame::StyledPanel);
    pane->setAutoFillBackground(true);
    pane->setBackgroundRole(QPalette::Base);
    return pane;
}

void CMainFrame::createLayout()
{
    // Child widgets below are owned by their parents (Qt's object tree).
    columns_ = new QSplitter(Qt::Horizontal, this);
    columns_->setObjectName(QStringLiteral("FrameColumns"));
    setCentralWidget(columns_);

    leftRows_ = new QSplitter(Qt::Vertical, columns_);
    const PaneCaptions captions = PlaceholderCaptions();
    panes_[FramePane::LeftView].widget = placeholder(QStringLiteral("CLeftView"), fromStd(captions.folders));
    leftRows_->addWidget(panes_[FramePane::LeftView].widget);
    adView_ = new CAdView([this] { return settings_.adUrl; });
    leftRows_->addWidget(adView_);

    rightRows_ = new QSplitter(Qt::Vertical, columns_);
    panes_[FramePane::FaxView].widget = placeholder(QStringLiteral("CPelno1View"), fromStd(captions.faxList));
    rightRows_->addWidget(panes_[FramePane::FaxView].widget);

    auto* lower = new QWidget;
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    captionBar_ = new QLabel(settings_.logoName);
    captionBar_->setObjectName(QStringLiteral("CaptionBar"));
    captionBar_->setContentsMargins(8, 3, 8, 3);
    captionBar_->setAutoFillBackground(true);
    captionBar_->setBackgroundRole(QPalette::Highlight);
    captionBar_->setForegroundRole(QPalette::HighlightedText);
    lowerLayout->addWidget(captionBar_);

    auto* contentRow = new QSplitter(Qt::Horizontal);
    contentRow->setObjectName(QStringLiteral("ContentRow"));
    contentStack_ = new QStackedWidget;
    panes_[FramePane::FaxContentView].widget =
        placeholder(QStringLiteral("CFaxContentView"), fromStd(captions.content));
    contentStack_->addWidget(panes_[FramePane::FaxContentView].widget);
    CBrowserView::FaxUserStore store{services_.faxUser, services_.setFaxUser};
    browserView_ = new CBrowserView(settings_.site.site, store);
    contentStack_->addWidget(browserView_);
    contentRow->addWidget(contentStack_);
    panes_[FramePane::AttachFileView].widget =
        placeholder(QStringLiteral("CAttachFileView"), fromStd(captions.attachments));
    contentRow->addWidget(panes_[FramePane::AttachFileView].widget);
    contentRow->setSizes({800, 100});
    contentRow->setStretchFactor(0, 1);
    contentRow->setStretchFactor(1, 0);
    lowerLayout->addWidget(contentRow, 1);
    rightRows_->addWidget(lower);

    connect(browserView_, &CBrowserView::webLoginSucceeded, this, &CMainFrame::StartWebLoginTimers);
    connect(browserView_, &CBrowserView::webLoginReopen, this, &CMainFrame::OpenWebLogin);

    // Growing or shrinking the window changes the second pane of each splitter.
    for (QSplitter* splitter : {columns_, leftRows_, rightRows_}) {
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
    }
    RecalcSplitterLayout();
}

void CMainFrame::RecalcSplitterLayout()
{
    int total = std::max(columns_->width(), kLeftColumnWidth + 200);
    int rows = std::max(columns_->height(), 400);
    columns_->setSizes({kLeftColumnWidth, total - kLeftColumnWidth});
    leftRows_->setSizes({250, rows - 250});
    rightRows_->setSizes({200, rows - 200});
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!layoutDone_) {
        // The splitters know their room only once the window is laid out.
        layoutDone_ = true;
        QTimer::singleShot(0, this, &CMainFrame::RecalcSplitterLayout);
    }
}

void CMainFrame::SetSplitterColumns(int leftWidth, int rightWidth)
{
    columns_->setSizes({leftWidth, rightWidth});
}

QWidget* CMainFrame::installed(FramePane pane) const
{
    auto it = panes_.find(pane);
    return it != panes_.end() && it->second.installed ? it->second.widget : nullptr;
}

void CMainFrame::SetPaneWidget(FramePane pane, QWidget* widget)
{
    if (!widget) return;
    PaneSlot& slot = panes_[pane];
    QWidget* old = slot.widget;
    if (pane == FramePane::FaxContentView) {
        int index = contentStack_->indexOf(old);
        contentStack_->insertWidget(index, widget);
        contentStack_->removeWidget(old);
    } else if (auto* splitter = qobject_cast<QSplitter*>(old->parentWidget())) {
        splitter->replaceWidget(splitter->indexOf(old), widget);
    }
    old->deleteLater();
    slot.widget = widget;
    slot.installed = true;
}

void CMainFrame::ShowBrowserView()
{
    if (contentStack_->currentWidget() != browserView_) contentStack_->setCurrentWidget(browserView_);
}

void CMainFrame::ShowFaxContentView()
{
    QWidget* content = panes_[FramePane::FaxContentView].widget;
    if (contentStack_->currentWidget() != content) contentStack_->setCurrentWidget(content);
}

bool CMainFrame::IsBrowserViewShown() const
{
    return contentStack_->currentWidget() == browserView_;
}

void CMainFrame::Navigate(const QString& address)
{
    ShowBrowserView();
    browserView_->Navigate(address);
}

void CMainFrame::ShowBody(const QString& path)
{
    // QtWebEngine shows no page given as more than 2 MB of text.
    constexpr qint64 kMaxBodyBytes = 3 * 512 * 1024;
    QFile file(path);
    QByteArray html;
    if (file.open(QIODevice::ReadOnly))
        html = file.read(kMaxBodyBytes);
    else
        cpLog(kLogFailure, "the fax body <%s> cannot be read", path.toUtf8().constData());
    ShowBrowserView();
    browserView_->ShowUntrustedHtml(html);
}

void CMainFrame::SetCaptionText(const QString& text)
{
    captionBar_->setText(text);
}

void CMainFrame::SetAttachmentPaneShown(bool shown)
{
    panes_[FramePane::AttachFileView].widget->setVisible(shown);
}

bool CMainFrame::IsLoggedIn() const
{
    return session_ && session_->IsLoggedIn();
}

void CMainFrame::NavigateAdView()
{
    WindowMessageEvent message(WM_AD_NAVIGATE, 0, 0);
    QCoreApplication::sendEvent(adView_, &message);
}

void CMainFrame::createTray()
{
    stateIcons_ = DrawStateIcons();
    trayMenu_ = new QMenu(this);  // owned by the frame
    if (!tray_.SetIconList(this, kTrayId, QStringLiteral("Zuvo"), stateIcons_, WM_TRAY_NOTIFY)) {
        // No notification area (or no desktop at all): the window is the
        // only way in, so it is shown instead.
        cpLog(kLogTrace, "CMainFrame: no tray icon; showing the main window");
        visible_ = true;
        hidden_ = false;
        QTimer::singleShot(0, this, [this] { if (!shutDown_) show(); });
    }
    tray_.SetMenu(trayMenu_);
    tray_.SetMainWindowShown(visible_);
}

void CMainFrame::createStatusBar()
{
    statusBar_ = new XStatusBar(this);
    QStringList defaults;
    for (const std::string& text : DefaultPaneTexts()) defaults.append(fromStd(text));
    if (!statusBar_->Create(this, defaults, PaneMode::StyleStretch)) return;
    const int widths[kStatusPanes] = {0, 150, 200, 100, 300};
    for (int i = 0; i < kStatusPanes; ++i) {
        XPaneInfo* info = statusBar_->GetPaneInfo(i);
        info->SetMode(PaneMode::Default);
        info->SetFont(QStringLiteral("Arial"), 90);
        if (i > 0) statusBar_->SetPaneWidth(i, widths[i]);
    }
    statusBar_->GetPaneInfo(0)->SetText(QString(), QString());
    statusBar_->setMinimumHeight(statusBar_->sizeHint().height());  // room for the panes' font
    statusCreated_ = true;
}

void CMainFrame::createCommandBars()
{
    menuBar()->setObjectName(QStringLiteral("主菜单"));
    toolBar_ = addToolBar(QStringLiteral("工具栏"));
    toolBar_->setObjectName(QStringLiteral("工具栏"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    std::map<std::string, QMenu*> menus;
    for (const FrameCommand& command : FrameCommands()) {
        auto* action = new QAction(fromStd(command.text), this);  // owned by the frame
        action->setData(command.id);
        action->setIcon(commandIcon(command.id));
        if (command.check != CommandCheck::None) action->setCheckable(true);
        if (!command.shortcut.empty()) action->setShortcut(QKeySequence(fromStd(command.shortcut)));
        actions_.Add(command.id, action);
        addAction(action);  // shortcuts work while the window has focus
        if (!command.menu.empty()) {
            QMenu*& menu = menus[command.menu];
            if (!menu) {
                menu = menuBar()->addMenu(fromStd(command.menu));
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
            }
            menu->addAction(action);
        }
        if (command.toolbar && command.id == FrameCommandId::EditUndo) addUndoButton(action);
        else if (command.toolbar) toolBar_->addAction(action);
    }
    for (int id : TrayMenuCommands()) trayMenu_->addAction(actions_.Find(id));
    connect(trayMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);

    QByteArray layout = productSettings().value(QStringLiteral("CommandBars")).toByteArray();
    if (!layout.isEmpty()) restoreState(layout);
}

void CMainFrame::addUndoButton(QAction* undo)
{
    undoDropDown_ = new UndoDropDown(this);
    undoDropDown_->OnLinesChanged([this] { UpdateCommands(); });
    QToolButton* button = MakeUndoButton(undo, undoDropDown_, toolBar_);
    button->setToolButtonStyle(toolBar_->toolButtonStyle());
    connect(toolBar_, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
    toolBar_->addWidget(button);
}

void CMainFrame::createNotifier()
{
    notifier_.Create(this);
    QPixmap skin = CTaskbarNotifier::DefaultSkin();
    notifier_.SetSkin(skin);
    notifier_.SetTextFont(QStringLiteral("Arial"), 90, 0, 4);
    notifier_.SetTextColor(QColor(0, 0, 0), QColor(0, 0, 200));  // 0xC80000 as blue, green, red
    notifier_.SetTextRect(QRect(QPoint(10, 40), QPoint(skin.width() - 10, skin.height() - 25)));
}

// ------------------------------------------------------------ timers

void CMainFrame::setTimer(int id, int intervalMs)
{
    FrameTimer& entry = timers_[id];
    entry.intervalMs = intervalMs;
    entry.timer.start(intervalMs, this);
}

void CMainFrame::killTimer(int id)
{
    auto it = timers_.find(id);
    if (it != timers_.end()) it->second.timer.stop();
}

bool CMainFrame::IsTimerActive(int id) const
{
    auto it = timers_.find(id);
    return it != timers_.end() && it->second.timer.isActive();
}

int CMainFrame::TimerInterval(int id) const
{
    auto it = timers_.find(id);
    return it != timers_.end() && it->second.timer.isActive() ? it->second.intervalMs : 0;
}

void CMainFrame::timerEvent(QTimerEvent* event)
{
    for (auto& [id, entry] : timers_) {
        if (entry.timer.timerId() != event->timerId()) continue;
        switch (id) {
        case kStartTimer: carryOut(connection_.StartTimerExpired(applicationNetFaxNo())); break;
        case kTimeoutTimer: carryOut(connection_.TimeoutExpired()); break;
        case kAnimationTimer: carryOut(connection_.AnimationTick(session_ && session_->IsLoggedIn())); break;
        default: break;
        }
        return;
    }
    QMainWindow::timerEvent(event);
}

void CMainFrame::StartWebLoginTimers()
{
    carryOut(connection_.WebSignInSucceeded());
}

void CMainFrame::OpenWebLogin()
{
    carryOut(connection_.WebSignInReopened(localNow()));
}

QString CMainFrame::WebSignInAddress() const
{
    return fromStd(connection_.SignInAddress(localNow()));
}

// ------------------------------------------------------------ connection steps

void CMainFrame::carryOut(const ConnectionSteps& steps)
{
    using Kind = ConnectionStep::Kind;
    // The commands' states read the login, the auto-receive mark and the
    // account-properties enable; each change of them, and of the shown
    // state, updates the commands here: nothing polls them.
    bool commandsAffected = false;
    for (const ConnectionStep& step : steps) {
        carryOut(step);
        commandsAffected |= step.kind == Kind::ShowState || step.kind == Kind::PublishLogin ||
                            step.kind == Kind::LogInAgain || step.kind == Kind::ClearAutoReceiveMark ||
                            step.kind == Kind::EnableAccountProperties;
    }
    if (commandsAffected) UpdateCommands();
}

void CMainFrame::carryOut(const ConnectionStep& step)
{
    using Kind = ConnectionStep::Kind;
    switch (step.kind) {
    case Kind::StartTimer: setTimer(static_cast<int>(step.timer), step.value); break;
    case Kind::StopTimer: killTimer(static_cast<int>(step.timer)); break;
    case Kind::ShowState: showState(step.value); break;
    case Kind::ShowAnimationFrame: tray_.ModifyIcon(step.value); break;
    case Kind::SetPaneText: setPaneTextNow(step.value, fromStd(step.text)); break;
    case Kind::ShowNotice: showPopup(fromStd(step.text)); break;
    case Kind::ShowPage: Navigate(fromStd(step.text)); break;
    case Kind::NavigateAdView: NavigateAdView(); break;
    case Kind::PublishLogin: publishLogin(step.value != 0); break;
    case Kind::ClearAutoReceiveMark: autoReceiveMark_ = false; break;
    case Kind::EnableAccountProperties: accountPropertiesEnabled_ = true; break;
    case Kind::EnableSession: if (session_) session_->SetEnabled(step.value != 0); break;
    case Kind::StartSession: if (session_) session_->Start(); break;
    case Kind::StopSession: if (session_) session_->Stop(); break;
    case Kind::DisconnectSession: if (session_) session_->Disconnect(); break;
    case Kind::ReconnectSession: if (session_) session_->Reconnect(); break;
    case Kind::LogInAgain: if (session_) session_->LogInAgain(); break;
    case Kind::ClearUpdateInProgress: if (session_) session_->SetUpdateInProgress(false); break;
    }
}

// ------------------------------------------------------------ state and panes

void CMainFrame::onGuiThread(std::function<void()> change)
{
    if (QThread::currentThread() == thread())
        change();
    else
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void CMainFrame::SetState(int state)
{
    onGuiThread([this, state] { carryOut(connection_.StateReported(state)); });
}

void CMainFrame::showState(int state)
{
    if (statusCreated_) statusBar_->SetPaneText(1, fromStd(StatePaneText(labels_, state)));
    tray_.ModifyIcon(state);
}

void CMainFrame::setPaneTextNow(int pane, const QString& text)
{
    if (!statusCreated_) return;
    switch (pane) {
    case 0: statusBar_->SetPaneText(0, text); break;
    case 2: statusBar_->SetPaneText(2, fromStd(labels_.faxNumber) + text); break;
    case 3: statusBar_->SetPaneText(3, fromStd(labels_.address) + text); break;
    case 4: statusBar_->SetPaneText(4, fromStd(labels_.faxState) + text); break;
    default: break;  // pane 1 follows the connection state
    }
}

void CMainFrame::SetStatusText(const QString& text)
{
    onGuiThread([this, text] { setPaneTextNow(0, text); });
}

void CMainFrame::SetPaneText(int pane, const std::string& text)
{
    QString copy = fromStd(text);
    onGuiThread([this, pane, copy] { setPaneTextNow(pane, copy); });
}

void CMainFrame::PostNotice(const std::string& text)
{
    WindowRegistry::Post(Handle(), WM_FAX_POPUP, 0, 0, fromStd(text));
}

void CMainFrame::LoggedIn()
{
    onGuiThread([this] { carryOut(connection_.LoggedIn()); });
}

void CMainFrame::LoginFailed()
{
    onGuiThread([this] { carryOut(connection_.LoginFailed(loginToken())); });
}

void CMainFrame::LoggedInElsewhere()
{
    onGuiThread([this] { carryOut(connection_.LoggedInElsewhere()); });
}

void CMainFrame::ConnectionLost()
{
    onGuiThread([this] { carryOut(connection_.ConnectionLost()); });
}

void CMainFrame::OnAccountIdentityChanged()
{
    carryOut(connection_.AccountIdentityChanged(applicationNetFaxNo()));
}

std::string CMainFrame::applicationNetFaxNo() const
{
    return services_.application.netFaxNo ? services_.application.netFaxNo() : std::string();
}

void CMainFrame::publishLogin(bool loggedIn)
{
    // The application's slots carry the login to the windows that send
    // requests of their own (the fax number and token go with them).
    const ApplicationSlots& application = services_.application;
    if (application.setLoggedIn) application.setLoggedIn(loggedIn);
    if (loggedIn && session_ && application.setLogin)
        application.setLogin(session_->NetFaxNumber(), session_->LoginToken());
}

void CMainFrame::SetAutoReceiveMark(int mark)
{
    SetAutoReceiveMark(mark != 0);
}

void CMainFrame::SetAutoReceiveMark(bool set)
{
    onGuiThread([this, set] { autoReceiveMark_ = set; UpdateCommands(); });
}

void CMainFrame::EnableAccountProperties()
{
    onGuiThread([this] { accountPropertiesEnabled_ = true; UpdateCommands(); });
}

void CMainFrame::showPopup(const QString& text)
{
    popup_.ShowNotice(settings_.logoName, text);
}

std::string CMainFrame::loginToken() const
{
    return session_ ? session_->LoginToken() : std::string();
}

// ------------------------------------------------------------ themes

void CMainFrame::SetTheme(int theme)
{
    theme_ = ClampTheme(theme);
    ApplyFrameTheme(theme_);  // the caption bar and the panes follow the application's palette
    UpdateCommands();
    update();
}

// ------------------------------------------------------------ commands

CommandContext CMainFrame::commandContext() const
{
    CommandContext context;
    context.loggedIn = session_ && session_->IsLoggedIn();
    context.accountPropertiesEnabled = accountPropertiesEnabled_;
    context.adminUrlSet = !settings_.adminUrl.isEmpty();
    context.reqAccountUrlSet = !settings_.reqAccountUrl.isEmpty();
    context.onlinePayUrlSet = !settings_.onlinePayUrl.isEmpty();
    context.autoReceiveMark = autoReceiveMark_;
    context.undoAvailable = undoDropDown_ && undoDropDown_->LineCount() > 0;
    context.theme = theme_;
    return context;
}

bool CMainFrame::commandAvailable(int id) const
{
    using namespace FrameCommandId;
    switch (id) {
    // Commands whose work lives in other windows: available once installed.
    case ReceiveFax: case ReceiveAll: case ComposeFax: case AddressBook: case SmsNotice:
    case ReplyFax: case ForwardFax: case MoveFax: case AccountProperties: case ElectronicSeal:
    case FilePrint: case FileSave: case FileSaveAs:
        return services_.commandHandlers.count(id) > 0;
    // Connecting needs a session.
    case Connect: case CheckUpdate:
        return session_ != nullptr;
    default:
        return true;
    }
}

void CMainFrame::UpdateCommands()
{
    CommandContext context = commandContext();
    for (const FrameCommand& command : FrameCommands()) {
        QAction* action = actions_.Find(command.id);
        if (!action) continue;
        action->setEnabled(IsCommandEnabled(command, context) && commandAvailable(command.id));
        if (action->isCheckable()) action->setChecked(IsCommandChecked(command, context));
    }
}

void CMainFrame::SetCommandHandler(int id, std::function<void()> handler)
{
    services_.commandHandlers[id] = std::move(handler);
    UpdateCommands();
}

QAction* CMainFrame::CommandAction(int id) const
{
    return actions_.Find(id);
}

void CMainFrame::OnCommand(int id)
{
    using namespace FrameCommandId;
    if (const FrameCommand* command = FindFrameCommand(id); command && command->check == CommandCheck::Theme) {
        SetTheme(command->theme);
        return;
    }
    auto handler = services_.commandHandlers.find(id);
    bool loggedIn = session_ && session_->IsLoggedIn();
    switch (id) {
    case SendFax: if (loggedIn) sendFax(false); break;
    case MailFax: if (loggedIn) sendFax(true); break;
    case AutoReceive:
        if (loggedIn) autoReceiveMark_ = !autoReceiveMark_;
        break;
    case ReceiveFax:
        if (loggedIn && handler != services_.commandHandlers.end()) handler->second();
        break;
    case ShowMain: showMain(); break;
    case Connect: carryOut(connection_.ConnectChosen()); break;
    case CheckUpdate: checkUpdate(); break;
    case HelpTopics: openHelp(); break;
    case SelfService: {
        std::string faxUser = services_.faxUser ? services_.faxUser() : std::string();
        QUrl url(fromStd(BuildSelfServiceAddress(settings_.adminUrl.toStdString(), faxUser, loginToken())));
        if (!QDesktopServices::openUrl(url)) ShowMessage(QString::fromUtf8(kSelfServiceFailedText));
        break;
    }
    case ApplyAccount:
        Navigate(fromStd(BuildApplyAccountAddress(settings_.reqAccountUrl.toStdString(), loginToken())));
        break;
    case OnlinePay: {
        std::string faxUser = services_.faxUser ? services_.faxUser() : std::string();
        Navigate(fromStd(BuildOnlinePayAddress(settings_.onlinePayUrl.toStdString(), faxUser, loginToken())));
        break;
    }
    case Customize:
        if (QMenu* menu = createPopupMenu()) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(QCursor::pos());
        }
        break;
    case TrayExit:
        if (!shutDown_ && closeCheck_ && !closeCheck_()) break;
        ShutDown(false);
        close();
        break;
    default:
        if (handler != services_.commandHandlers.end()) handler->second();
        break;
    }
    UpdateCommands();
}

void CMainFrame::sendFax(bool defaultAccount)
{
    int count = services_.outboxFaxCount ? services_.outboxFaxCount(defaultAccount) : 0;
    if (count > 0 && services_.openSendWindow) {
        services_.openSendWindow(defaultAccount);
        return;
    }
    if (count > 0) {
        cpLog(kLogTrace, "CMainFrame: %d faxes in the outbox, but no send window is available", count);
        return;
    }
    notifier_.Show(LoadText(IDS_OUTBOX_EMPTY), 300, 5000, 300, 1);
}

void CMainFrame::checkUpdate()
{
    if (!session_) return;
    if (session_->IsUpdateInProgress()) {
        showPopup(LoadText(IDS_UPDATE_RUNNING));
        return;
    }
    if (!session_->SendUpdateRequest()) {
        showPopup(LoadText(IDS_UPDATE_CONNECT_FAILED));
        return;
    }
    session_->SetUpdateInProgress(true);
    showPopup(LoadText(IDS_CHECKING_UPDATE));
}

void CMainFrame::openHelp()
{
    const ApplicationSlots& application = services_.application;
    QString directory =
        application.programDirectory ? application.programDirectory() : QCoreApplication::applicationDirPath();
    QString path = QDir(directory).filePath(QStringLiteral("help.chm"));
    if (directory.isEmpty() || !QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        ShowMessage(QString::fromUtf8(kHelpFileMissingText));
}

// ------------------------------------------------------------ showing and hiding

void CMainFrame::showMain()
{
    showMaximized();
    raise();
    activateWindow();
    visible_ = true;
    hidden_ = false;
    tray_.SetMainWindowShown(true);
}

void CMainFrame::hideMain()
{
    // Withdrawn at once, not minimised first: a window manager that is asked
    // to minimise a window it is about to let go of may then keep the next
    // opening from showing, or show it at its normal size although it asks
    // to be maximised.
    hide();
    visible_ = false;
    hidden_ = true;
    tray_.SetMainWindowShown(false);
}

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_.IsAdded()) {
        // Minimised, the window lives behind the tray icon.
        QTimer::singleShot(0, this, [this] { hide(); });
        visible_ = false;
        hidden_ = true;
        tray_.SetMainWindowShown(false);
    }
    QMainWindow::changeEvent(event);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::EventType()) return QMainWindow::event(event);
    auto* message = static_cast<WindowMessageEvent*>(event);
    switch (message->Message()) {
    case WM_FAX_POPUP: showPopup(message->Text()); break;
    case WM_FAX_SHOW_MAIN: showMain(); break;
    case WM_FAX_HIDE_MAIN: hideMain(); break;
    case WM_COMMAND: OnCommand(static_cast<int>(message->WParam())); break;
    case WM_TRAY_NOTIFY:  // wParam the icon id, lParam the activation reason
        tray_.OnTrayNotify(static_cast<int>(message->WParam()),
                           static_cast<QSystemTrayIcon::ActivationReason>(message->LParam()));
        break;
    case WM_FAX_RELOAD: refreshFaxList(); break;
    case WM_FAX_REFRESH: onFaxRefresh(message->WParam()); break;
    default:
        if (interInstanceMessage_ != 0 && message->Message() == interInstanceMessage_) {
            cpLog(kLogTrace, "m_hBroadCastHandle Proc");
            if (message->WParam() == HANDOVER_OPEN_COMPOSE && services_.composeHandOver)
                services_.composeHandOver(message->Files());
            else if (message->WParam() == HANDOVER_OPEN_COMPOSE)
                OnCommand(FrameCommandId::ComposeFax);
            else if (message->WParam() == HANDOVER_TO_COMPOSE)
                WindowRegistry::Post(message->LParam(), WM_FAX_ADD_FILE, 0, 0, {}, message->Files());
        }
        break;
    }
    return true;
}

void CMainFrame::onFaxRefresh(WPARAM kind)
{
    auto* tree = dynamic_cast<FolderTreePane*>(GetLeftView());
    switch (kind) {
    case FAX_REFRESH_FOLDER_COUNTS:
        if (tree) tree->RefreshFolderCounts();
        break;
    case FAX_REFRESH_LIST_IF_RECEIVING:
        if (tree && (tree->IsCurFolderType("inbox") || tree->IsCurFolderType("deposebox") ||
                     tree->IsCurFolderType("failedbox")))
            refreshFaxList();
        break;
    case FAX_REFRESH_LIST: refreshFaxList(); break;
    default: break;
    }
}

void CMainFrame::refreshFaxList()
{
    QWidget* list = GetFaxView();
    if (GetLeftView() && list)  // the event loop takes ownership of a posted event
        QCoreApplication::postEvent(list, new WindowMessageEvent(WM_FAX_LIST_REFRESH, 0, 0));
}

// ------------------------------------------------------------ windows and shut-down

void CMainFrame::AddThread(QWidget* window)
{
    if (!window) return;
    std::lock_guard<std::mutex> lock(windowsLock_);
    windows_.append(QPointer<QWidget>(window));
}

int CMainFrame::RegisteredWindowCount() const
{
    std::lock_guard<std::mutex> lock(windowsLock_);
    int count = 0;
    for (const auto& window : windows_) count += window ? 1 : 0;
    return count;
}

void CMainFrame::closeAllWindows()
{
    QList<QPointer<QWidget>> windows;
    {
        std::lock_guard<std::mutex> lock(windowsLock_);
        windows.swap(windows_);
    }
    // No lock is held while the windows close: one may register another.
    for (const auto& window : windows)
        if (window) window->close();
}

void CMainFrame::saveCommandBars()
{
    productSettings().setValue(QStringLiteral("CommandBars"), saveState());
}

void CMainFrame::ShutDown(bool saveCommandBarsFirst)
{
    if (shutDown_) return;
    shutDown_ = true;
    if (saveCommandBarsFirst) saveCommandBars();
    carryOut(connection_.ShutDown());
    tray_.StopAnimation();
    closeAllWindows();
    emit shutDownFinished();
}

void CMainFrame::Quit()
{
    OnCommand(FrameCommandId::TrayExit);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!shutDown_ && closeCheck_ && !closeCheck_()) {
        event->ignore();
        return;
    }
    ShutDown(true);
    event->accept();
}
