#pragma once

#include <mutex>

#include "spindle/Lockable.h"

namespace Spindle {

// A mutex that the thread holding it may take again. Copying gives a new,
// unlocked mutex: the lock guards one object and never travels with its data.
class VMutex : public Lockable {
public:
    VMutex() = default;
    VMutex(const VMutex&) {}
    VMutex& operator=(const VMutex&) { return *this; }
    ~VMutex() override = default;

    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    bool tryLock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

} // namespace Spindle
