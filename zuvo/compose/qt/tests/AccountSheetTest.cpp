// The account settings sheet and the account properties command in real
// windows: the three pages, what they write at once (the server, the fax
// page mode, the sounds), the lock box, the prompt text, and what OK and
// Cancel store, read back with xmllint.

#include "core/qt/AccountAttrSheet.h"
#include "core/qt/AccountPropertiesCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "core/qt/ChangePasswordDlg.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/stores/AccountConfig.h"
#include "core/stores/ProfileFile.h"
#include "core/stores/SysConfig.h"
#include "core/tests/SessionFakes.h"
#include "core/tests/TestFiles.h"
#include "textcodec/Gbk.h"

namespace {

using sessiontest::FakeAgent;

template <class Control>
Control* Find(QWidget& parent, int id)
{
    auto* control = parent.findChild<Control*>(QString::number(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

class AccountSheetTest : public ::testing::Test {
protected:
    AccountSheetTest()
    {
        QtTest::EnsureApplication();
        // Captions in slots 0 and 2 only.
        testfiles::writeFile(home_.file("config.xml"),
                             TextCodec::utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><System>"
                                                  "<FaxServers Current=\"0\">"
                                                  "<FaxServer Address=\"a\" Port=\"1\" Caption=\"北京\"/>"
                                                  "<FaxServer Address=\"b\" Port=\"2\" Caption=\"\"/>"
                                                  "<FaxServer Address=\"c\" Port=\"3\" Caption=\"上海\"/>"
                                                  "</FaxServers></System></Config>\n")
                                 .text);
        EXPECT_EQ(config_.Open(home_.file("config.xml")), 1);
        config_.LoadFaxServers();
        WriteAccounts("<Account Name=\"main\" Default=\"yes\" FaxUser=\"00210000012345\" FaxPassword=\"c2VjcmV0\" "
                      "SmtpHost=\"smtp.example.com\" EnableAccess=\"1\" AccessPassword=\"bG9jaw==\"/>\n");
        services_.config = &config_;
        services_.agent = &agent_;
        services_.faxPrintIni = home_.file("FaxPrint.ini");
        services_.openVoicePrompt = [this](QWidget*) { ++voicePrompts_; };
        services_.setAutoReceiveMark = [this] { ++autoReceiveMarks_; };
    }
    ~AccountSheetTest() override { AccountConfig::Close(); }

    void WriteAccounts(const std::string& accounts)
    {
        AccountConfig::Close();
        testfiles::writeFile(home_.file("account.xml"),
                             TextCodec::utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n" + accounts +
                                                  "</Config>\n")
                                 .text);
        ASSERT_EQ(AccountConfig::Open(home_.path()), 1);
    }
    std::string Attr(const std::string& name)
    {
        return testfiles::xpath(home_.file("account.xml"), "string(/Config/Account[1]/@" + name + ")").value_or("?");
    }
    std::unique_ptr<CAccountAttrSheet> ShowSheet()
    {
        auto sheet = std::make_unique<CAccountAttrSheet>(QStringLiteral("账户属性"), services_);
        sheet->Load(*ReadAccountSettings("Account[0]"));
        sheet->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
        return sheet;
    }
    // The command with the sheet answered by `answer`, and the dialogs the
    // sheet opens by those already scripted.
    void RunCommand(std::function<int(CAccountAttrSheet&)> answer)
    {
        script_.dialogs.push_front([answer](QDialog& dialog) { return answer(static_cast<CAccountAttrSheet&>(dialog)); });
        AccountPropertiesContext context;
        context.treeAccount = [] { return std::string("Account[0]"); };
        context.sheet = services_;
        context.relabelFolders = [this] { ++relabels_; };
        context.identityChanged = [this] { ++identityChanges_; };
        RunAccountProperties(context);
    }

    testfiles::TempDir home_;
    testfiles::ScopedEnv programDir_{"ZUVO_HOME", home_.path()};
    SysConfig config_;
    FakeAgent agent_;
    AccountSheetServices services_;
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
    int voicePrompts_ = 0;
    int autoReceiveMarks_ = 0;
    int relabels_ = 0;
    int identityChanges_ = 0;
};

TEST_F(AccountSheetTest, ThreeTabsWithTheirCaptionsAndTheServerComboCarriesSlots)
{
    auto sheet = ShowSheet();
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("账户属性"));
    QTabWidget& tabs = sheet->Tabs();
    ASSERT_EQ(tabs.count(), 3);
    EXPECT_EQ(tabs.tabText(0), QStringLiteral("账户设置"));
    EXPECT_EQ(tabs.tabText(1), QStringLiteral("页眉设置"));
    EXPECT_EQ(tabs.tabText(2), QStringLiteral("传真接收"));

    CAccountAttrPage& page = sheet->AccountPage();
    EXPECT_EQ(Find<QLineEdit>(page, 1146)->text(), QStringLiteral("0021"));
    EXPECT_EQ(Find<QLineEdit>(page, 1147)->text(), QStringLiteral("12345"));
    EXPECT_EQ(Find<QLineEdit>(page, 1124)->text(), QString());
    EXPECT_EQ(Find<QLineEdit>(page, 1126)->text(), QStringLiteral("secret"));
    EXPECT_EQ(Find<QLineEdit>(page, 1130)->text(), QStringLiteral("smtp.example.com"));
    EXPECT_TRUE(Find<QCheckBox>(page, 1143)->isChecked());
    EXPECT_EQ(Find<QCheckBox>(page, 1143)->text(), QStringLiteral("默认账户"));
    EXPECT_TRUE(Find<QCheckBox>(page, 1220)->isChecked());
    EXPECT_EQ(Find<QLineEdit>(page, 1222)->text(), QStringLiteral("lock"));

    QComboBox* servers = Find<QComboBox>(page, 1189);
    ASSERT_EQ(servers->count(), 2);
    EXPECT_EQ(servers->itemText(1), QStringLiteral("上海"));
    EXPECT_EQ(servers->itemData(0).toInt(), 1);
    EXPECT_EQ(servers->itemData(1).toInt(), 3);
    EXPECT_EQ(servers->currentIndex(), 0);
    QtTest::SaveScreenshot(*sheet, QStringLiteral("account-sheet-account"));
    // The second entry is slot 2, at once the session's server too.
    servers->setFocus();
    QTest::keyClick(servers, Qt::Key_Down);
    EXPECT_EQ(page.ServerIndex(), 2);
    EXPECT_EQ(config_.Servers().CurrentIndex(), 2);

    // The proxy box switches between the proxy fields and the server list.
    QCheckBox* proxy = Find<QCheckBox>(page, 1193);
    EXPECT_FALSE(Find<QLineEdit>(page, 1140)->isEnabled());
    proxy->click();
    EXPECT_TRUE(Find<QLineEdit>(page, 1140)->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>(page, 1145)->isEnabled());
    EXPECT_FALSE(servers->isEnabled());

    tabs.setCurrentIndex(1);
    QtTest::SaveScreenshot(*sheet, QStringLiteral("account-sheet-header"));
    tabs.setCurrentIndex(2);
    QtTest::SaveScreenshot(*sheet, QStringLiteral("account-sheet-mail"));
}

TEST_F(AccountSheetTest, TheFaxPageModeFollowsFaxPrintIni)
{
    {
        auto sheet = ShowSheet();
        EXPECT_TRUE(Find<QRadioButton>(sheet->AccountPage(), 1195)->isChecked()) << "no key: fine mode";
        Find<QRadioButton>(sheet->AccountPage(), 1196)->click();
        EXPECT_EQ(ReadProfileString(services_.faxPrintIni, "format", "tiffresolution", "?"), "0");
    }
    {
        auto sheet = ShowSheet();
        EXPECT_TRUE(Find<QRadioButton>(sheet->AccountPage(), 1196)->isChecked());
        Find<QRadioButton>(sheet->AccountPage(), 1195)->click();
    }
    EXPECT_EQ(testfiles::readFile(services_.faxPrintIni), "[format]\r\ntiffresolution=1\r\n");
}

TEST_F(AccountSheetTest, ClearingTheLockBoxNeedsTheAccessPassword)
{
    auto sheet = ShowSheet();
    CAccountAttrPage& page = sheet->AccountPage();
    QCheckBox* lock = Find<QCheckBox>(page, 1220);
    QLineEdit* password = Find<QLineEdit>(page, 1222);
    // Cancelled prompt: still set, the field disabled.
    lock->click();
    EXPECT_EQ(script_.dialogTitles, QStringList{QStringLiteral("账户存取密码")});
    EXPECT_TRUE(lock->isChecked());
    EXPECT_FALSE(password->isEnabled());
    // A wrong password says so and keeps the lock.
    script_.dialogs.push_back([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("1001"))->setText(QStringLiteral("LOCK"));
        dialog.accept();
        return QDialog::Accepted;
    });
    lock->click();
    EXPECT_TRUE(lock->isChecked());
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("密码错误！")});
    // The right one clears it; setting it again needs nothing.
    script_.dialogs.push_back([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("1001"))->setText(QStringLiteral("lock"));
        dialog.accept();
        return QDialog::Accepted;
    });
    lock->click();
    EXPECT_FALSE(lock->isChecked());
    EXPECT_FALSE(password->isEnabled());
    lock->click();
    EXPECT_TRUE(lock->isChecked());
    EXPECT_TRUE(password->isEnabled());
    EXPECT_EQ(script_.dialogTitles.size(), 3);
}

