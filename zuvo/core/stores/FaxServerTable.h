#pragma once

#include <array>
#include <mutex>
#include <string>

// Host of the fax service used when the chosen server index names no slot.
inline constexpr const char* kDefaultFaxServerHost = "fax.zuvo.example";
inline constexpr int kDefaultFaxServerPort = 8000;

struct FaxServerEntry {
    std::string address;
    std::string port; // decimal text as stored
    std::string caption;
};

// The process-wide table of fax servers read from config.xml (12 slots) and
// the index of the chosen one. Read by the account page and the session
// thread, filled by SysConfig::LoadFaxServers; every call is atomic.
class FaxServerTable {
public:
    static constexpr int kSlots = 12;
    // Longest address, port or caption kept in a slot, in bytes.
    static constexpr std::size_t kFieldLimit = 255;

    void Clear();
    // Stores entry in slot (0..11; others are ignored), each text cut to the
    // field limit at a character boundary.
    void Set(int slot, const FaxServerEntry& entry);
    FaxServerEntry Get(int slot) const;

    int CurrentIndex() const;
    void SetCurrentIndex(int index);

    // Address of the current server; the built-in default host when the
    // index lies outside 0..11 (an unfilled slot inside gives "").
    std::string CurrentAddress() const;
    // Port of the current server as a number; 8000 when the index lies
    // outside 0..11 (an unfilled slot inside gives 0).
    int CurrentPort() const;

private:
    static bool inRange(int index) { return index >= 0 && index < kSlots; }

    mutable std::mutex mutex_;
    std::array<FaxServerEntry, kSlots> slots_;
    int current_ = 0;
};
