#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "spindle/VMutex.h"

namespace CRL {

// Engine records an event may be tied to; defined by the state-machine engine.
class CtxInfo;
class Feature;
class CtxContainer;

// One key/value pair of an event. Both strings are owned.
class KV {
public:
    KV() = default;
    KV(const char* key, const char* val);
    KV(const KV&) = default;
    KV& operator=(const KV&) = default;

    // Views of the strings, valid until the pair is changed or destroyed.
    const char* getKey() const { return key_.c_str(); }
    const char* getVal() const { return val_.c_str(); }
    // A null argument stores the empty string.
    void setKey(const char* key);
    void setVal(const char* val);

private:
    friend class Event;
    std::string key_;
    std::string val_;
};

// The message of the whole system: an ordered list of string pairs under a
// re-entrant lock. Keys compare ignoring ASCII case; the first pair whose key
// matches wins. Every list operation holds the event's lock.
//
// Text form: each pair as key "=" value followed by the separator ("|" unless
// given), e.g. "event=heartbeat|eventclass=system|". There is no escaping, so
// a key never holds "=" or the separator and a value never holds the separator.
//
// Events live on the heap; release() (or EventPtr) destroys one.
class Event {
public:
    static constexpr char kSeparator = '|';

    Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    virtual ~Event();

    virtual long getInvokeId() { return 0; }
    virtual unsigned int getId() { return 0; }
    // 1 when name equals "event" ignoring case, else 0.
    virtual int is(const char* name);
    virtual const char* name();

    // Destroys this event.
    void release();
    // Destroys the event; does nothing for null.
    static void release(Event* event);

    void clearAllItems();

    // Appends the pair and takes ownership of it; a null pair is ignored. Returns 1.
    int addKV(KV* kv);
    int addKV(std::unique_ptr<KV> kv);

    // Upserts: replace the value of the first pair with the key, or append a
    // new pair. Test and insert happen under one hold of the lock, so two
    // threads upserting one key leave a single pair. Returns 1, or 0 for a
    // null key or when the pair cannot be allocated. A null value stores "".
    int appendKV(const char* key, const char* val);
    int appendKV(const char* key, int val);           // "%d"
    int appendKV(const char* key, unsigned long val); // "%ld"
    int setKV(const char* key, const char* val);
    int setKV(const char* key, int val);              // "%d"
    int setKV(const char* key, long val);             // "%ld"
    int setKV(const char* key, unsigned long val);    // "%ld"

    int findKV(const char* key) const;
    // Erases the first pair with the key: 1; none: 0.
    int removeKV(const char* key);

    // Value of the first pair with the key, or the event's own empty text
    // when there is none: never null. Valid until that pair is changed or
    // removed, or the event is cleared or released.
    char* getString(const char* key);
    // Decimal value of getString(key) (leading blanks and a sign allowed,
    // parsing stops at the first non-digit); 0 when absent or not a number.
    // Values out of range are clamped to the type's limits.
    int getInt(const char* key) const;
    long getLong(const char* key) const;

    int getLength() const;
    // Key or value of pair i counted from 0. Empty event: null; i at or past
    // the end: ""; i negative: the first pair's.
    const char* getKeyString(int i) const;
    const char* getValString(int i) const;

    // One cursor per event. first(): the first pair, or null when empty.
    // next(): the pair after the cursor, or null at the end.
    KV* first();
    KV* next();

    // Appends copies of src's pairs after this event's own. Null src: 0, else 1.
    // src is read under its own lock into a snapshot first, so two events
    // copying into each other cannot deadlock and copy(this) doubles the list once.
    int copy(Event* src);

    // Text form as a string; no value when a pair cannot be written faithfully
    // (a key holding "=" or the separator, a value holding the separator).
    std::optional<std::string> builderEvent(char sep = kSeparator) const;
    // Text form into out, which holds capacity bytes. 1 on success; 0 for a
    // null out, text that does not fit with its terminator, or a pair that
    // cannot be written faithfully (out then holds "" when capacity > 0).
    int builderEvent(char* out, std::size_t capacity) const;
    int builderEvent(char* out, std::size_t capacity, char sep) const;

    // Parses a text form and appends its pairs after the present ones (no
    // upsert). Every separator ends a pair, even an empty one; a trailing part
    // without separator counts only when both its key and its value are
    // non-empty. The first "=" of a pair divides key from value. Keys and
    // values have no length limit. Null text: 0, else 1.
    int splitEvent(const char* text, char sep = kSeparator);

    // Splits one pair text at its first "=": key before, value after. No "=":
    // the whole text is the key and the value is empty. Null text: both empty.
    static void splitKV(const char* text, std::string& key, std::string& val);

    CtxInfo* getCtxInfo() const { return ctxInfo_; }
    void setCtxInfo(CtxInfo* info) { ctxInfo_ = info; }
    Feature* getFeature() const { return feature_; }
    void setFeature(Feature* feature) { feature_ = feature; }
    CtxContainer* getCtxContainer() const { return ctxContainer_; }
    void setCtxContainer(CtxContainer* container) { ctxContainer_ = container; }
    CtxContainer* getAddrContainer() const { return addrContainer_; }
    void setAddrContainer(CtxContainer* container) { addrContainer_ = container; }

private:
    using PairList = std::vector<std::unique_ptr<KV>>;
    static constexpr std::size_t kNoCursor = static_cast<std::size_t>(-1);

    KV* findPair(const char* key) const;
    int upsert(const char* key, const char* val);
    int upsertNumber(const char* key, long val);
    void appendPair(std::string key, std::string val);
    const KV* pairAt(int i) const;
    bool writeText(std::string& out, char sep) const;

    CtxInfo* ctxInfo_ = nullptr;
    Feature* feature_ = nullptr;
    CtxContainer* ctxContainer_ = nullptr;
    CtxContainer* addrContainer_ = nullptr;
    char emptyText_[128] = {};
    // Each pair lives in its own allocation, so pointers into a pair stay
    // valid while the list grows.
    PairList pairs_;
    mutable Spindle::VMutex lock_;
    std::size_t cursor_ = kNoCursor;
};

// Owns an event; destroying it is the same as release().
using EventPtr = std::unique_ptr<Event>;

inline EventPtr makeEvent() { return std::make_unique<Event>(); }

} // namespace CRL
