#pragma once

#include <cstdint>

// The two-byte address of a party on the agent network: terminal type and
// terminal number. The server assigns the client's own address at start-up.
class NetAddr {
public:
    NetAddr() = default;
    NetAddr(unsigned char termType, unsigned char termNo) : termType_(termType), termNo_(termNo) {}

    void SetTermType(unsigned char termType) { termType_ = termType; }
    void SetTermNo(unsigned char termNo) { termNo_ = termNo; }
    unsigned char GetTermType() const { return termType_; }
    unsigned char GetTermNo() const { return termNo_; }

    bool operator==(const NetAddr&) const = default;

private:
    unsigned char termType_ = 0;
    unsigned char termNo_ = 0;
};
