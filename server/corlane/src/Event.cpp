#include "corlane/Event.h"

#include <cstdio>
#include <new>

#include "spindle/VLock.h"
#include "textcodec/AsciiText.h"

namespace CRL {

using Spindle::VLock;

namespace {

const char* orEmpty(const char* text) { return text ? text : ""; }

} // namespace

KV::KV(const char* key, const char* val) : key_(orEmpty(key)), val_(orEmpty(val)) {}

void KV::setKey(const char* key) { key_ = orEmpty(key); }
void KV::setVal(const char* val) { val_ = orEmpty(val); }

Event::Event() = default;

Event::~Event()
{
    VLock hold(lock_);
    pairs_.clear();
}

int Event::is(const char* name) { return name && TextCodec::equalsIgnoringAsciiCase(name, "event") ? 1 : 0; }

const char* Event::name() { return "event"; }

void Event::release() { delete this; }

void Event::release(Event* event)
{
    if (event)
        event->release();
}

void Event::clearAllItems()
{
    VLock hold(lock_);
    pairs_.clear();
    cursor_ = kNoCursor;
}

int Event::addKV(KV* kv) { return addKV(std::unique_ptr<KV>(kv)); }

int Event::addKV(std::unique_ptr<KV> kv)
{
    if (!kv)
        return 1;
    VLock hold(lock_);
    pairs_.push_back(std::move(kv));
    return 1;
}

KV* Event::findPair(const char* key) const
{
    if (!key)
        return nullptr;
    for (const auto& pair : pairs_)
        if (TextCodec::equalsIgnoringAsciiCase(pair->key_.c_str(), key))
            return pair.get();
    return nullptr;
}

void Event::appendPair(std::string key, std::string val)
{
    auto pair = std::make_unique<KV>();
    pair->key_ = std::move(key);
    pair->val_ = std::move(val);
    pairs_.push_back(std::move(pair));
}

int Event::upsert(const char* key, const char* val)
{
    if (!key)
        return 0;
    VLock hold(lock_);
    try {
        if (KV* existing = findPair(key))
            existing->setVal(val);
        else
            appendPair(key, orEmpty(val));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int Event::upsertNumber(const char* key, long val)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld", val);
    return upsert(key, text);
}

int Event::appendKV(const char* key, const char* val) { return upsert(key, val); }
int Event::appendKV(const char* key, int val) { return upsertNumber(key, val); }
// Printed as a signed long, as the peers have always read it.
int Event::appendKV(const char* key, unsigned long val) { return upsertNumber(key, static_cast<long>(val)); }
int Event::setKV(const char* key, const char* val) { return upsert(key, val); }
int Event::setKV(const char* key, int val) { return upsertNumber(key, val); }
int Event::setKV(const char* key, long val) { return upsertNumber(key, val); }
int Event::setKV(const char* key, unsigned long val) { return upsertNumber(key, static_cast<long>(val)); }

int Event::findKV(const char* key) const
{
    VLock hold(lock_);
    return findPair(key) ? 1 : 0;
}

int Event::removeKV(const char* key)
{
    if (!key)
        return 0;
    VLock hold(lock_);
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
        if (!TextCodec::equalsIgnoringAsciiCase(pairs_[i]->key_.c_str(), key))
            continue;
        pairs_.erase(pairs_.begin() + static_cast<PairList::difference_type>(i));
        // The cursor stays on its pair; on the erased pair it moves to the end.
        if (cursor_ == i)
            cursor_ = kNoCursor;
        else if (cursor_ != kNoCursor && cursor_ > i)
            --cursor_;
        return 1;
    }
    return 0;
}

char* Event::getString(const char* key)
{
    VLock hold(lock_);
    if (KV* pair = findPair(key))
        return pair->val_.data();
    return emptyText_;
}

int Event::getInt(const char* key) const
{
    return TextCodec::clampToInt(getLong(key));
}

long Event::getLong(const char* key) const
{
    VLock hold(lock_);
    const KV* pair = findPair(key);
    return pair ? TextCodec::leadingDecimal(pair->val_) : 0;
}

int Event::getLength() const
{
    VLock hold(lock_);
    return static_cast<int>(pairs_.size());
}

const KV* Event::pairAt(int i) const
{
    static const KV pastTheEnd;
    if (pairs_.empty())
        return nullptr;
    if (i < 0)
        return pairs_.front().get();
    if (static_cast<std::size_t>(i) >= pairs_.size())
        return &pastTheEnd;
    return pairs_[static_cast<std::size_t>(i)].get();
}

const char* Event::getKeyString(int i) const
{
    VLock hold(lock_);
    const KV* pair = pairAt(i);
    return pair ? pair->getKey() : nullptr;
}

const char* Event::getValString(int i) const
{
    VLock hold(lock_);
    const KV* pair = pairAt(i);
    return pair ? pair->getVal() : nullptr;
}

KV* Event::first()
{
    VLock hold(lock_);
    if (pairs_.empty())
        return nullptr;
    cursor_ = 0;
    return pairs_.front().get();
}

KV* Event::next()
{
    VLock hold(lock_);
    if (pairs_.empty() || cursor_ == kNoCursor || cursor_ >= pairs_.size())
        return nullptr;
    if (++cursor_ >= pairs_.size()) {
        cursor_ = kNoCursor;
        return nullptr;
    }
    return pairs_[cursor_].get();
}

int Event::copy(Event* src)
{
    if (!src)
        return 0;
    std::vector<KV> snapshot;
    {
        VLock hold(src->lock_);
        snapshot.reserve(src->pairs_.size());
        for (const auto& pair : src->pairs_)
            snapshot.push_back(*pair);
    }
    VLock hold(lock_);
    for (auto& pair : snapshot)
        addKV(std::make_unique<KV>(std::move(pair)));
    return 1;
}

} // namespace CRL