TEST_F(AccountSheetTest, ThePromptTextIsCutAndOnlyTheCustomModeKeepsIt)
{
    auto sheet = ShowSheet();
    CAccountFaxInfoPage& page = sheet->FaxInfoPage();
    QTextEdit* text = Find<QTextEdit>(page, 1187);
    QPushButton* record = Find<QPushButton>(page, 1217);
    EXPECT_EQ(page.GetPromptMode(), kPromptNone);
    EXPECT_FALSE(text->isEnabled());
    EXPECT_FALSE(record->isEnabled());
    Find<QRadioButton>(page, 1186)->click();
    EXPECT_EQ(page.GetPromptMode(), kPromptCustom);
    EXPECT_TRUE(text->isEnabled());
    record->click();
    EXPECT_EQ(voicePrompts_, 1);

    text->setPlainText(QString(100, QLatin1Char('a')));
    EXPECT_EQ(text->toPlainText().size(), 100);
    text->setPlainText(QString(101, QLatin1Char('b')));
    EXPECT_EQ(text->toPlainText(), QString(99, QLatin1Char('b')));
    EXPECT_EQ(sheet->Values().promptText, std::string(99, 'b'));
    Find<QRadioButton>(page, 1185)->click();
    EXPECT_FALSE(record->isEnabled());
    EXPECT_EQ(sheet->Values().promptMode, kPromptStandard);
    EXPECT_EQ(sheet->Values().promptText, "") << "the stored text stays";
}

