// The prompter's questions and file dialogs: the filter texts as the dialog
// gets them, the real dialogs answered by a simulated user, and the headless
// prompter that must never drop or overwrite anything unasked.

#include "QtTestSupport.h"
#include "ScriptedPrompter.h"

#include "core/qt/Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct FilterCase {
    const char* filter;
    QList<FileFilter> entries;
};

TEST(PrompterTest, ParsesFiltersOfTheProgramsTexts)
{
    const QList<FilterCase> cases = {
        {"TIFF(*.TIF)|*.TIF||", {{"TIFF(*.TIF)", {"*.TIF"}}}},
        // No closing "||": the list ends with the text.
        {"Bmp Files(*.bmp)|*.bmp|", {{"Bmp Files(*.bmp)", {"*.bmp"}}}},
        {"All Files (*.*)|*.*|Wav Files(*.wav)|*.wav||", {{"All Files (*.*)", {"*.*"}}, {"Wav Files(*.wav)", {"*.wav"}}}},
        // Labels are trimmed (a tab before a label is no part of it); ";" separates patterns.
        {"\t\tTIFF(*.TIF)|*.TIF; *.TIFF|PNG(*.PNG)|*.PNG||", {{"TIFF(*.TIF)", {"*.TIF", "*.TIFF"}}, {"PNG(*.PNG)", {"*.PNG"}}}},
        // Nothing after the first empty label counts; a label without patterns is dropped.
        {"A(*.a)|*.a||B(*.b)|*.b||", {{"A(*.a)", {"*.a"}}}},
        {"A(*.a)||", {}},
        {"", {}},
    };
    for (const FilterCase& c : cases)
        EXPECT_EQ(ParseFileFilter(QString::fromUtf8(c.filter)), c.entries) << c.filter;
}

TEST(PrompterTest, NameFiltersMatchBothCasesOfEveryPattern)
{
    EXPECT_EQ(QtNameFilter({"TIFF(*.TIF)", {"*.TIF"}}), QStringLiteral("TIFF(*.TIF) (*.TIF *.tif)"));
    EXPECT_EQ(QtNameFilter({"Wav Files(*.Wav)", {"*.Wav", "*.x"}}),
              QStringLiteral("Wav Files(*.Wav) (*.Wav *.wav *.WAV *.x *.X)"));
}

// While it lives, acts once on the first modal window of type T that is shown.
template <typename T>
class WhenShown {
public:
    explicit WhenShown(std::function<void(T&)> act) : act_(std::move(act))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
                poll_.stop();
                act_(*window);
            }
        });
        poll_.start(10);
    }

private:
    std::function<void(T&)> act_;
    QTimer poll_;
};

class RealDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QtTest::EnsureApplication();
        previous_ = InstallPrompter(nullptr);
    }
    void TearDown() override { InstallPrompter(std::move(previous_)); }

    QTemporaryDir scratch_;

private:
    std::unique_ptr<Prompter> previous_;
};

TEST_F(RealDialogsTest, SaveDialogGivesThePathAndTheChosenFilter)
{
    FileRequest request;
    request.save = true;
    request.filter = QStringLiteral("BMP(*.BMP)|*.BMP|\t\tTIFF(*.TIF)|*.TIF||");
    request.initialPath = scratch_.filePath(QStringLiteral("page"));
    request.overwritePrompt = true;

    QStringList seenFilters;
    bool confirmsOverwrite = false;
    WhenShown<QFileDialog> user([&](QFileDialog& dialog) {
        seenFilters = dialog.nameFilters();
        confirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
        dialog.selectNameFilter(seenFilters.value(1));
        // Typed into the name field, as a user does: selectFile leaves a
        // field that has the focus alone, so what it gave would depend on
        // whether the window was activated before the user acted.
        QLineEdit* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) {
            ADD_FAILURE() << "the dialog has no name field";
            dialog.reject();
            return;
        }
        name->setFocus();
        name->setText(QStringLiteral("fax"));
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);

    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->path, scratch_.filePath(QStringLiteral("fax")));
    EXPECT_EQ(chosen->filterIndex, 1);
    EXPECT_EQ(seenFilters, QStringList({QStringLiteral("BMP(*.BMP) (*.BMP *.bmp)"), QStringLiteral("TIFF(*.TIF) (*.TIF *.tif)")}));
    EXPECT_TRUE(confirmsOverwrite);
}

