#pragma once

// A session for the main window's tests that records what the window asks
// of it.

#include "core/qt/MainFrame.h"

#include <QElapsedTimer>

#include <string>
#include <vector>

// A session that records what the window asks of it.
class FakeSession : public MainFrameSession {
public:
    struct Log {
        std::vector<std::string> calls;
        QElapsedTimer sinceCreation;
        qint64 startedAtMs = -1;
        bool enabled = false;
        bool loggedIn = false;
        int updateResult = 1;
        bool updating = false;
        int stateOnStart = -1;  // a state the session reports as it starts
        SessionEvents* events = nullptr;
    };
    explicit FakeSession(Log& log) : log_(log) { log_.sinceCreation.start(); }

    void Start() override
    {
        record("Start");
        log_.startedAtMs = log_.sinceCreation.elapsed();
        if (log_.stateOnStart >= 0) log_.events->SetState(log_.stateOnStart);
    }
    void Stop() override { record("Stop"); }
    void Disconnect() override { record("Disconnect"); }
    void Reconnect() override { record("Reconnect"); }
    int LogInAgain() override { record("LogInAgain"); return 1; }
    void SetEnabled(bool enabled) override { log_.enabled = enabled; }
    bool IsLoggedIn() const override { return log_.loggedIn; }
    int SendUpdateRequest() override { record("Update"); return log_.updateResult; }
    bool IsUpdateInProgress() const override { return log_.updating; }
    void SetUpdateInProgress(bool running) override { log_.updating = running; }
    std::string LoginToken() const override { return "tok+/="; }
    std::string NetFaxNumber() const override { return "01088886666"; }

private:
    void record(const char* call) { log_.calls.push_back(call); }
    Log& log_;
};
