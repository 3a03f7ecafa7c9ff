#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace Spindle {

// A thread object: run() starts a thread that calls thread() once.
// Stopping is cooperative: thread() polls isShutdown().
//
// A subclass whose thread() touches its own members must stop and join in
// its own destructor (call stopAndJoin()), because by the time ~ThreadIf runs
// the subclass part is gone. ~ThreadIf still raises the flag and joins, so an
// object destroyed with a live thread never terminates the process.
class ThreadIf {
public:
    ThreadIf() = default;
    ThreadIf(const ThreadIf&) = delete;
    ThreadIf& operator=(const ThreadIf&) = delete;
    virtual ~ThreadIf();

    // Starts the thread. A thread that has finished is joined and started
    // again; while one is running, run() does nothing.
    virtual void run();
    // Waits until thread() has returned. From the thread itself it returns at once.
    virtual void join();
    // Called by thread() when it wants to end early; raises the shutdown flag.
    virtual void exit();
    // The work of the thread.
    virtual void thread() = 0;

    // The name the next run() gives the thread, as `top -H`, `ps -L` and a
    // debugger show it (at most 15 bytes are kept: the kernel's limit).
    void setName(std::string name);

    void shutdown() { shutdown_.store(true); }
    bool isShutdown() const { return shutdown_.load(); }
    bool isRunning() const { return running_.load(); }

protected:
    // Raises the shutdown flag and joins; for subclass destructors.
    void stopAndJoin();

private:
    void body(std::string name);

    std::mutex control_;           // guards thread_ and name_ against concurrent run/join
    std::thread thread_;
    std::string name_;
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> running_{false};
};

} // namespace Spindle