TEST_F(RealDialogsTest, CancelledOpenDialogChoosesNothing)
{
    FileRequest request;
    request.filter = QStringLiteral("Back Files(*.index)|*.index|");
    request.initialPath = scratch_.filePath(QStringLiteral("*.index"));

    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString offeredName = QStringLiteral("unset");
    WhenShown<QFileDialog> user([&](QFileDialog& dialog) {
        mode = dialog.fileMode();
        offeredName = dialog.findChild<QLineEdit*>() ? dialog.findChild<QLineEdit*>()->text() : QString();
        dialog.reject();
    });
    EXPECT_FALSE(CurrentPrompter().ChooseFile(request).has_value());
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    // A pattern is a filter, never a name to offer.
    EXPECT_EQ(offeredName, QString());
}

TEST_F(RealDialogsTest, ThreeWayQuestionGivesTheButtonPressed)
{
    const QList<std::pair<QMessageBox::StandardButton, PromptAnswer>> presses = {
        {QMessageBox::Yes, PromptAnswer::Yes}, {QMessageBox::No, PromptAnswer::No}, {QMessageBox::Cancel, PromptAnswer::Cancel}};
    for (const auto& [button, answer] : presses) {
        WhenShown<QMessageBox> user([button = button](QMessageBox& box) { box.button(button)->click(); });
        EXPECT_EQ(CurrentPrompter().AskYesNoCancel(QStringLiteral("保存被修改过的文件?")), answer);
    }
    // Closing the box is Cancel.
    WhenShown<QMessageBox> user([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(CurrentPrompter().AskYesNoCancel(QStringLiteral("保存被修改过的文件?")), PromptAnswer::Cancel);
}

TEST(PrompterTest, HeadlessPrompterWritesAndNeverAgreesToLoseAnything)
{
    QtTest::EnsureApplication();
    QTemporaryDir scratch;
    const QString log = scratch.filePath(QStringLiteral("prompts.txt"));
    qputenv("ZUVO_PROMPT_LOG", log.toUtf8());
    InstallPrompterFromEnvironment();
    qunsetenv("ZUVO_PROMPT_LOG");

    EXPECT_EQ(CurrentPrompter().AskYesNoCancel(QStringLiteral("保存被修改过的文件?")), PromptAnswer::Cancel);
    FileRequest request;
    request.save = true;
    request.filter = QStringLiteral("TIFF(*.TIF)|*.TIF||");
    EXPECT_FALSE(CurrentPrompter().ChooseFile(request).has_value());
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("账户存取密码"));
    EXPECT_EQ(CurrentPrompter().RunDialog(dialog), QDialog::Rejected);
    InstallPrompter(nullptr);

    QFile written(log);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()),
              QStringLiteral("保存被修改过的文件?\n\nsave: TIFF(*.TIF)|*.TIF||\n\n账户存取密码\n\n"));
}

TEST(PrompterTest, ScriptedPrompterAnswersInOrderThenRefuses)
{
    ScriptedPrompter::Script script;
    script.threeWayAnswers = {PromptAnswer::No};
    script.chosenFiles = {ChosenFile{QStringLiteral("/tmp/a.tif"), 5}};
    {
        ScopedPrompter scoped(script);
        EXPECT_EQ(CurrentPrompter().AskYesNoCancel(QStringLiteral("q1")), PromptAnswer::No);
        EXPECT_EQ(CurrentPrompter().AskYesNoCancel(QStringLiteral("q2")), PromptAnswer::Cancel);
        EXPECT_EQ(CurrentPrompter().ChooseFile({})->filterIndex, 5);
        EXPECT_FALSE(CurrentPrompter().ChooseFile({}).has_value());
    }
    EXPECT_EQ(script.texts, QStringList({QStringLiteral("q1"), QStringLiteral("q2")}));
    EXPECT_EQ(script.fileRequests.size(), 2u);
}

} // namespace
