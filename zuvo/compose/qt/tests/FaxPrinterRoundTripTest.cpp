// The fax printer from end to end: a private cupsd with the Zuvo_Print queue
// as scripts/install-fax-printer makes it (its backend and PPD from the
// tree), this process standing for the running Zuvo (the program
// directory's instance lock, its hand-over socket, the note that leads the
// backend here, and a compose window), and the zuvo program that the
// backend starts as the second instance. A PDF added in the compose window
// comes back as its pages; tiffinfo is the oracle for one bit a pixel, Group
// 4 and 204 x 196 dpi. Without cupsd, Ghostscript or cups-filters the test
// skips, saying why.

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

#include "compose/print/FaxPrinterReturn.h"
#include "compose/qt/FaxSubjectBar.h"
#include "compose/qt/FaxView.h"
#include "compose/qt/SendFaxFrm.h"
#include "core/TaskQueue.h"
#include "core/qt/HandOver.h"
#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "testsupport/PrivateCupsServer.h"

namespace {

using testsupport::PrivateCupsServer;
using testsupport::quote;
using testsupport::run;

const QString kSamples = QStringLiteral(ZUVO_SOURCE_DIR "/zuvo/res/samples");
const std::string kProgram = ZUVO_BINARY_DIR "/bin/zuvo";
const std::string kInstaller = ZUVO_SOURCE_DIR "/scripts/install-fax-printer";

// Two A4 pages drawn by Ghostscript's PDF writer: a line and a word each.
bool writePdf(const std::string& path)
{
    const std::string ps = path + ".ps";
    testsupport::writeFile(ps, "%!PS\n/Helvetica findfont 48 scalefont setfont\n"
                               "72 700 moveto (Page one) show 8 setlinewidth 72 72 moveto 520 400 lineto stroke "
                               "showpage\n72 700 moveto (Page two) show showpage\n");
    return testsupport::runOk("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sPAPERSIZE=a4 -sOutputFile=" +
                              quote(path) + " " + quote(ps));
}

int countOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(FaxPrinterRoundTripTest, APdfAddedInTheComposeWindowComesBackAsItsOneBitFaxPages)
{
    QtTest::EnsureApplication();
    for (const char* needed : {"/usr/bin/gs", "/usr/lib/cups/filter/pdftopdf"})
        if (!std::filesystem::exists(needed))
            GTEST_SKIP() << needed << " is missing (ghostscript, cups-filters)";
    ASSERT_TRUE(std::filesystem::exists(kProgram)) << "the zuvo program is built with this test";
    PrivateCupsServer cups({"Earlier"});
    if (!cups.Ready())
        GTEST_SKIP() << cups.Why();
    const std::string home = PrivateCupsServer::Home();
    const auto installed = run(quote(kInstaller) + " --backend-dir " + quote(cups.BackendDirectory()) +
                               " --device-uri " + quote("zuvo:" + home) + " 2>&1");
    ASSERT_EQ(installed.status, 0) << installed.output;
    EXPECT_EQ(run(quote(kInstaller) + " --backend-dir " + quote(cups.BackendDirectory()) + " --device-uri " +
                  quote("zuvo:" + home) + " >/dev/null 2>&1")
                  .status,
              0)
        << "installing again changes nothing";

    // The running Zuvo: its program directory, lock, hand-over socket and note.
    QTemporaryDir programDirectory;
    ASSERT_TRUE(programDirectory.isValid());
    const QString directory = programDirectory.path();
    for (const char* name : {"config.xml", "account.xml"})
        ASSERT_TRUE(QFile::copy(kSamples + QLatin1Char('/') + QLatin1String(name), directory + QLatin1Char('/') + name));
    ASSERT_TRUE(QDir(directory).mkpath(QStringLiteral("data")));
    InstanceLock lock(directory);
    ASSERT_FALSE(lock.IsAlreadyRunning());
    HandOverServer server(
        HandOverServerName(directory), [] { return FindHandOverTarget(0); },
        [](const HandOverTarget& target, const QStringList& files) {
            WindowRegistry::Post(target.lParam, WM_FAX_ADD_FILE, 0, 0, {}, files);
        });
    ASSERT_TRUE(server.Listen());
    // The second instance writes its message boxes to a file, never shows them.
    testsupport::ScopedEnv prompts("ZUVO_PROMPT_LOG", directory.toStdString() + "/prompts.txt");
    ASSERT_TRUE(WriteFaxPrinterNote(home, kProgram, directory.toStdString()));

    TaskQueue tasks;
    ComposeWindowServices services;
    services.tasks = [&tasks]() -> TaskQueue& { return tasks; };
    services.currentAccount = [] { return std::string(); };
    services.addressDirectory = directory;
    services.handOverDirectory = directory + QStringLiteral("/data");
    CSendFaxFrm window(services);
    window.resize(1000, 700);
    window.show();

    const std::string pdf = home + "/报告.pdf";
    ASSERT_TRUE(writePdf(pdf));
    ScriptedPrompter::Script script;
    ScopedPrompter prompter{script};
    script.chosenFiles.push_back(ChosenFile{QString::fromStdString(pdf), 0});
    window.OnCommand(32834);
    EXPECT_EQ(run("lpstat -d").output, "system default destination: Zuvo_Print\n");

    ASSERT_TRUE(QtTest::ProcessEventsUntil([&] { return window.SubjectBar()->GetItemCount() == 1; }, 120000))
        << "no pages came back; the server said:\n"
        << cups.ErrorLog() << "\nprompts: " << script.texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(script.texts.isEmpty()) << script.texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(window.PageEditor()->GetPageCount(), 2);
    EXPECT_EQ(run("lpstat -d").output, "system default destination: Earlier\n") << "the default came back with the file";

    const std::string printed = window.SubjectBar()->GetItemPath()->toStdString();
    EXPECT_EQ(std::filesystem::path(printed).filename().string(), "报告.tif");
    const std::string info = run("tiffinfo " + quote(printed) + " 2>/dev/null").output;
    EXPECT_EQ(countOf(info, "TIFF Directory"), 2) << info;
    EXPECT_EQ(countOf(info, "Bits/Sample: 1\n"), 2) << info;
    EXPECT_EQ(countOf(info, "Compression Scheme: CCITT Group 4"), 2) << info;
    EXPECT_EQ(countOf(info, "Resolution: 204, 196 pixels/inch"), 2) << info;
    EXPECT_EQ(countOf(info, "Image Width: 1728 "), 2) << "a fax line" << info;
    QtTest::SaveScreenshot(window, QStringLiteral("compose-printed-pdf"));
}

} // namespace
