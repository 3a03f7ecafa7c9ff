#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "netvoy/ClientEventListener.h"
#include "testsupport/TestSupport.h"

// A listener that keeps the text form of everything it hears, for tests.
class Recorder : public ClientEventListener {
public:
    int onDisconnect() override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++disconnects_;
        changed_.notify_all();
        return 0;
    }
    int onReceive(CRL::Event* event) override
    {
        keep(received_, event);
        return 0;
    }
    int onProcess(CRL::Event* event) override
    {
        keep(processed_, event);
        return 0;
    }

    // Waits until check() holds (checked under the recorder's lock).
    bool waitFor(const std::function<bool()>& check, int timeoutMs = testsupport::kWaitLimitMs)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), check);
    }
    int disconnects()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return disconnects_;
    }
    std::vector<std::string> received()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return received_;
    }
    std::vector<std::string> processed()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return processed_;
    }
    // Unlocked views for use inside waitFor's check.
    const std::vector<std::string>& receivedLocked() const { return received_; }
    const std::vector<std::string>& processedLocked() const { return processed_; }
    int disconnectsLocked() const { return disconnects_; }

private:
    void keep(std::vector<std::string>& list, CRL::Event* event)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        list.push_back(event->builderEvent().value_or("<unwritable>"));
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int disconnects_ = 0;
    std::vector<std::string> received_;
    std::vector<std::string> processed_;
};
