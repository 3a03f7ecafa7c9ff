#pragma once

namespace Spindle {

// Something that runs to completion and returns an exit code.
class Runnable {
public:
    Runnable() = default;
    Runnable(const Runnable&) = default;
    Runnable& operator=(const Runnable&) = default;
    virtual ~Runnable() = default;
    virtual int run() = 0;
};

} // namespace Spindle
