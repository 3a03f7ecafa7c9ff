#pragma once

#include "spindle/Lockable.h"

namespace Spindle {

// Holds a Lockable for the lifetime of the object.
class VLock {
public:
    explicit VLock(Lockable& lockable) : lockable_(lockable) { lockable_.lock(); }
    ~VLock() { lockable_.unlock(); }
    VLock(const VLock&) = delete;
    VLock& operator=(const VLock&) = delete;

private:
    Lockable& lockable_;
};

} // namespace Spindle
