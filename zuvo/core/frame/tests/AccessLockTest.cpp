// The access check against stored passwords made with base64(1).

#include "core/frame/AccessLock.h"

#include <gtest/gtest.h>

#include "core/tests/AccountFixture.h"

namespace {

class AccessLockTest : public testfiles::AccountStoreTest {
protected:
    // A locked default account behind a non-default one with its own settings.
    void openWithPassword(const std::string& base64, const std::string& enable = "1")
    {
        openWith("<Account Name=\"other\" EnableAccess=\"0\" AccessPassword=\"b3RoZXI=\"/>\n"
                 "<Account Name=\"main\" Default=\"yes\" EnableAccess=\"" + enable + "\" AccessPassword=\"" + base64 +
                 "\" AccessKey=\"ignored\"/>\n");
    }
};

} // namespace

TEST_F(AccessLockTest, TypedPasswordMustEqualTheDecodedOneByteForByte)
{
    struct Case {
        const char* stored; // Base64 as written by base64(1)
        const char* typed;
        bool opens;
    };
    const Case cases[] = {
        {"c2VjcmV0", "secret", true},   {"c2VjcmV0", "Secret", false},  {"c2VjcmV0", "secret ", false},
        {"c2VjcmV0", "", false},        {"c2VjcmV0", "other", false},   {"", "", true},
        {"", "a", false},               {"5a+G56CB", "密码", true},     {"w9zC6w==", "密码", true},
        {"w9zC6w==", "密", false},      {"c2Vj\r\ncmV0", "secret", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " / " + c.typed);
        AccountConfig::Close();
        openWithPassword(c.stored);
        EXPECT_EQ(AccessLock::PasswordMatches(c.typed), c.opens);
    }
}

TEST_F(AccessLockTest, TheDefaultAccountSwitchesTheLock)
{
    const std::pair<const char*, bool> cases[] = {{"1", true}, {"0", false}, {"2", true}, {"", false}};
    for (const auto& [enable, locked] : cases) {
        AccountConfig::Close();
        openWithPassword("", enable);
        EXPECT_EQ(AccessLock::IsEnabled(), locked) << enable;
    }
}
