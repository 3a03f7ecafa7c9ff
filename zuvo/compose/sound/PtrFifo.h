#pragma once

#include <deque>
#include <memory>

#include "spindle/VLock.h"
#include "spindle/VMutex.h"

// A first-in, first-out queue of owned objects that several threads share:
// Push appends at the back and Pop takes the front, each under the queue's
// lock. The queue owns what it holds; Pop hands ownership to the caller, and
// whatever is still queued is freed with the queue.
template <typename T>
class CPtrFIFO {
public:
    CPtrFIFO() = default;
    virtual ~CPtrFIFO() = default;

    CPtrFIFO(const CPtrFIFO&) = delete;
    CPtrFIFO& operator=(const CPtrFIFO&) = delete;

    // Appends the object (a null pointer is queued like any other).
    void Push(std::unique_ptr<T> item)
    {
        Spindle::VLock lock(lock_);
        items_.push_back(std::move(item));
    }

    // The front object, removed from the queue; null when the queue is empty.
    std::unique_ptr<T> Pop()
    {
        Spindle::VLock lock(lock_);
        if (items_.empty())
            return nullptr;
        std::unique_ptr<T> front = std::move(items_.front());
        items_.pop_front();
        return front;
    }

private:
    Spindle::VMutex lock_;
    std::deque<std::unique_ptr<T>> items_; // under lock_
};
