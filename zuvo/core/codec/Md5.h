#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// MD5 message digest (RFC 1321).
class Md5Context {
public:
    using Digest = std::array<unsigned char, 16>;

    Md5Context() { init(); }
    void init();
    // Any length; partial blocks are buffered, whole blocks processed directly.
    void update(const void* data, std::size_t length);
    // Pads, appends the bit count and returns the digest.
    Digest finish();
    // The chaining words as bytes, without padding.
    Digest read() const;

private:
    void transform(const unsigned char* block);

    uint32_t state_[4];
    uint32_t count_[2]; // byte count, low word first
    std::size_t buffered_ = 0;
    unsigned char buffer_[128];
};

// 32 lowercase hexadecimal digits, high nibble first.
std::string Md5ToHex(const Md5Context::Digest& digest);

// Digest of the bytes as 32 lowercase hexadecimal digits. Texts stored as
// GB2312 are digested over their GBK bytes.
std::string MD5HexString(const unsigned char* data, std::size_t length);
std::string MD5HexString(std::string_view bytes);

// Digest of up to length bytes of file from offset, read in pieces of at most
// 1024 bytes; stops early at end of file or on a read error.
std::string MD5HexFile(std::FILE* file, long offset, unsigned int length);

// Digest of a whole stream read in 4096-byte pieces. Returns 1 when the
// stream reported a read error, else 0.
int MD5Stream(std::FILE* file, Md5Context::Digest& digest);