TEST_F(AccountSheetTest, TheSoundsAreSavedAtOnceAndTheAddressListTakesAndRemoves)
{
    auto sheet = ShowSheet();
    CAccountRcvMailPage& page = sheet->MailPage();
    EXPECT_FALSE(Find<QLineEdit>(page, 1211)->isEnabled());
    script_.chosenFiles.push_back(ChosenFile{QStringLiteral("/sounds/ring.wav"), 1});
    Find<QPushButton>(page, 1207)->click();
    ASSERT_EQ(script_.fileRequests.size(), 1u);
    EXPECT_EQ(script_.fileRequests[0].filter, QStringLiteral("All Files (*.*)|*.*|Wav Files(*.wav)|*.wav||"));
    EXPECT_EQ(Attr("RcvFaxNotifyFile"), "/sounds/ring.wav");
    script_.chosenFiles.push_back(ChosenFile{QStringLiteral("/sounds/reply.wav"), 1});
    Find<QPushButton>(page, 1209)->click();
    EXPECT_EQ(Attr("FaxReplyNotifyFile"), "/sounds/reply.wav");
    // The switch on enables the fields and stores their names; off, empty names.
    QCheckBox* sounds = Find<QCheckBox>(page, 1216);
    sounds->click();
    EXPECT_TRUE(Find<QLineEdit>(page, 1212)->isEnabled());
    EXPECT_EQ(Attr("RcvFaxNotifyFile"), "/sounds/ring.wav");
    EXPECT_EQ(Attr("FaxReplyNotifyFile"), "/sounds/reply.wav");
    sounds->click();
    EXPECT_EQ(Attr("RcvFaxNotifyFile"), "");
    EXPECT_EQ(Attr("FaxReplyNotifyFile"), "");
    EXPECT_FALSE(Find<QLineEdit>(page, 1212)->isEnabled());
    // A page opened on a set sound starts with the switch on.
    AccountConfig::SetRcvFaxNotifyFile("/sounds/ring.wav");
    auto again = ShowSheet();
    EXPECT_TRUE(Find<QCheckBox>(again->MailPage(), 1216)->isChecked());
    EXPECT_TRUE(Find<QLineEdit>(again->MailPage(), 1211)->isEnabled());

    QListWidget* list = Find<QListWidget>(page, 1204);
    for (const char* address : {"a@example.com", "b@example.com", "c@example.com"}) {
        Find<QLineEdit>(page, 1001)->setText(QString::fromUtf8(address));
        Find<QPushButton>(page, 1203)->click();
    }
    list->setCurrentRow(1);
    Find<QPushButton>(page, 1205)->click();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("a@example.com"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("c@example.com"));
}

// ---- the command -----------------------------------------------------------

