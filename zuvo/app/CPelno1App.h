#pragma once

// The program's one application object: start-up (InitInstance), the
// single-instance decision and hand-over, the task queue, the slots that the
// session fills and the windows read, and the helpers that post the
// program's window messages to the main window. Create it after the
// QApplication and before any window.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/TaskQueue.h"
#include "core/qt/MainWindowInterface.h"
#include "core/qt/SingleInstance.h"
#include "core/qt/WindowMessage.h"

class CPelno1App {
public:
    // The longest text a slot keeps, in bytes (cut at a character boundary).
    static constexpr std::size_t kSlotTextBytes = 255;

    CPelno1App();
    ~CPelno1App();
    CPelno1App(const CPelno1App&) = delete;
    CPelno1App& operator=(const CPelno1App&) = delete;

    // The application object of the process, or null before it exists.
    static CPelno1App* Instance();

    // Start-up with the program's command line (its first word the program
    // path). true when the main window exists and the event loop should run;
    // false when the process is to end with exit code 0 (a second instance, an
    // update, an invalid configuration, a hand-over that could not be written).
    bool InitInstance(const QStringList& commandLine);

    int CheckSingleInstance();
    int IsAlreadyRunning() const { return alreadyRunning_ ? 1 : 0; }
    QString GetAppDirectory() const { return programDirectory_; }
    // Splits at the last "/": dir gets what is before it, name what is after
    // it; without a "/" dir is empty. Returns 1.
    static int SplitPath(const QString& path, QString& dir, QString& name);
    // Scrambles or unscrambles the file in place: 1, or 0 when it cannot be opened.
    static int ScrambleFile(const QString& path);
    // The About command.
    void OnAppAbout();

    MainWindowInterface* MainWindow() const { return mainWindow_.get(); }
    // The number of the registered inter-instance message "ZUVO".
    unsigned InterInstanceMessage() const { return interInstanceMessage_; }

    // Task queue.
    int AddTask(std::unique_ptr<CTask> task) { return tasks_.AddTask(std::move(task)); }
    std::unique_ptr<CTask> PopTask() { return tasks_.PopTask(); }
    template <class T>
    std::unique_ptr<T> PopTaskOf()
    {
        return tasks_.PopTaskOf<T>();
    }
    int RemoveTask(const CTask* task) { return tasks_.RemoveTask(task); }
    TaskQueue& Tasks() { return tasks_; }

    // Slots. The current account is "Account[%d]", empty until the folder
    // tree selects one: GetCurrentAccount gives 1 when it is set, else 0.
    int GetCurrentAccount(std::string& account) const;
    void SetCurrentAccount(std::string_view account);
    void SetLoggedIn(int loggedIn) { loggedIn_ = loggedIn; }
    int IsLoggedIn() const { return loggedIn_; }
    void SetUpdating(int updating) { updating_ = updating; }
    int IsUpdating() const { return updating_; }
    void SetPhone(std::string_view phone);
    std::string GetPhone() const;
    void SetNetFaxNo(std::string_view number);
    std::string GetNetFaxNo() const;
    void SetUserFlag(std::string_view token);
    std::string GetUserFlag() const;

    // Posting helpers: each posts to the main window and returns at once.
    void NotifyMainFrame();
    void PostMainFrameRefresh(int kind);
    void PostMainFrameReload();
    void PostMainFrameCommand();
    // Queued to the GUI thread; nothing happens before the main window exists.
    void ShowStatusText(const QString& text);
    // 1 when the mark was queued for the main window, 0 when it does not exist.
    int SetAutoReceiveMark(int mark);
    // From now on every save of account.xml, on whichever thread, posts the
    // folder relabelling to the main window (start-up calls it).
    void RelabelFoldersOnAccountSaves();
    // Sets the main window that the helpers post to (start-up does; tests may).
    void SetMainWindow(std::unique_ptr<MainWindowInterface> window);

private:
    struct TextSlot {
        void Set(std::string_view text);
        std::string Get() const;

    private:
        mutable std::mutex lock;
        std::string value;
    };

    void SetProgramDirectory();
    bool OpenStores();
    void OpenLog();
    // The desktop entry's name and the program's icon for every window.
    void SetDesktopIdentity();
    bool ApplyPendingUpdate();
    bool HandOverToRunningInstance(const QStringList& arguments);
    std::optional<QStringList> WriteOwnHandOver(const QStringList& arguments);
    void StartHandOverServer();
    // Hands files to the main window as the inter-instance message.
    void DeliverHandOver(const HandOverTarget& target, const QStringList& files);
    void PostToMainWindow(unsigned message, WPARAM wParam, LPARAM lParam);

    QString programDirectory_;
    // The directory the program was started in, before the program directory
    // became current: relative file arguments name files there.
    QString startDirectory_;
    std::unique_ptr<InstanceLock> instanceLock_;
    bool alreadyRunning_ = false;
    unsigned interInstanceMessage_ = 0;

    TaskQueue tasks_;
    TextSlot currentAccount_;
    std::atomic<int> loggedIn_{0};
    std::atomic<int> updating_{0};
    TextSlot phone_;
    TextSlot netFaxNo_;
    TextSlot userFlag_;

    std::unique_ptr<MainWindowInterface> mainWindow_;
    std::atomic<WindowId> mainWindowId_{0};
    std::unique_ptr<HandOverServer> handOverServer_;
};
