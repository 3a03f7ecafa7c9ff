// The main window's connection transitions: each input answers with the
// window's steps in the order the window carries them out.
#include "core/frame/ConnectionMachine.h"

#include "core/TextUtil.h"
#include "core/frame/FrameTexts.h"
#include "core/session/SessionTexts.h"
#include "jotter/Jotter.h"

namespace {

using Kind = ConnectionStep::Kind;

// The animation and the time-out run (again) while a connection is tried.
void restartConnectionTimers(ConnectionSteps& steps, const MainFrameTimings& timings)
{
    steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Animation, timings.animationMs));
    steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Timeout, timings.timeoutMs));
}

// Both stop while no connection is being tried.
void stopConnectionTimers(ConnectionSteps& steps)
{
    steps.push_back(ConnectionStep::StopTimer(ConnectionTimer::Animation));
    steps.push_back(ConnectionStep::StopTimer(ConnectionTimer::Timeout));
}

// The address is not known until a login; the fax number is the one the
// application holds.
void showAddressUnknown(ConnectionSteps& steps, const std::string& netFaxNo)
{
    steps.push_back(ConnectionStep::SetPaneText(PANE_ADDRESS, SessionText(IDS_UNKNOWN)));
    steps.push_back(ConnectionStep::SetPaneText(PANE_FAX_NUMBER, netFaxNo));
}

} // namespace

bool IsWebLoginMode(std::string_view loginMode)
{
    return EqualsNoCase(loginMode, "web");
}

ConnectionMachine::ConnectionMachine(ConnectionSettings settings)
    : settings_(std::move(settings)), webLogin_(IsWebLoginMode(settings_.loginMode))
{
}

ConnectionSteps ConnectionMachine::Open(bool hasSession, const std::tm& localNow)
{
    hasSession_ = hasSession;
    ConnectionSteps steps;
    if (webLogin_) {
        setSessionEnabled(false, steps);
        for (ConnectionStep& step : signInPage(localNow)) steps.push_back(std::move(step));
        return steps;
    }
    setSessionEnabled(true, steps);
    steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Start, settings_.timings.startMs));
    steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Timeout, settings_.timings.timeoutMs));
    return steps;
}

ConnectionSteps ConnectionMachine::ShutDown()
{
    ConnectionSteps steps;
    if (hasSession_) {
        // A session that never started has nothing to stop.
        if (sessionStarted_) steps.push_back(ConnectionStep::Do(Kind::StopSession));
        steps.push_back(ConnectionStep::Do(Kind::DisconnectSession));
    }
    stopConnectionTimers(steps);
    steps.push_back(ConnectionStep::StopTimer(ConnectionTimer::Start));
    return steps;
}

ConnectionSteps ConnectionMachine::StartTimerExpired(const std::string& netFaxNo)
{
    ConnectionSteps steps{ConnectionStep::StopTimer(ConnectionTimer::Start),
                          ConnectionStep::StartTimer(ConnectionTimer::Animation, settings_.timings.animationMs)};
    animationFrame_ = StateOffline;
    state_ = StateOffline;
    steps.push_back(ConnectionStep::ShowState(state_));
    steps.push_back(ConnectionStep::Do(Kind::ClearAutoReceiveMark));
    steps.push_back(ConnectionStep::Do(Kind::EnableAccountProperties));
    if (hasSession_) steps.push_back(ConnectionStep::Do(Kind::ClearUpdateInProgress));
    showAddressUnknown(steps, netFaxNo);
    if (hasSession_ && !sessionStarted_) {
        sessionStarted_ = true;
        steps.push_back(ConnectionStep::Do(Kind::StartSession));
    }
    return steps;
}

ConnectionSteps ConnectionMachine::TimeoutExpired()
{
    ConnectionSteps steps{ConnectionStep::ShowNotice(std::string(LoadString(IDS_CONNECT_TIMEOUT)))};
    stopConnectionTimers(steps);
    state_ = StateOffline;
    steps.push_back(ConnectionStep::ShowState(state_));
    return steps;
}

