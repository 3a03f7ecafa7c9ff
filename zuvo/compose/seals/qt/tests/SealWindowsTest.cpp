// The seal windows in real windows: the bitmap preview, the seal manager
// with its add dialog driven by a scripted user, and the main frame's
// e-seal command. Seal files on disk are checked with md5sum and find.

#include "compose/seals/qt/PasswordDlg1.h"
#include "compose/seals/qt/ScrollBitmap.h"
#include "compose/seals/qt/SealCommand.h"
#include "compose/seals/qt/ZAddDlg.h"
#include "compose/seals/qt/ZManagerDlg1.h"
#include "core/qt/ChangePasswordDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "core/tests/SessionFakes.h"
#include "corlane/Event.h"
#include "netvoy/ClientEventListener.h"
#include "textcodec/Gbk.h"

namespace {

namespace fs = std::filesystem;
using sessiontest::FakeAgent;
using testfiles::quote;

const QString kUnsupported = QStringLiteral("该格式的章，该版本不支持！");

QPushButton* Button(QWidget& window, int id)
{
    return window.findChild<QPushButton*>(QString::number(id));
}

// The colour in the middle of what the widget shows.
QColor CentreOf(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

class SealWindowTest : public ::testing::Test {
protected:
    SealWindowTest()
    {
        QtTest::EnsureApplication();
        testfiles::writeFile(home_.file("account.xml"),
                             TextCodec::utf8ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>\n"
                                                  "<Account Name=\"a\" Default=\"yes\" FaxUser=\"00210000012345\" "
                                                  "FaxPassword=\"c2VjcmV0\"/>\n<Account Name=\"b\"/>\n</Config>\n")
                                 .text);
    }

    // An image file made by ImageMagick: one colour, or a drawing.
    std::string MakeImage(const std::string& name, int width, int height, const std::string& colour = "red",
                          const std::string& format = "BMP3")
    {
        const std::string path = home_.file(name);
        EXPECT_TRUE(testfiles::runOk("convert -size " + std::to_string(width) + "x" + std::to_string(height) + " xc:" +
                                     colour + " " + format + ":" + quote(path)));
        return path;
    }

    SealContext Context(const std::string& account = "Account[0]") { return {&agent_, home_.path(), account}; }

    // A user who types the caption, picks `image` with "..." and presses OK.
    void AddsSeal(const QString& caption, const std::string& image)
    {
        script_.chosenFiles.push_back(ChosenFile{QString::fromStdString(image), 0});
        script_.dialogs.push_back([caption](QDialog& dialog) {
            QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1001")), caption);
            Button(dialog, CZAddDlg::kBrowseButtonId)->click();
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return dialog.result();
        });
    }

    std::unique_ptr<CZManagerDlg1> OpenManager(const QString& caption = CZManagerDlg1::ExitCaption())
    {
        auto manager = std::make_unique<CZManagerDlg1>(Context(), caption);
        manager->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(manager.get()));
        return manager;
    }

    QStringList Listed(CZManagerDlg1& manager)
    {
        QStringList items;
        for (int i = 0; i < manager.List()->count(); ++i)
            items << manager.List()->item(i)->text();
        return items;
    }

    std::string Files() const
    {
        return testfiles::run("cd " + quote(home_.path()) + " && find Seal -type f | sort").output;
    }

    testfiles::TempDir home_;
    FakeAgent agent_;
    ScriptedPrompter::Script script_;
    ScopedPrompter prompter_{script_};
};

// ---- the bitmap preview -----------------------------------------------------

TEST_F(SealWindowTest, PreviewStretchesABmpIntoItsGreyFrameAndShowsNothingElse)
{
    CScrollBitmap preview;
    preview.resize(200, 120);
    preview.CreateScrollBars();
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    for (int id : {CScrollBitmap::kHorizontalBarId, CScrollBitmap::kVerticalBarId}) {
        auto* bar = preview.findChild<QScrollBar*>(QString::number(id));
        ASSERT_NE(bar, nullptr) << id;
        EXPECT_FALSE(bar->isVisible()) << id;
        EXPECT_EQ(std::min(bar->width(), bar->height()), CScrollBitmap::kBarWidth) << id;
    }

    EXPECT_EQ(preview.LoadBitmap(QString::fromStdString(MakeImage("red.bmp", 30, 20, "red"))), 1);
    EXPECT_EQ(preview.BitmapSize(), QSize(30, 20));
    EXPECT_EQ(CentreOf(preview), QColor(Qt::red)) << "a small bitmap is stretched over the frame";
    const QImage shown = preview.grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(Qt::red)) << "inside the 3-pixel inset";
    EXPECT_EQ(shown.pixelColor(2, 60), QColor(128, 128, 128)) << "the grey frame around it";
    QtTest::SaveScreenshot(preview, QStringLiteral("preview-bmp"));

    EXPECT_EQ(preview.LoadBitmap(QString::fromStdString(MakeImage("blue.bmp", 300, 200, "blue"))), 1);
    EXPECT_EQ(preview.BitmapSize(), QSize(300, 200)) << "the second bitmap replaces the first";
    EXPECT_EQ(CentreOf(preview), QColor(Qt::blue));

    for (const std::string& other : {MakeImage("green.png", 30, 20, "green", "PNG"), home_.file("missing.bmp")}) {
        EXPECT_EQ(preview.LoadBitmap(QString::fromStdString(other)), 0) << other;
        EXPECT_FALSE(preview.IsLoaded());
        EXPECT_EQ(CentreOf(preview), QColor(128, 128, 128)) << other;
    }
    QtTest::SaveScreenshot(preview, QStringLiteral("preview-empty"));
}

