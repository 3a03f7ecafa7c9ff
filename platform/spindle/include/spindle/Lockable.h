#pragma once

namespace Spindle {

// The base of anything a VLock can hold.
class Lockable {
public:
    virtual ~Lockable() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

} // namespace Spindle
