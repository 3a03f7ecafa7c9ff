#include "spindle/ThreadIf.h"

#include <pthread.h>

namespace Spindle {

ThreadIf::~ThreadIf()
{
    stopAndJoin();
}

void ThreadIf::run()
{
    std::lock_guard<std::mutex> guard(control_);
    if (running_.load())
        return;
    if (thread_.joinable())
        thread_.join(); // the previous run has returned from thread()
    shutdown_.store(false);
    running_.store(true);
    thread_ = std::thread(&ThreadIf::body, this, name_);
}

void ThreadIf::setName(std::string name)
{
    std::lock_guard<std::mutex> guard(control_);
    name_ = name.substr(0, 15);
}

void ThreadIf::body(std::string name)
{
    if (!name.empty())
        ::pthread_setname_np(::pthread_self(), name.c_str());
    try {
        thread();
    } catch (...) {
        // An exception must not escape a thread: that would end the process.
    }
    running_.store(false);
}

void ThreadIf::join()
{
    std::lock_guard<std::mutex> guard(control_);
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        return;
    thread_.join();
}

void ThreadIf::exit()
{
    shutdown();
}

void ThreadIf::stopAndJoin()
{
    shutdown();
    std::lock_guard<std::mutex> guard(control_);
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach(); // destroyed from its own thread: nobody else can join it
    else
        thread_.join();
}

} // namespace Spindle
