#include "core/TaskQueue.h"

#include <algorithm>

int TaskQueue::AddTask(std::unique_ptr<CTask> task)
{
    if (!task) {
        return 0;
    }
    Spindle::VLock guard(lock_);
    tasks_.push_back(std::move(task));
    return 1;
}

std::unique_ptr<CTask> TaskQueue::PopTask()
{
    return PopTaskIf([](const CTask&) { return true; });
}

std::unique_ptr<CTask> TaskQueue::PopTaskIf(const std::function<bool(const CTask&)>& wanted)
{
    Spindle::VLock guard(lock_);
    auto it = std::find_if(tasks_.begin(), tasks_.end(),
                           [&](const std::unique_ptr<CTask>& task) { return wanted(*task); });
    if (it == tasks_.end()) {
        return nullptr;
    }
    std::unique_ptr<CTask> task = std::move(*it);
    tasks_.erase(it);
    return task;
}

int TaskQueue::RemoveTask(const CTask* task)
{
    std::unique_ptr<CTask> removed;
    {
        Spindle::VLock guard(lock_);
        auto it = std::find_if(tasks_.begin(), tasks_.end(),
                               [&](const std::unique_ptr<CTask>& queued) { return queued.get() == task; });
        if (it == tasks_.end()) {
            return 0;
        }
        removed = std::move(*it);
        tasks_.erase(it);
    }
    // Destroyed outside the lock: a task's destructor may take locks of its own.
    return 1;
}

std::size_t TaskQueue::Count() const
{
    Spindle::VLock guard(lock_);
    return tasks_.size();
}
