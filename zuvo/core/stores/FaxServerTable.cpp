#include "core/stores/FaxServerTable.h"

#include "core/TextUtil.h"
#include "textcodec/Utf8.h"

namespace {

// The text cut to the field limit, never inside a UTF-8 character.
std::string cut(const std::string& text)
{
    return std::string(TextCodec::utf8Prefix(text, FaxServerTable::kFieldLimit));
}

} // namespace

void FaxServerTable::Clear()
{
    std::lock_guard lock(mutex_);
    slots_.fill(FaxServerEntry{});
}

void FaxServerTable::Set(int slot, const FaxServerEntry& entry)
{
    if (!inRange(slot))
        return;
    std::lock_guard lock(mutex_);
    slots_[slot] = FaxServerEntry{cut(entry.address), cut(entry.port), cut(entry.caption)};
}

FaxServerEntry FaxServerTable::Get(int slot) const
{
    if (!inRange(slot))
        return {};
    std::lock_guard lock(mutex_);
    return slots_[slot];
}

int FaxServerTable::CurrentIndex() const
{
    std::lock_guard lock(mutex_);
    return current_;
}

void FaxServerTable::SetCurrentIndex(int index)
{
    std::lock_guard lock(mutex_);
    current_ = index;
}

std::string FaxServerTable::CurrentAddress() const
{
    std::lock_guard lock(mutex_);
    return inRange(current_) ? slots_[current_].address : std::string(kDefaultFaxServerHost);
}

int FaxServerTable::CurrentPort() const
{
    std::lock_guard lock(mutex_);
    return inRange(current_) ? AtoiText(slots_[current_].port) : kDefaultFaxServerPort;
}
