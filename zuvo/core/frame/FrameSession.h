#pragma once

#include <string>

// The boundary between the main window and the server session. The window
// hosts the session and drives it through MainFrameSession; the session
// reports back through SessionEvents. Either side can be replaced by a test
// double, so the window is testable without a server and the session without
// a window.

// What the session tells the main window. Every call may come from the
// session thread or the agent's worker thread: the window queues each one to
// its own thread and never makes the caller wait for it.
class SessionEvents {
public:
    virtual ~SessionEvents() = default;
    // Connection state: 0 offline, 1 online, 2 registration failed.
    virtual void SetState(int state) = 0;
    // Text of a status pane (0 free text, 2 fax number, 3 address, 4 fax
    // state); the window adds the pane's label to panes 2 to 4.
    virtual void SetPaneText(int pane, const std::string& text) = 0;
    // A pop-up notice with this text.
    virtual void PostNotice(const std::string& text) = 0;
    // The login succeeded: the connection time-out is cancelled and the
    // advertisement pane navigates.
    virtual void LoggedIn() = 0;
    // The login was refused: the connection time-out and the animation stop,
    // and the browser pane shows the online help page.
    virtual void LoginFailed() = 0;
    // The account was logged in on another machine ("shutdown"): the session
    // stays idle until the user chooses "联机", so the connection time-out
    // and the animation stop until then.
    virtual void LoggedInElsewhere() {}
    // The connection was lost: the time-out and the animation run again.
    virtual void ConnectionLost() = 0;
    // The checked state of "自动接收传真".
    virtual void SetAutoReceiveMark(bool set) = 0;
    // Enables "账户属性" after a session failure.
    virtual void EnableAccountProperties() = 0;
};

// What the main window needs from the session.
class MainFrameSession {
public:
    virtual ~MainFrameSession() = default;
    // Starts the session thread (once; later calls do nothing).
    virtual void Start() = 0;
    // Stops the session thread and waits for it. Returns at once when the
    // thread was never started.
    virtual void Stop() = 0;
    // When the agent connection runs: removes the listeners, logs out and
    // stops the connection. Called after Stop at shut-down.
    virtual void Disconnect() = 0;
    // "联机": try to connect again 100 ms from now.
    virtual void Reconnect() = 0;
    // Whether the session may connect (cleared until a web sign-in succeeded).
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsLoggedIn() const = 0;
    // "检查更新": queues the update request; 1 when it was queued.
    virtual int SendUpdateRequest() = 0;
    // Whether an update check is already running, and marking one as running.
    virtual bool IsUpdateInProgress() const = 0;
    virtual void SetUpdateInProgress(bool running) = 0;
    // The account's identity changed: when the agent connection runs, queues
    // "logout" for the user logged in last and forgets the login, so the
    // session logs in again, as the account now says, on the same
    // connection. 1 when the logout was queued.
    virtual int LogInAgain() = 0;
    // The login token of the last login ("" before any).
    virtual std::string LoginToken() const = 0;
    // The account's network fax number from the last login ("" before any).
    virtual std::string NetFaxNumber() const { return {}; }
};