ConnectionSteps ConnectionMachine::AnimationTick(bool loggedIn)
{
    if (loggedIn) return {ConnectionStep::StopTimer(ConnectionTimer::Animation)};
    animationFrame_ = NextAnimationFrame(animationFrame_);
    return {ConnectionStep::ShowAnimationFrame(animationFrame_)};
}

ConnectionSteps ConnectionMachine::StateReported(int state)
{
    state_ = state;
    return {ConnectionStep::ShowState(state)};
}

ConnectionSteps ConnectionMachine::LoggedIn()
{
    return {ConnectionStep::PublishLogin(true), ConnectionStep::StopTimer(ConnectionTimer::Timeout),
            ConnectionStep::Do(Kind::NavigateAdView)};
}

ConnectionSteps ConnectionMachine::LoginFailed(const std::string& loginToken)
{
    ConnectionSteps steps;
    stopConnectionTimers(steps);
    if (!settings_.onlineHelpUrl.empty())
        steps.push_back(ConnectionStep::ShowPage(settings_.onlineHelpUrl));
    else if (!settings_.reqAccountUrl.empty())
        steps.push_back(ConnectionStep::ShowPage(BuildApplyAccountAddress(settings_.reqAccountUrl, loginToken)));
    return steps;
}

ConnectionSteps ConnectionMachine::LoggedInElsewhere()
{
    ConnectionSteps steps{ConnectionStep::PublishLogin(false)};
    stopConnectionTimers(steps);
    return steps;
}

ConnectionSteps ConnectionMachine::ConnectionLost()
{
    ConnectionSteps steps{ConnectionStep::PublishLogin(false)};
    restartConnectionTimers(steps, settings_.timings);
    return steps;
}

ConnectionSteps ConnectionMachine::ConnectChosen()
{
    ConnectionSteps steps;
    if (hasSession_) steps.push_back(ConnectionStep::Do(Kind::ReconnectSession));
    restartConnectionTimers(steps, settings_.timings);
    return steps;
}

ConnectionSteps ConnectionMachine::AccountIdentityChanged(const std::string& netFaxNo)
{
    ConnectionSteps steps;
    showAddressUnknown(steps, netFaxNo);
    steps.push_back(ConnectionStep::PublishLogin(false));
    steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Timeout, settings_.timings.timeoutMs));
    state_ = StateOffline;
    steps.push_back(ConnectionStep::ShowState(state_));
    steps.push_back(ConnectionStep::Do(Kind::EnableAccountProperties));
    if (hasSession_) steps.push_back(ConnectionStep::Do(Kind::LogInAgain));
    return steps;
}

ConnectionSteps ConnectionMachine::WebSignInSucceeded()
{
    if (sessionStarted_) return {};
    ConnectionSteps steps;
    setSessionEnabled(true, steps);
    if (webLogin_) {
        steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Start, settings_.timings.webStartMs));
        steps.push_back(ConnectionStep::StartTimer(ConnectionTimer::Timeout, settings_.timings.timeoutMs));
    }
    return steps;
}

ConnectionSteps ConnectionMachine::WebSignInReopened(const std::tm& localNow)
{
    if (sessionEnabled_) return {};
    return signInPage(localNow);
}

std::string ConnectionMachine::SignInAddress(const std::tm& localNow) const
{
    if (settings_.site.gateway.empty()) return {};
    return BuildSignInAddress(settings_.site, localNow);
}

void ConnectionMachine::setSessionEnabled(bool enabled, ConnectionSteps& steps)
{
    sessionEnabled_ = enabled;
    if (hasSession_) steps.push_back(ConnectionStep::EnableSession(enabled));
}

ConnectionSteps ConnectionMachine::signInPage(const std::tm& localNow) const
{
    std::string address = SignInAddress(localNow);
    if (address.empty()) {
        cpLog(kLogFailure, "CMainFrame: login mode web, but no sign-on gateway is set (WebLogin/Gateway)");
        return {};
    }
    if (settings_.site.site.empty())  // no callback page is then recognised
        cpLog(kLogFailure, "CMainFrame: no product site is set (WebLogin/Site); the web sign-in cannot complete");
    return {ConnectionStep::ShowPage(std::move(address))};
}
