// Conversation contexts and the locked list that finds them by invoke id.
#include "corlane/Context.h"

#include <algorithm>

#include "spindle/VLock.h"
#include "textcodec/AsciiText.h"

namespace CRL {

using Spindle::VLock;

int CtxInfo::is(const char* name) { return name && TextCodec::equalsIgnoringAsciiCase(name, "ctx") ? 1 : 0; }

const char* CtxInfo::name() { return "ctx"; }

CtxContainer::CtxContainer(const CtxContainer& other) : contexts_(other.snapshot()) {}

CtxContainer& CtxContainer::operator=(const CtxContainer& other)
{
    if (this == &other)
        return *this;
    // Read the other list under its lock first, so that two containers
    // assigned to each other never hold both locks at once.
    std::vector<CtxInfo*> copied = other.snapshot();
    VLock hold(lock_);
    contexts_ = std::move(copied);
    return *this;
}

std::vector<CtxInfo*> CtxContainer::snapshot() const
{
    VLock hold(lock_);
    return contexts_;
}

CtxInfo* CtxContainer::getCtxInfo(long id)
{
    VLock hold(lock_);
    for (CtxInfo* context : contexts_)
        if (context->id() == id)
            return context;
    return nullptr;
}

int CtxContainer::addCtxInfo(CtxInfo* info)
{
    if (!info)
        return 0;
    VLock hold(lock_);
    contexts_.push_back(info);
    return 1;
}

int CtxContainer::removeCtxInfo(CtxInfo* info)
{
    VLock hold(lock_);
    auto found = std::find(contexts_.begin(), contexts_.end(), info);
    if (found == contexts_.end())
        return 0;
    contexts_.erase(found);
    return 1;
}

} // namespace CRL
