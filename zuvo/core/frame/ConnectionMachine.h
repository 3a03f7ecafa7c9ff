#pragma once

#include "core/frame/StatusTexts.h"
#include "core/web/WebAddress.h"

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The main window's side of the connection: the states it shows, its three
// timers, the web sign-in it waits for, and what each report of the session,
// each timer's expiry and each of the user's choices asks of the window.
// Plain values, testable without a screen: every input answers with the
// steps the window carries out, in order (start or stop a timer, show a
// state, a pane's text, a notice or a page, drive the session). The window
// owns the timers, panes, tray and pop-ups; this class owns the decisions.
//
// The session itself (connecting, logging in, the retry loop) lives in
// core/session; its reports reach this class through the window, on the GUI
// thread, one at a time.

// Periods of the session timers (ms); tests shorten them.
struct MainFrameTimings {
    int startMs = 2000;       // timer 3000 after creation
    int webStartMs = 1000;    // timer 3000 after a web sign-in
    int timeoutMs = 90000;    // timer 2000: connection time-out notice
    int animationMs = 200;    // timer 1000: next frame of the tray animation
};

// The window's connection timers, by their timer ids.
enum class ConnectionTimer : int {
    Animation = 1000,  // next frame of the tray icon's connecting animation
    Timeout = 2000,    // the connection time-out notice
    Start = 3000,      // starts the session
};

// One thing the window does for a transition.
struct ConnectionStep {
    enum class Kind {
        StartTimer,               // timer, value: its period in ms (a running one starts over)
        StopTimer,                // timer
        ShowState,                // value: the connection state (pane 1's text and the tray's icon)
        ShowAnimationFrame,       // value: the tray icon of the connecting animation
        SetPaneText,              // value: the status pane, text: its text after the pane's label
        ShowNotice,               // text: the pop-up notice
        ShowPage,                 // text: an address shown in the browser pane
        NavigateAdView,           // the advertisement pane loads its page
        PublishLogin,             // value: 1 logged in, 0 not, mirrored into the application
        ClearAutoReceiveMark,     // "自动接收传真" unchecked
        EnableAccountProperties,  // "账户属性" enabled although offline
        EnableSession,            // value: 1 the session may connect, 0 not
        StartSession,             // the session thread starts
        StopSession,              // the session thread stops (and is waited for)
        DisconnectSession,        // the session logs out and closes the connection
        ReconnectSession,         // the session tries to connect again at once
        LogInAgain,               // the session logs the last user out and the account's user in
        ClearUpdateInProgress,    // no update check counts as running
    };
    Kind kind;
    ConnectionTimer timer = ConnectionTimer::Start;  // StartTimer and StopTimer only
    int value = 0;
    std::string text{};

    bool operator==(const ConnectionStep&) const = default;

    static ConnectionStep StartTimer(ConnectionTimer timer, int periodMs)
    {
        return {.kind = Kind::StartTimer, .timer = timer, .value = periodMs};
    }
    static ConnectionStep StopTimer(ConnectionTimer timer) { return {.kind = Kind::StopTimer, .timer = timer}; }
    static ConnectionStep ShowState(int state) { return {.kind = Kind::ShowState, .value = state}; }
    static ConnectionStep ShowAnimationFrame(int icon) { return {.kind = Kind::ShowAnimationFrame, .value = icon}; }
    static ConnectionStep SetPaneText(int pane, std::string text)
    {
        return {.kind = Kind::SetPaneText, .value = pane, .text = std::move(text)};
    }
    static ConnectionStep ShowNotice(std::string text) { return {.kind = Kind::ShowNotice, .text = std::move(text)}; }
    static ConnectionStep ShowPage(std::string address) { return {.kind = Kind::ShowPage, .text = std::move(address)}; }
    static ConnectionStep PublishLogin(bool loggedIn) { return {.kind = Kind::PublishLogin, .value = loggedIn}; }
    static ConnectionStep EnableSession(bool enabled) { return {.kind = Kind::EnableSession, .value = enabled}; }
    // A step of a kind that carries nothing more.
    static ConnectionStep Do(Kind kind) { return {.kind = kind}; }
};
using ConnectionSteps = std::vector<ConnectionStep>;

