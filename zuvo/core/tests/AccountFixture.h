#pragma once

// A scratch program directory with an account.xml of the test's own, and
// the account store opened on it.

#include <gtest/gtest.h>

#include "core/stores/AccountConfig.h"
#include "core/tests/TestFiles.h"
#include "textcodec/Gbk.h"

namespace testfiles {

// account.xml as installed: declared GB2312, written in GBK.
inline std::string accountFile(const std::string& body)
{
    return TextCodec::utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n" + body + "</Config>\n").text;
}

class AccountStoreTest : public ::testing::Test {
protected:
    AccountStoreTest() : home_("ZUVO_HOME", dir_.path()) { AccountConfig::Close(); }
    ~AccountStoreTest() override
    {
        AccountConfig::SetSaveListener(nullptr);
        AccountConfig::Close();
    }

    // Writes account.xml with the given Account elements and opens the store.
    void openWith(const std::string& accounts)
    {
        writeFile(accountPath(), accountFile(accounts));
        ASSERT_EQ(AccountConfig::Open(dir_.path()), 1);
    }
    std::string accountPath() const { return dir_.file("account.xml"); }
    std::string backupPath() const { return dir_.file("account-bak.xml"); }
    std::optional<std::string> xpath(const std::string& expression) const
    {
        return testfiles::xpath(accountPath(), expression);
    }

    TempDir dir_;
    ScopedEnv home_;
};

} // namespace testfiles
