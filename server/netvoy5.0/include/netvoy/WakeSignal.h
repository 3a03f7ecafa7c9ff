#pragma once

// A wake-up for a thread that waits in poll: any thread signals, the waiting
// thread sees its descriptor readable and drains it. Backed by an eventfd.
namespace Netvoy {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void signal();
    // Consumes pending signals; returns true when there was one.
    bool drain();
    // Waits up to `timeoutMs` for a signal and consumes it.
    bool wait(int timeoutMs);
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace Netvoy
