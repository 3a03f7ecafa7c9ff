#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QWidget>

#include "QtTestSupport.h"
#include "core/qt/HandOver.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The scrambled form of `source` written to `target`, made by an independent
// implementation: the first 1024 bytes XORed with the key "dravmol".
void scrambleWithPython(const QString& source, const QString& target)
{
    const QString script = QStringLiteral(
        "import sys\n"
        "data = bytearray(open(sys.argv[1], 'rb').read())\n"
        "key = b'dravmol'\n"
        "for i in range(min(len(data), 1024)): data[i] ^= key[i % 7]\n"
        "open(sys.argv[2], 'wb').write(data)\n");
    ASSERT_EQ(QtTest::RunProgram(QStringLiteral("python3"), {QStringLiteral("-c"), script, source, target}), 0);
}

class HandOver : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(directory.isValid()); }
    QString Path(const QString& name) const { return QDir(directory.path()).filePath(name); }
    QTemporaryDir directory;
};

TEST_F(HandOver, TheFileHoldsOnePathPerLine)
{
    const QStringList files = {QStringLiteral("a.tif"), QStringLiteral("b c.tif"), QStringLiteral("/传真/d.tif")};
    ASSERT_TRUE(WriteHandOverFile(directory.path(), files));
    EXPECT_EQ(readAll(Path(QStringLiteral("addfile.temp"))), QStringLiteral("a.tif\nb c.tif\n/传真/d.tif\n").toUtf8());
    EXPECT_EQ(ReadHandOverFile(directory.path()), files);

    // A later hand-over replaces the file as a whole.
    ASSERT_TRUE(WriteHandOverFile(directory.path(), {QStringLiteral("e.tif")}));
    EXPECT_EQ(ReadHandOverFile(directory.path()), QStringList{QStringLiteral("e.tif")});
    EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files), QStringList{QStringLiteral("addfile.temp")});
}

TEST_F(HandOver, WritingIntoAMissingDirectoryFails)
{
    EXPECT_FALSE(WriteHandOverFile(Path(QStringLiteral("missing")), {QStringLiteral("a.tif")}));
    EXPECT_TRUE(ReadHandOverFile(Path(QStringLiteral("missing"))).isEmpty());
}

// Every argument is one file, a relative one made absolute against the
// directory the program was started in.
TEST_F(HandOver, PlainArgumentsAreTheFilesMadeAbsolute)
{
    const QString start = QStringLiteral("/home/user/传真");
    struct Case {
        QString argument;
        QString file;
    };
    const Case cases[] = {
        {QStringLiteral("a.tif"), QStringLiteral("/home/user/传真/a.tif")},
        {QStringLiteral("b c.tif"), QStringLiteral("/home/user/传真/b c.tif")},
        {QStringLiteral("sub/d.tif"), QStringLiteral("/home/user/传真/sub/d.tif")},
        {QStringLiteral("../e.tif"), QStringLiteral("/home/user/传真/../e.tif")},
        {QStringLiteral("/srv/f.tif"), QStringLiteral("/srv/f.tif")},
    };
    QStringList arguments;
    QStringList files;
    for (const Case& c : cases) {
        arguments << c.argument;
        files << c.file;
    }
    EXPECT_EQ(HandOverFiles(arguments, start), files);
    EXPECT_TRUE(HandOverFiles({}, start).isEmpty());
}

TEST_F(HandOver, AHashArgumentUnscramblesExactlyThatPrintFile)
{
    QByteArray original(3000, '\0');
    for (int i = 0; i < original.size(); ++i) {
        original[i] = static_cast<char>((i * 37 + 11) % 256);
    }
    const QString plain = Path(QStringLiteral("plain.tif"));
    const QString printFile = Path(QStringLiteral("print file.tif"));
    const QString bystander = Path(QStringLiteral("other.tif"));
    writeAll(plain, original);
    scrambleWithPython(plain, printFile);
    scrambleWithPython(plain, bystander);
    const QByteArray bystanderBefore = readAll(bystander);
    ASSERT_NE(readAll(printFile), original);

    const QStringList files =
        HandOverFiles({QStringLiteral("#\"") + printFile + QStringLiteral("\""), bystander}, QStringLiteral("/elsewhere"));
    EXPECT_EQ(files, QStringList{printFile});
    EXPECT_EQ(QtTest::RunProgram(QStringLiteral("cmp"), {printFile, plain}), 0);
    EXPECT_EQ(readAll(bystander), bystanderBefore);
}

// A relative print file is the one in the directory the program was started in.
TEST_F(HandOver, ARelativePrintFileIsUnscrambledWhereTheProgramWasStarted)
{
    QByteArray original(1500, '\0');
    for (int i = 0; i < original.size(); ++i) {
        original[i] = static_cast<char>((i * 13 + 5) % 256);
    }
    const QString plain = Path(QStringLiteral("plain.tif"));
    writeAll(plain, original);
    scrambleWithPython(plain, Path(QStringLiteral("printed.tif")));
    EXPECT_EQ(HandOverFiles({QStringLiteral("#\"printed.tif\"")}, directory.path()),
              QStringList{Path(QStringLiteral("printed.tif"))});
    EXPECT_EQ(readAll(Path(QStringLiteral("printed.tif"))), original);
}

TEST_F(HandOver, AMissingPrintFileIsStillHandedOverByName)
{
    const QString missing = Path(QStringLiteral("gone.tif"));
    EXPECT_EQ(HandOverFiles({QStringLiteral("#") + missing}, QStringLiteral("/elsewhere")), QStringList{missing});
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace

namespace {

TEST(HandOverTarget, AnOpenComposeWindowTakesTheFilesInTitleOrder)
{
    QtTest::EnsureApplication();
    constexpr WindowId kMainWindow = 7;
    EXPECT_FALSE(FindHandOverTarget(0).has_value());
    std::optional<HandOverTarget> target = FindHandOverTarget(kMainWindow);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->wParam, HANDOVER_OPEN_COMPOSE);
    EXPECT_EQ(target->lParam, 0);

    QWidget reply;
    reply.setWindowTitle(QStringLiteral("回复传真"));
    RegisteredWindow replyId(&reply);
    QWidget edit;
    edit.setWindowTitle(QStringLiteral("编辑传真"));
    RegisteredWindow editId(&edit);

    // "编辑传真" comes before "回复传真", whichever was opened first.
    target = FindHandOverTarget(kMainWindow);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->wParam, HANDOVER_TO_COMPOSE);
    EXPECT_EQ(target->lParam, editId.Id());
    // A compose window takes the files even before the main window exists.
    target = FindHandOverTarget(0);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->lParam, editId.Id());
}

} // namespace