// What the connection depends on, fixed for the window's life.
struct ConnectionSettings {
    std::string loginMode;      // "web" (any case) waits for the web sign-in
    MainFrameTimings timings;
    std::string onlineHelpUrl;  // shown after a refused login
    std::string reqAccountUrl;  // the apply-account page, shown instead when there is no help page
    WebSignInSite site;         // where the web sign-in happens
};

// Whether a login mode selects the web sign-in: "web" without regard to case.
bool IsWebLoginMode(std::string_view loginMode);

class ConnectionMachine {
public:
    explicit ConnectionMachine(ConnectionSettings settings);

    // --- the window

    // The window is created, hosting a session or not (without one, no step
    // drives a session). Direct login: the session is enabled and the start
    // timer and the connection time-out run. Web login: the session waits,
    // and the browser pane shows the sign-on gateway (stamped with
    // `localNow`), unless no gateway is set.
    ConnectionSteps Open(bool hasSession, const std::tm& localNow);
    // The window shuts down: the session stops (when it was started) and
    // disconnects; every timer stops.
    ConnectionSteps ShutDown();

    // --- timers

    // The start timer: the tray animation runs from its first frame, the
    // state is offline, the address pane shows "未知" and the fax-number pane
    // `netFaxNo`, and the session starts (once per window).
    ConnectionSteps StartTimerExpired(const std::string& netFaxNo);
    // The connection time-out: the notice "连接传真服务器超时。", the
    // animation and the time-out stop, the state is offline.
    ConnectionSteps TimeoutExpired();
    // The animation timer: the next frame while not logged in; logged in, the
    // icon stands still and the timer rests until a lost connection or "联机".
    ConnectionSteps AnimationTick(bool loggedIn);

    // --- the session's reports

    ConnectionSteps StateReported(int state);
    // Logged in: the application learns it, the time-out stops and the
    // advertisement pane loads.
    ConnectionSteps LoggedIn();
    // Refused, not unreachable: no time-out notice, and the tray keeps the
    // state the session reports instead of animating. The browser pane shows
    // the online help page, else the apply-account page with `loginToken`.
    ConnectionSteps LoginFailed(const std::string& loginToken);
    // Logged in on another machine: nothing connects until "联机".
    ConnectionSteps LoggedInElsewhere();
    // The connection was lost: the session reconnects by itself while the
    // animation and the time-out run again.
    ConnectionSteps ConnectionLost();

    // --- the user

    // "联机": the session tries again at once, the animation and the
    // time-out run again.
    ConnectionSteps ConnectChosen();
    // The account's fax user or proxy use changed: the address pane shows
    // "未知" and the fax-number pane `netFaxNo`, the time-out runs again, the
    // state is offline, and the session logs in anew.
    ConnectionSteps AccountIdentityChanged(const std::string& netFaxNo);
    // The browser pane saw the sign-in succeed: the session is enabled and,
    // in web login mode, the start timer and the time-out run. Nothing once
    // the session runs (the callback page shown again must not start it over
    // and show the window offline while it is logged in).
    ConnectionSteps WebSignInSucceeded();
    // The browser pane asks for the sign-on gateway again (the callback page
    // without success): shown afresh unless the session is already enabled.
    ConnectionSteps WebSignInReopened(const std::tm& localNow);

    // --- state

    int State() const { return state_; }
    bool IsWebLogin() const { return webLogin_; }
    bool IsSessionEnabled() const { return sessionEnabled_; }
    bool IsSessionStarted() const { return sessionStarted_; }
    // The sign-on gateway's address at `localNow`; "" while no gateway is set.
    std::string SignInAddress(const std::tm& localNow) const;

private:
    void setSessionEnabled(bool enabled, ConnectionSteps& steps);
    ConnectionSteps signInPage(const std::tm& localNow) const;

    ConnectionSettings settings_;
    bool webLogin_ = false;
    bool hasSession_ = false;
    bool sessionEnabled_ = false;
    bool sessionStarted_ = false;
    int state_ = StateOffline;
    int animationFrame_ = StateOffline;  // the offline icon: the animation starts at its first frame
};
