#include <gtest/gtest.h>

#include <string>

#include "res/StringTable.h"

namespace {

TEST(StringTable, HoldsTheTextsWindowsLoadByNumber)
{
    struct Case {
        unsigned id;
        const char* text;
    };
    const Case cases[] = {
        {32805, "系统异常－配置文件丢失"},
        {61518, "CN"},
        {61485, "撰写传真"},
        {61486, "回复传真"},
        {61487, "转发传真"},
        {61488, "编辑传真"},
        {61473, "%s\t\t\t正在发送 %d 共 %d 封"},
        {61527, "脱机"},
        {61529, "注册失败"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadString(c.id), c.text) << c.id;
    }
}

TEST(StringTable, InvalidConfigurationMessageNamesTheDownloadPage)
{
    const std::string text(LoadString(IDS_INVALID_CONFIG));
    EXPECT_EQ(text.rfind("无效的配置文件！该软件不能运行！\n请到", 0), 0u);
    EXPECT_NE(text.find("http://"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - std::string("重新下载安装！").size()), "重新下载安装！");
}

TEST(StringTable, UnknownIdsGiveEmptyText)
{
    for (unsigned id : {0u, 1u, 32778u, 61484u + 1000u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(LoadString(id).empty()) << id;
    }
}

} // namespace
