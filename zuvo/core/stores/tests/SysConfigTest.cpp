#include "core/stores/SysConfig.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/tests/TestFiles.h"
#include "textcodec/Gbk.h"

namespace {

struct Server {
    std::string address, port, caption;
};

struct ConfigText {
    std::string logoName = "Zuvo网络传真";
    std::string loginMode = "direct";
    std::string releaseMode;
    std::string key;
    std::string current = "0";
    std::vector<Server> servers = {{"fax.example.com", "8000", "主站"}};
    bool withVersion = true;

    // The file as the installer ships it: GB2312 declared, GBK bytes.
    std::string gbk() const
    {
        std::string xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n<System>\n"
                          "<UIManager><AdUrl>http://ads.example/pane</AdUrl><AdminUrl></AdminUrl></UIManager>\n"
                          "<LoginMode>" + loginMode + "</LoginMode>\n<LogoName>" + logoName +
                          "</LogoName>\n" + (withVersion ? "<Version></Version>\n" : "") +
                          "<ReleaseMode>" + releaseMode + "</ReleaseMode>\n<Key>" + key + "</Key>\n"
                          "<FaxServers Current=\"" + current + "\">\n";
        for (const Server& s : servers)
            xml += "<FaxServer Address=\"" + s.address + "\" Port=\"" + s.port + "\" Caption=\"" +
                   s.caption + "\"/>\n";
        xml += "</FaxServers>\n</System>\n</Config>\n";
        return TextCodec::utf8ToGbk(xml).text;
    }
};

constexpr const char* kKnownDigest = "adc161609a66a6103741a31b352d01fc";

class SysConfigTest : public ::testing::Test {
protected:
    // A fresh SysConfig over the given file content.
    SysConfig& load(const ConfigText& text)
    {
        testfiles::writeFile(path(), text.gbk());
        config_ = std::make_unique<SysConfig>();
        EXPECT_EQ(config_->Open(path()), 1);
        return *config_;
    }
    std::string path() const { return dir_.file("config.xml"); }
    std::string toolKey(const std::string& file)
    {
        auto r = testfiles::run(std::string("python3 ") + ZUVO_SOURCE_DIR + "/scripts/config-key " +
                                testfiles::quote(file));
        EXPECT_EQ(r.status, 0);
        return r.output.substr(0, 32);
    }

    testfiles::TempDir dir_;
    std::unique_ptr<SysConfig> config_;
};

} // namespace

