#include "core/codec/Md5.h"

#include <algorithm>
#include <cstring>

#include "byteorder/LittleEndian.h"

namespace {

constexpr uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

} // namespace

void Md5Context::init()
{
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    count_[0] = count_[1] = 0;
    buffered_ = 0;
}

void Md5Context::transform(const unsigned char* block)
{
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = le::get32(block + 4 * i);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t next = b + rotl(a + f + kSine[i] + m[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5Context::update(const void* data, std::size_t length)
{
    if (length == 0)
        return; // data may then be null
    const auto* in = static_cast<const unsigned char*>(data);
    const uint64_t total = ((uint64_t(count_[1]) << 32) | count_[0]) + length;
    count_[0] = uint32_t(total);
    count_[1] = uint32_t(total >> 32);

    if (buffered_ > 0) {
        const std::size_t take = std::min(length, 64 - buffered_);
        std::memcpy(buffer_ + buffered_, in, take);
        buffered_ += take;
        in += take;
        length -= take;
        if (buffered_ < 64)
            return;
        transform(buffer_);
        buffered_ = 0;
    }
    for (; length >= 64; in += 64, length -= 64)
        transform(in);
    if (length > 0) {
        std::memcpy(buffer_, in, length);
        buffered_ = length;
    }
}

Md5Context::Digest Md5Context::finish()
{
    const uint64_t bits = ((uint64_t(count_[1]) << 32) | count_[0]) * 8;
    // One 0x80 byte, zeros up to 56 mod 64, then the bit count: one block or two.
    const std::size_t padded = buffered_ < 56 ? 64 : 128;
    buffer_[buffered_] = 0x80;
    std::memset(buffer_ + buffered_ + 1, 0, padded - buffered_ - 1);
    le::put32(buffer_ + padded - 8, uint32_t(bits));
    le::put32(buffer_ + padded - 4, uint32_t(bits >> 32));
    transform(buffer_);
    if (padded == 128)
        transform(buffer_ + 64);
    buffered_ = 0;
    return read();
}

Md5Context::Digest Md5Context::read() const
{
    Digest digest;
    for (int i = 0; i < 4; ++i)
        le::put32(digest.data() + 4 * i, state_[i]);
    return digest;
}

std::string Md5ToHex(const Md5Context::Digest& digest)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(32);
    for (unsigned char byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

std::string MD5HexString(const unsigned char* data, std::size_t length)
{
    Md5Context context;
    if (length > 0)
        context.update(data, length);
    return Md5ToHex(context.finish());
}

std::string MD5HexString(std::string_view bytes)
{
    return MD5HexString(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string MD5HexFile(std::FILE* file, long offset, unsigned int length)
{
    Md5Context context;
    if (file != nullptr && std::fseek(file, offset, SEEK_SET) == 0) {
        unsigned char piece[1024];
        while (length > 0) {
            const std::size_t want = std::min<std::size_t>(length, sizeof piece);
            const std::size_t got = std::fread(piece, 1, want, file);
            context.update(piece, got);
            length -= static_cast<unsigned int>(got);
            if (got < want)
                break;
        }
    }
    return Md5ToHex(context.finish());
}

int MD5Stream(std::FILE* file, Md5Context::Digest& digest)
{
    Md5Context context;
    unsigned char piece[4096];
    std::size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0)
        context.update(piece, got);
    digest = context.finish();
    return std::ferror(file) ? 1 : 0;
}
