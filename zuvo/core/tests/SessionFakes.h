#pragma once

// Stand-ins for the agent, the stores and the main window, for the tests of
// the server session.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestFiles.h"
#include "core/frame/FrameSession.h"
#include "core/session/AgentPort.h"
#include "core/session/SessionSources.h"
#include "corlane/Event.h"
#include "netvoy/ClientEventListener.h"
#include "spindle/VMutex.h"

namespace sessiontest {

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline std::string ValueOf(const Pairs& pairs, const std::string& key)
{
    for (const auto& [k, v] : pairs)
        if (k == key)
            return v;
    return "";
}

inline std::vector<std::string> KeysOf(const Pairs& pairs)
{
    std::vector<std::string> keys;
    for (const auto& pair : pairs)
        keys.push_back(pair.first);
    return keys;
}

// Records every request it queues and every download it is asked for.
class FakeAgent : public AgentPort {
public:
    struct Download {
        long invokeId;
        std::string serverName;
        std::string localPath;
        long taskId;
    };

    int connect(const char*, int) override
    {
        if (onConnect)
            onConnect();
        return connectResult.load();
    }
    int closeServer() override { return 1; }
    int clearArgs() override
    {
        std::lock_guard<std::mutex> hold(lock_);
        args_.clear();
        return 1;
    }
    int appendArg(const char* key, const char* val) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto& pair : args_)
            if (pair.first == key) {
                pair.second = val;
                return 1;
            }
        args_.emplace_back(key, val);
        return 1;
    }
    int appendArg(const char* key, long val) override { return appendArg(key, std::to_string(val).c_str()); }
    int invoke() override
    {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(args_);
        return invokeResult.load();
    }
    Spindle::Lockable& requestLock() override { return requestLock_; }
    int run() override
    {
        running = 1;
        return 1;
    }
    int stop() override
    {
        running = 0;
        return 1;
    }
    int isRun() override { return running.load(); }
    int addEventListener(ClientEventListener* listener) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        listeners_.push_back(listener);
        return 1;
    }
    int removeEventListener(ClientEventListener* listener) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto found = std::find(listeners_.begin(), listeners_.end(), listener);
        if (found == listeners_.end())
            return 0;
        listeners_.erase(found);
        return 1;
    }
    int removeEventListeners() override
    {
        std::lock_guard<std::mutex> hold(lock_);
        listeners_.clear();
        return 1;
    }
    int upLoadFile(long, const char*) override { return 0; }
    int downLoadFile(long invokeId, const char* serverName, const char* localPath) override
    {
        Download download{invokeId, serverName, localPath, 0};
        {
            std::lock_guard<std::mutex> hold(lock_);
            download.taskId = ++lastTask_;
            downloads_.push_back(download);
        }
        if (onDownload)
            onDownload(download);
        return static_cast<int>(download.taskId);
    }
    int cancelUploadFile(long, long) override { return 1; }
    int cancelDownloadFile(long, long taskId) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        cancelled_.push_back(taskId);
        return 1;
    }

    std::vector<Pairs> requests()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return requests_;
    }
    std::vector<std::string> commands()
    {
        std::vector<std::string> names;
        for (const Pairs& request : requests())
            names.push_back(ValueOf(request, "command"));
        return names;
    }
    std::vector<Download> downloads()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return downloads_;
    }
    std::vector<long> cancelled()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return cancelled_;
    }
    std::vector<ClientEventListener*> listeners()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return listeners_;
    }

    std::atomic<int> connectResult{1};
    std::atomic<int> invokeResult{1};
    std::atomic<int> running{1};
    // Called inside downLoadFile, before it returns.
    std::function<void(const Download&)> onDownload;
    // Called inside connect, before it returns.
    std::function<void()> onConnect;

private:
    std::mutex lock_;
    Spindle::VMutex requestLock_;
    Pairs args_;
    std::vector<Pairs> requests_;
    std::vector<Download> downloads_;
    std::vector<long> cancelled_;
    std::vector<ClientEventListener*> listeners_;
    long lastTask_ = 100;
};

// An event of the server, handed to every listener of the agent on a thread
// of its own, as the agent's worker does.
inline void DeliverFromWorker(FakeAgent& agent, const Pairs& pairs)
{
    std::thread worker([&] {
        CRL::Event event;
        for (const auto& [key, value] : pairs)
            event.appendKV(key.c_str(), value.c_str());
        for (ClientEventListener* listener : agent.listeners())
            listener->onReceive(&event);
    });
    worker.join();
}

// A default account with folders in a directory of the test's own; the
// records it is given are kept in memory.
class FakeAccount : public SessionAccount {
public:
    SessionAccountData Load() override
    {
        std::lock_guard<std::mutex> hold(lock_);
        return data;
    }
    std::string DataDirectory() override
    {
        std::lock_guard<std::mutex> hold(lock_);
        return dataDirectory;
    }
    std::string FolderDirectory(const std::string& type) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = folders.find(type);
        return it == folders.end() ? "" : it->second;
    }
    int AddFaxRecord(const std::string& type, const FaxRecord& record) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!addSucceeds)
            return 0;
        records.emplace_back(type, record);
        return 1;
    }
    int StoreUpdate(const std::string& updateData) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        storedUpdates.push_back(updateData);
        return 1;
    }
    std::vector<std::pair<std::string, FaxRecord>> Records()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return records;
    }

    SessionAccountData data;
    std::string dataDirectory;
    std::map<std::string, std::string> folders;
    std::vector<std::pair<std::string, FaxRecord>> records;
    std::vector<std::string> storedUpdates;
    // Cleared: every record is refused, as by an account.xml that cannot be saved.
    std::atomic<bool> addSucceeds{true};

private:
    std::mutex lock_;
};

class FakeSettings : public SessionSettings {
public:
    std::string LoginMode() override { return "client"; }
    std::string Version() override { return "V4200"; }
    std::string ReleaseMode() override { return "Talvin"; }
    ServerAddress FaxServer() override { return server; }
    ServerAddress server{"127.0.0.1", 8000};
};

// Records what the session tells the main window.
class RecordingEvents : public SessionEvents {
public:
    void SetState(int state) override { Add("state", std::to_string(state)); }
    void SetPaneText(int pane, const std::string& text) override { Add("pane" + std::to_string(pane), text); }
    void PostNotice(const std::string& text) override { Add("notice", text); }
    void LoggedIn() override { Add("loggedin", ""); }
    void LoginFailed() override { Add("loginfailed", ""); }
    void ConnectionLost() override { Add("connectionlost", ""); }
    void SetAutoReceiveMark(bool set) override { Add("autoreceive", set ? "1" : "0"); }
    void EnableAccountProperties() override { Add("properties", ""); }
    void LoggedInElsewhere() override { Add("kicked", ""); }

    std::vector<std::string> Values(const std::string& kind)
    {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<std::string> values;
        for (const auto& [k, v] : calls_)
            if (k == kind)
                values.push_back(v);
        return values;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.clear();
    }

private:
    void Add(std::string kind, std::string value)
    {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.emplace_back(std::move(kind), std::move(value));
    }
    std::mutex lock_;
    Pairs calls_;
};

// Waits up to timeoutMs for the condition.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    return testfiles::waitFor(condition, std::chrono::milliseconds(timeoutMs));
}

} // namespace sessiontest