// ---- the seal manager ---------------------------------------------------------

TEST_F(SealWindowTest, ManagerAddsPreviewsDeletesAndChoosesSealsLeavingTheirFilesAlone)
{
    auto manager = OpenManager(CZManagerDlg1::SelectCaption());
    EXPECT_EQ(manager->windowTitle(), QStringLiteral("电子章管理"));
    EXPECT_EQ(manager->findChild<QPushButton*>(QStringLiteral("1"))->text(), QStringLiteral("选择"));
    EXPECT_TRUE(fs::exists(home_.file("seal.xml")));

    const std::string seal = MakeImage("seal.bmp", 780, 390, "red");
    AddsSeal(QStringLiteral("A"), seal);
    Button(*manager, CZManagerDlg1::kAddButtonId)->click();
    ASSERT_EQ(Listed(*manager), QStringList{QStringLiteral("A")});
    EXPECT_EQ(script_.dialogTitles, QStringList{QStringLiteral("添加电子章")});
    EXPECT_EQ(script_.fileRequests.at(0).filter, QStringLiteral("Bmp Files(*.bmp)|*.bmp|"));
    EXPECT_EQ(script_.fileRequests.at(0).defaultExtension, QStringLiteral("bmp"));
    const std::string stored = testfiles::md5sumOf(home_.file("Seal/A"));

    manager->List()->setCurrentRow(0);
    EXPECT_TRUE(manager->Preview()->IsLoaded());
    EXPECT_EQ(manager->SizeText(), QStringLiteral("规格:780X390(像数) 输出:99X49(毫米)"));
    EXPECT_EQ(CentreOf(*manager->Preview()), QColor(Qt::red));
    QtTest::SaveScreenshot(*manager, QStringLiteral("seal-manager"));
    EXPECT_EQ(testfiles::md5sumOf(home_.file("Seal/A")), stored) << "a preview never changes the seal";

    AddsSeal(QStringLiteral("a"), seal);
    Button(*manager, CZManagerDlg1::kAddButtonId)->click();
    EXPECT_EQ(script_.texts, QStringList{kUnsupported}) << "a caption listed already";
    AddsSeal(QStringLiteral("../x"), seal);
    Button(*manager, CZManagerDlg1::kAddButtonId)->click();
    EXPECT_EQ(script_.texts.size(), 2);
    EXPECT_EQ(Files(), "Seal/A\n");

    for (const char* caption : {"B", "C"}) {
        AddsSeal(QString::fromUtf8(caption), seal);
        Button(*manager, CZManagerDlg1::kAddButtonId)->click();
    }
    manager->List()->setCurrentRow(1);
    Button(*manager, CZManagerDlg1::kDeleteButtonId)->click();
    EXPECT_EQ(Listed(*manager), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_EQ(Files(), "Seal/A\nSeal/C\n");

    const QPoint second = manager->List()->visualItemRect(manager->List()->item(1)).center();
    QTest::mouseClick(manager->List()->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(manager->List()->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(manager->result(), QDialog::Accepted);
    EXPECT_EQ(manager->ChosenSealPath(), QString::fromStdString(home_.file("Seal/C")));
    EXPECT_EQ(testfiles::md5sumOf(home_.file("Seal/A")), stored);
}

TEST_F(SealWindowTest, AddDialogRefusesFilesThatAreNoTiffOrBmp)
{
    auto manager = OpenManager();
    script_.chosenFiles.push_back(ChosenFile{QString::fromStdString(MakeImage("photo.jpg", 20, 20, "red", "JPEG")), 0});
    script_.dialogs.push_back([](QDialog& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1001")), QStringLiteral("J"));
        Button(dialog, CZAddDlg::kBrowseButtonId)->click();
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("1022"))->text(), QString());
        QtTest::SaveScreenshot(dialog, QStringLiteral("seal-add-refused"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    });
    Button(*manager, CZManagerDlg1::kAddButtonId)->click();
    EXPECT_EQ(script_.texts, QStringList{kUnsupported});
    EXPECT_TRUE(Listed(*manager).isEmpty()) << "OK without an image adds nothing";
    EXPECT_EQ(Files(), "");
}

TEST_F(SealWindowTest, ASealThatIsNoBmpShowsAnEmptyFrameAndStaysAsItWas)
{
    auto manager = OpenManager();
    AddsSeal(QStringLiteral("P"), MakeImage("png-inside.bmp", 40, 30, "blue", "PNG"));
    Button(*manager, CZManagerDlg1::kAddButtonId)->click();
    ASSERT_EQ(Listed(*manager), QStringList{QStringLiteral("P")});
    const std::string stored = testfiles::md5sumOf(home_.file("Seal/P"));
    manager->List()->setCurrentRow(0);
    EXPECT_FALSE(manager->Preview()->IsLoaded());
    EXPECT_EQ(CentreOf(*manager->Preview()), QColor(128, 128, 128));
    EXPECT_EQ(manager->SizeText(), QString());
    EXPECT_EQ(testfiles::md5sumOf(home_.file("Seal/P")), stored) << "a failed open never changes the seal";
}

TEST_F(SealWindowTest, WithBothListsUnreadableTheManagerSaysSoAndListsNothing)
{
    testfiles::writeFile(home_.file("seal.xml"), "<Config>");
    testfiles::writeFile(home_.file("seal-bak.xml"), "<Config>");
    auto manager = OpenManager();
    EXPECT_EQ(script_.texts, QStringList{kUnsupported});
    EXPECT_EQ(manager->List()->count(), 0);
}

TEST_F(SealWindowTest, ManagerChangesTheSealPasswordWithTheServer)
{
    struct Case {
        const char* name;
        int running;
        std::string account;
        QStringList texts;
        int dialogs;
    };
    const std::vector<Case> refused = {
        {"agent stopped", 0, "Account[0]", {}, 0},
        {"no current account", 1, "", {QStringLiteral("11")}, 0},
        {"no fax user", 1, "Account[1]", {QStringLiteral("密码错误")}, 0},
    };
    for (const Case& c : refused) {
        script_.texts.clear();
        script_.dialogTitles.clear();
        agent_.running = c.running;
        CZManagerDlg1 manager({&agent_, home_.path(), c.account}, CZManagerDlg1::ExitCaption());
        Button(manager, CZManagerDlg1::kPasswordButtonId)->click();
        EXPECT_EQ(script_.texts, c.texts) << c.name;
        EXPECT_EQ(script_.dialogTitles.size(), c.dialogs) << c.name;
    }

    agent_.running = 1;
    script_.texts.clear();
    std::vector<sessiontest::Pairs> sent;
    script_.dialogs.push_back([&](QDialog& dialog) {
        auto& change = dynamic_cast<CChangePasswordDlg&>(dialog);
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("1172"))->text(), QStringLiteral("secret"));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1002")), QStringLiteral("new"));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1003")), QStringLiteral("new"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        sent = agent_.requests();
        std::thread worker([&] {
            CRL::Event reply;
            reply.appendKV("event", "changepassword-z");
            reply.appendKV("result", "success");
            reply.appendKV("invokeid", std::to_string(change.InvokeId()).c_str());
            for (ClientEventListener* listener : agent_.listeners())
                listener->onReceive(&reply);
        });
        worker.join();
        QtTest::ProcessEventsUntil([&] { return dialog.result() == QDialog::Accepted; });
        return dialog.result();
    });
    auto manager = OpenManager();
    Button(*manager, CZManagerDlg1::kPasswordButtonId)->click();
    EXPECT_EQ(script_.dialogTitles.back(), QStringLiteral("修改账户密码"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sessiontest::ValueOf(sent[0], "command"), "changepassword-z");
    EXPECT_EQ(sessiontest::ValueOf(sent[0], "faxuser"), "00210000012345");
    EXPECT_EQ(sessiontest::ValueOf(sent[0], "oldpassword"), "secret");
    EXPECT_EQ(script_.texts, QStringList{QStringLiteral("修改密码成功！")});
}

TEST_F(SealWindowTest, TheESealCommandOpensTheManagerOnlyAfterThePassword)
{
    agent_.running = 0; // the password is checked against the stored one
    script_.dialogs.push_back([](QDialog&) { return QDialog::Rejected; });
    RunSealManagement(nullptr, Context());
    EXPECT_EQ(script_.dialogTitles, QStringList{QStringLiteral("请输入密码")});

    script_.dialogTitles.clear();
    QString okCaption;
    script_.dialogs.push_back([](QDialog& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("1126")), QStringLiteral("SECRET"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    });
    script_.dialogs.push_back([&](QDialog& dialog) {
        okCaption = dialog.findChild<QPushButton*>(QStringLiteral("1"))->text();
        return QDialog::Rejected;
    });
    RunSealManagement(nullptr, Context());
    EXPECT_EQ(script_.dialogTitles, (QStringList{QStringLiteral("请输入密码"), QStringLiteral("电子章管理")}));
    EXPECT_EQ(okCaption, QStringLiteral("退出"));
}

} // namespace
