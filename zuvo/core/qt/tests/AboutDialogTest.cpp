#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "QtTestSupport.h"
#include "core/qt/AboutDialog.h"

namespace {

TEST(AboutText, EachLineOfAboutTxtEndsWithCrLf)
{
    struct Case {
        const char* what;
        QByteArray file;  // null: no about.txt
        QString shown;
    };
    const Case cases[] = {
        {"missing file", QByteArray(), QString()},
        {"empty file", QByteArray(""), QString()},
        {"unix lines", QByteArray("Zuvo 4.2\nline two\n"), QStringLiteral("Zuvo 4.2\r\nline two\r\n")},
        {"dos lines, last without end", QByteArray("one\r\ntwo"), QStringLiteral("one\r\ntwo\r\n")},
        {"UTF-8", QStringLiteral("网络传真\n").toUtf8(), QStringLiteral("网络传真\r\n")},
        // "网络传真" in GBK, the installation's encoding.
        {"GBK", QByteArray("\xcd\xf8\xc2\xe7\xb4\xab\xd5\xe6\n"), QStringLiteral("网络传真\r\n")},
    };
    for (const Case& c : cases) {
        QTemporaryDir directory;
        if (!c.file.isNull()) {
            QFile file(QDir(directory.path()).filePath(QStringLiteral("about.txt")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.file);
        }
        EXPECT_EQ(LoadAboutText(directory.path()), c.shown) << c.what;
    }
}

TEST(AboutText, TheDialogShowsIt)
{
    QtTest::EnsureApplication();
    QTemporaryDir directory;
    QFile file(QDir(directory.path()).filePath(QStringLiteral("about.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Zuvo\n");
    file.close();
    CAboutDlg dialog(directory.path());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关于 ZUVO"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("Zuvo\n"));
}

} // namespace