TEST_F(SysConfigTest, KeyBindsBrandingLoginReleaseAndServers)
{
    ConfigText text;
    EXPECT_EQ(load(text).ComputeKey(), kKnownDigest);

    struct Case {
        const char* what;
        ConfigText text;
        int expected;
    };
    ConfigText lower = text, upper = text, caption = text, swapped = text;
    lower.key = kKnownDigest;
    upper.key = "ADC161609A66A6103741A31B352D01FC";
    caption.key = kKnownDigest;
    caption.servers[0].caption = "主战";
    swapped.servers.push_back({"backup.example.com", "8001", "备用"});
    ConfigText inOrder = swapped;
    swapped.servers = {inOrder.servers[1], inOrder.servers[0]};
    load(inOrder);
    inOrder.key = config_->ComputeKey();
    swapped.key = inOrder.key;

    const std::vector<Case> cases = {
        {"stored key", lower, 1},          {"upper-case key", upper, 1},
        {"one caption character", caption, 0}, {"servers in order", inOrder, 1},
        {"two servers swapped", swapped, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(load(c.text).CheckKey(), c.expected) << c.what;
}

TEST_F(SysConfigTest, ToolComputesTheSameKeyAsTheProgram)
{
    ConfigText text;
    text.releaseMode = "Beta";
    text.logoName = "测试\u3000"; // an ideographic blank is no XML white space: it stays
    // Thirteen servers and a caption that takes the digest input past 4096 bytes.
    text.servers.clear();
    for (int i = 0; i < 13; ++i)
        text.servers.push_back({"s" + std::to_string(i) + ".example", std::to_string(8000 + i), "服务器" + std::to_string(i)});
    text.servers[12].caption = std::string(5000, 'x');
    SysConfig& config = load(text);
    EXPECT_EQ(toolKey(path()), config.ComputeKey());

    // The tool writes the key; the program accepts it.
    const auto written = testfiles::run(std::string("python3 ") + ZUVO_SOURCE_DIR + "/scripts/config-key --write " +
                                        testfiles::quote(path()));
    ASSERT_EQ(written.status, 0);
    SysConfig reread;
    ASSERT_EQ(reread.Open(path()), 1);
    EXPECT_EQ(reread.CheckKey(), 1);
    // Every one of the 13 servers entered the digest.
    text.key = written.output.substr(0, 32);
    text.servers[12].port = "9999";
    EXPECT_EQ(load(text).CheckKey(), 0);
}

TEST_F(SysConfigTest, ServerTableHoldsTwelveAndClearsEarlierSlots)
{
    ConfigText text;
    text.servers.clear();
    for (int i = 0; i < 13; ++i)
        text.servers.push_back({"host" + std::to_string(i), std::to_string(7000 + i), "c" + std::to_string(i)});
    SysConfig& config = load(text);
    config.LoadFaxServers();
    EXPECT_EQ(config.Servers().Get(11).address, "host11");
    EXPECT_EQ(config.Servers().Get(11).port, "7011");
    EXPECT_EQ(config.Servers().Get(12).address, ""); // no thirteenth slot

    // Texts longer than a slot holds are cut whole characters at a time.
    std::string caption = "a";
    for (int i = 0; i < 100; ++i)
        caption += "服";
    text.servers[0].caption = caption;
    SysConfig& longCaption = load(text);
    longCaption.LoadFaxServers();
    EXPECT_EQ(longCaption.Servers().Get(0).caption, caption.substr(0, 253));

    text.servers.resize(2);
    text.servers[0].caption = "c0";
    SysConfig& shorter = load(text);
    shorter.Servers().Set(5, {"stale", "1", "left over"});
    shorter.LoadFaxServers();
    EXPECT_EQ(shorter.Servers().Get(1).caption, "c1");
    EXPECT_EQ(shorter.Servers().Get(5).address, "");
}

TEST_F(SysConfigTest, CurrentServerAddressAndPort)
{
    ConfigText text;
    text.servers = {{"a.example", "8100", "A"}, {"b.example", "8200", "B"}};
    SysConfig& config = load(text);
    config.LoadFaxServers();
    struct Case {
        int index;
        std::string address;
        int port;
    };
    const std::vector<Case> cases = {
        {1, "b.example", 8200}, {0, "a.example", 8100}, {5, "", 0},
        {12, kDefaultFaxServerHost, 8000}, {-1, kDefaultFaxServerHost, 8000},
    };
    for (const Case& c : cases) {
        config.Servers().SetCurrentIndex(c.index);
        EXPECT_EQ(config.Servers().CurrentAddress(), c.address) << c.index;
        EXPECT_EQ(config.Servers().CurrentPort(), c.port) << c.index;
    }
}

TEST_F(SysConfigTest, SetCurrentServerCreatesTheAttributeAndSaves)
{
    ConfigText text;
    text.current = "1";
    SysConfig& config = load(text);
    EXPECT_EQ(config.GetCurrentServer(), 1);
    EXPECT_EQ(config.SetCurrentServer(3), 1);
    EXPECT_EQ(testfiles::xpath(path(), "string(/Config/System/FaxServers/@Current)"), "3");

    // A file without Current reads 0 and gets the attribute on the first set.
    std::string bytes = testfiles::readFile(path());
    bytes.replace(bytes.find(" Current=\"3\""), 12, "");
    testfiles::writeFile(path(), bytes);
    SysConfig plain;
    ASSERT_EQ(plain.Open(path()), 1);
    EXPECT_EQ(plain.GetCurrentServer(), 0);
    EXPECT_EQ(plain.SetCurrentServer(2), 1);
    EXPECT_EQ(testfiles::xpath(path(), "string(/Config/System/FaxServers/@Current)"), "2");
}

// The installation's own config.xml keeps its layout when the program
// changes the current server: only that attribute changes, whether the file
// has LF or CR LF line ends.
TEST_F(SysConfigTest, SetCurrentServerOnTheSampleChangesOnlyTheAttribute)
{
    const std::string sample = testfiles::readFile(std::string(ZUVO_SOURCE_DIR) + "/zuvo/res/samples/config.xml");
    ASSERT_NE(sample.find("Current=\"0\""), std::string::npos);
    std::string crlf;
    for (char c : sample)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& original : {sample, crlf}) {
        testfiles::writeFile(path(), original);
        testfiles::writeFile(dir_.file("original.xml"), original);
        SysConfig config;
        ASSERT_EQ(config.Open(path()), 1);
        ASSERT_EQ(config.SetCurrentServer(1), 1);

        const std::string lines = "wc -l < ";
        EXPECT_EQ(testfiles::run(lines + testfiles::quote(path())).output,
                  testfiles::run(lines + testfiles::quote(dir_.file("original.xml"))).output);
        const std::string diff =
            testfiles::run("diff " + testfiles::quote(dir_.file("original.xml")) + " " + testfiles::quote(path())).output;
        const std::string eol = original.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        EXPECT_EQ(diff, "16c16\n< \t\t<FaxServers Current=\"0\">" + eol + "---\n> \t\t<FaxServers Current=\"1\">" + eol)
            << diff;
    }
}

TEST_F(SysConfigTest, DefaultsForAClosedFileAndForEmptyNodes)
{
    SysConfig closed;
    EXPECT_EQ(closed.Open(dir_.file("missing.xml")), 0);
    EXPECT_EQ(closed.GetLogoName(), "Zuvo网络传真");
    EXPECT_EQ(closed.GetVersion(), "V4200");
    EXPECT_EQ(closed.GetReleaseMode(), "Talvin");
    EXPECT_EQ(closed.GetAdUrl(), "");
    EXPECT_EQ(closed.GetLoginMode(), "");
    EXPECT_EQ(closed.GetCurrentServer(), 0);
    EXPECT_EQ(closed.SetCurrentServer(1), 0);
    EXPECT_EQ(closed.CheckKey(), 0);
    EXPECT_EQ(closed.Save(), 0);

    ConfigText text;
    text.logoName = "";
    text.withVersion = false;
    SysConfig& config = load(text);
    EXPECT_EQ(config.GetLogoName(), "");
    EXPECT_EQ(config.GetVersion(), "V4200");
    EXPECT_EQ(config.GetReleaseMode(), "Talvin");
    EXPECT_EQ(config.GetAdUrl(), "http://ads.example/pane");
    EXPECT_EQ(config.GetAdminUrl(), "");
    EXPECT_EQ(config.GetOnlineHelpUrl(), "");
    EXPECT_EQ(config.GetLoginMode(), "direct");
}

TEST(SysConfigSample, ShippedConfigNamesTheDemoServerWithAValidKey)
{
    SysConfig config;
    ASSERT_EQ(config.Open(std::string(ZUVO_SOURCE_DIR) + "/zuvo/res/samples/config.xml"), 1);
    EXPECT_EQ(config.CheckKey(), 1);
    config.LoadFaxServers();
    config.Servers().SetCurrentIndex(config.GetCurrentServer());
    EXPECT_EQ(config.Servers().CurrentAddress(), "127.0.0.1");
    EXPECT_EQ(config.Servers().CurrentPort(), 18000);
}

TEST(SysConfigSample, ProgramDirectoryConfigIsOpenedOnce)
{
    testfiles::TempDir dir;
    testfiles::ScopedEnv home("ZUVO_HOME", dir.path());
    SysConfig config;
    EXPECT_EQ(config.Open(), 0);
    testfiles::writeFile(dir.file("config.xml"),
                         testfiles::readFile(std::string(ZUVO_SOURCE_DIR) + "/zuvo/res/samples/config.xml"));
    EXPECT_EQ(config.Open(), 1);
    std::filesystem::remove(dir.file("config.xml"));
    EXPECT_EQ(config.Open(), 1); // already open: not loaded again
    EXPECT_EQ(config.GetLoginMode(), "direct");
}
