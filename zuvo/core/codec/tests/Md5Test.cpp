#include "core/codec/Md5.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/tests/TestFiles.h"

TEST(Md5, Rfc1321TestSuite)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(MD5HexString(text), digest) << '"' << text << '"';
}

TEST(Md5, MatchesMd5sumForLengthsUpTo300)
{
    testfiles::TempDir dir;
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += char((i * 131 + 7) & 0xFF);
    for (std::size_t n = 0; n <= data.size(); ++n) {
        const std::string path = dir.file("in");
        testfiles::writeFile(path, data.substr(0, n));
        ASSERT_EQ(MD5HexString(data.substr(0, n)), testfiles::md5sumOf(path)) << "length " << n;
    }
}

TEST(Md5, IncrementalUpdatesGiveTheSameDigest)
{
    std::string data(1000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    for (std::size_t piece : {1u, 13u, 55u, 56u, 63u, 64u, 65u, 200u}) {
        Md5Context context;
        for (std::size_t at = 0; at < data.size(); at += piece) {
            context.update(data.data() + at, std::min(piece, data.size() - at));
            context.update(nullptr, 0); // an empty piece changes nothing
        }
        EXPECT_EQ(Md5ToHex(context.finish()), MD5HexString(data)) << "pieces of " << piece;
    }
}

TEST(Md5, FileAndStreamDigests)
{
    testfiles::TempDir dir;
    std::string data;
    for (int i = 0; i < 5000; ++i)
        data += char(i % 251);
    const std::string path = dir.file("f");
    testfiles::writeFile(path, data);

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    ASSERT_TRUE(file);
    EXPECT_EQ(MD5HexFile(file.get(), 100, 3000), MD5HexString(data.substr(100, 3000)));
    // Past the end: only the bytes that are there.
    EXPECT_EQ(MD5HexFile(file.get(), 4000, 3000), MD5HexString(data.substr(4000)));

    std::rewind(file.get());
    Md5Context::Digest digest{};
    EXPECT_EQ(MD5Stream(file.get(), digest), 0);
    EXPECT_EQ(Md5ToHex(digest), testfiles::md5sumOf(path));
}