TEST_F(AccountSheetTest, OkWritesTheSheetAndAChangedNumberIsANewIdentity)
{
    RunCommand([](CAccountAttrSheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("账户属性"));
        sheet.accept();
        return sheet.result();
    });
    EXPECT_EQ(Attr("FaxUser"), "00210000012345");
    EXPECT_EQ(Attr("Default"), "yes");
    EXPECT_EQ(Attr("Tag"), "1");
    EXPECT_EQ(relabels_, 1);
    EXPECT_EQ(identityChanges_, 0);

    RunCommand([](CAccountAttrSheet& sheet) {
        Find<QLineEdit>(sheet.AccountPage(), 1147)->setText(QStringLiteral("12346"));
        // The second server, slot 2.
        Find<QComboBox>(sheet.AccountPage(), 1189)->setCurrentIndex(1);
        sheet.AccountPage().OnServerChanged(1);
        sheet.accept();
        return sheet.result();
    });
    EXPECT_EQ(Attr("FaxUser"), "00210000012346");
    EXPECT_EQ(Attr("FaxServer"), "2");
    EXPECT_EQ(testfiles::xpath(home_.file("config.xml"), "string(/Config/System/FaxServers/@Current)"), "2");
    EXPECT_EQ(identityChanges_, 1);
}

TEST_F(AccountSheetTest, ARefusedOkKeepsTheSheetOpenAndCancelWritesNothing)
{
    const std::string before = testfiles::md5sumOf(home_.file("account.xml"));
    RunCommand([this](CAccountAttrSheet& sheet) {
        sheet.show();
        Find<QLineEdit>(sheet.AccountPage(), 1147)->setText(QStringLiteral("123456789012"));
        sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(script_.texts.size(), 1);
        Find<QLineEdit>(sheet.AccountPage(), 1147)->setText(QStringLiteral("12345"));
        Find<QCheckBox>(sheet.AccountPage(), 1143)->setChecked(false);
        sheet.accept();
        EXPECT_TRUE(sheet.isVisible()) << "the only default account";
        EXPECT_EQ(script_.texts.size(), 2);
        sheet.reject();
        return sheet.result();
    });
    EXPECT_EQ(testfiles::md5sumOf(home_.file("account.xml")), before);
    EXPECT_EQ(relabels_, 0);
}

TEST_F(AccountSheetTest, CancelAfterAPasswordChangeAtTheServerStoresTheNewPassword)
{
    // The change-password dialog, answered by the server through the fake agent.
    script_.dialogs.push_back([this](QDialog& dialog) {
        auto& change = static_cast<CChangePasswordDlg&>(dialog);
        EXPECT_EQ(change.findChild<QLineEdit*>(QStringLiteral("1172"))->text(), QStringLiteral("secret"));
        change.findChild<QLineEdit*>(QStringLiteral("1002"))->setText(QStringLiteral("fresh"));
        change.findChild<QLineEdit*>(QStringLiteral("1003"))->setText(QStringLiteral("fresh"));
        change.accept();
        EXPECT_EQ(sessiontest::ValueOf(agent_.requests().at(0), "faxuser"), "00210000012345");
        sessiontest::DeliverFromWorker(agent_, {{"event", "changepassword"}, {"result", "success"},
                                                {"invokeid", std::to_string(change.InvokeId())}});
        EXPECT_TRUE(QtTest::ProcessEventsUntil([&] { return change.result() == QDialog::Accepted; }));
        return change.result();
    });
    RunCommand([](CAccountAttrSheet& sheet) {
        Find<QPushButton>(sheet.AccountPage(), 1168)->click();
        EXPECT_EQ(sheet.AccountPage().IsPasswordChanged(), 1);
        EXPECT_EQ(Find<QLineEdit>(sheet.AccountPage(), 1126)->text(), QStringLiteral("fresh"));
        sheet.reject();
        return sheet.result();
    });
    EXPECT_EQ(autoReceiveMarks_, 1);
    EXPECT_EQ(testfiles::run("printf %s " + testfiles::quote(Attr("FaxPassword")) + " | base64 -d").output, "fresh");
    EXPECT_EQ(identityChanges_, 0);
}

TEST_F(AccountSheetTest, WithoutATreeNothingAndWithoutAnAccountTheUserIsAsked)
{
    AccountPropertiesContext context;
    context.sheet = services_;
    RunAccountProperties(context);
    EXPECT_TRUE(script_.dialogTitles.isEmpty());
    EXPECT_TRUE(script_.texts.isEmpty());
    context.treeAccount = [] { return std::string(); };
    context.currentAccount = [] { return std::string(); };
    RunAccountProperties(context);
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("请选择账户")});
    EXPECT_TRUE(script_.dialogTitles.isEmpty());
    // The application's slot stands in for the tree.
    context.currentAccount = [] { return std::string("Account[0]"); };
    RunAccountProperties(context);
    EXPECT_EQ(script_.dialogTitles, QStringList{QStringLiteral("账户属性")});
}

} // namespace
