#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>

#include "spindle/Spindle.h"

// A unit of work handed from the windows that make it to the window or
// thread that carries it out. Concrete tasks derive from CTask; a consumer
// finds the type it serves by a checked cast.
class CTask {
public:
    CTask() = default;
    CTask(const CTask&) = delete;
    CTask& operator=(const CTask&) = delete;
    virtual ~CTask() = default;
};

// First-in-first-out queue of tasks, shared by all threads. Every operation
// holds the queue's lock for its whole length and none waits for work.
//
// A task belongs to the queue while it is queued and to the caller once it
// has been taken out. A consumer takes only the tasks of its own type
// (PopTaskOf), so tasks meant for another consumer stay queued for it.
class TaskQueue {
public:
    // Appends at the tail; always 1 (a null task is not queued, and gives 0).
    int AddTask(std::unique_ptr<CTask> task);

    // The oldest task, or null when the queue is empty.
    std::unique_ptr<CTask> PopTask();

    // The oldest task of type T (or derived from it), or null when none is
    // queued; tasks of other types keep their places.
    template <class T>
    std::unique_ptr<T> PopTaskOf()
    {
        std::unique_ptr<CTask> task =
            PopTaskIf([](const CTask& candidate) { return dynamic_cast<const T*>(&candidate) != nullptr; });
        return std::unique_ptr<T>(static_cast<T*>(task.release()));
    }

    // The oldest task that `wanted` accepts, or null.
    std::unique_ptr<CTask> PopTaskIf(const std::function<bool(const CTask&)>& wanted);

    // Removes and destroys the queued task `task`: 1, or 0 when it is not
    // queued (nothing is destroyed then).
    int RemoveTask(const CTask* task);

    std::size_t Count() const;

private:
    mutable Spindle::VMutex lock_;
    std::deque<std::unique_ptr<CTask>> tasks_;
};
