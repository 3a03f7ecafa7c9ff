// Printing through CUPS, against a private server this test starts: its own
// configuration in a scratch directory and a raw queue, made the default,
// whose backend writes every job into a directory. The page viewer's job
// must arrive as one 3-page PDF and the attachments view's as the
// plain-named copy, byte for byte. Where cupsd cannot start, the test says
// why and skips.

#include <cups/cups.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QPrintDialog>
#include <QPrinter>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/AttachmentFiles.h"
#include "faxbox/qt/AttachFileView.h"
#include "faxbox/qt/DocumentPrompter.h"
#include "faxbox/qt/FaxContentView.h"
#include "faxbox/tests/FaxPageFixtures.h"

extern char** environ;

namespace fs = std::filesystem;
using testsupport::md5sumOf;
using testsupport::quote;
using testsupport::run;
using testsupport::runOk;

namespace {

// A cupsd of our own on a socket in a scratch directory, with one raw queue
// "capture" as the default destination; CUPS_SERVER points at it while it
// lives.
class PrivateCupsServer {
public:
    PrivateCupsServer()
    {
        if (!fs::exists("/usr/sbin/cupsd")) {
            why_ = "cupsd is not installed (cups-daemon)";
            return;
        }
        for (const char* sub : {"spool", "tmp", "cache", "state", "ppd", "jobs", "bin/backend"})
            fs::create_directories(dir_.file(sub));
        // The server's helpers are the system's, its one backend ours.
        for (const auto& entry : fs::directory_iterator("/usr/lib/cups"))
            if (entry.path().filename() != "backend")
                fs::create_directory_symlink(entry.path(), dir_ / ("bin/" + entry.path().filename().string()));
        write("bin/backend/capture", "#!/bin/sh\n"
                                     "[ $# -eq 0 ] && { echo 'file capture \"Unknown\" \"Job capture\"'; exit 0; }\n"
                                     "if [ $# -ge 6 ]; then cat \"$6\"; else cat; fi > \"${DEVICE_URI#capture:}/job-$1\"\n");
        fs::permissions(dir_.file("bin/backend/capture"), fs::perms(0755));
        fs::permissions(dir_.path(), fs::perms(0755));
        fs::permissions(dir_.file("jobs"), fs::perms(0777));
        socket_ = dir_.file("cups.sock");
        write("cupsd.conf", "Listen " + socket_ + "\nLogLevel warn\nWebInterface No\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n  </Limit>\n</Policy>\n");
        write("cups-files.conf", "ServerRoot " + dir_.path() + "\nRequestRoot " + dir_.file("spool") +
                                     "\nTempDir " + dir_.file("tmp") + "\nCacheDir " + dir_.file("cache") +
                                     "\nStateDir " + dir_.file("state") + "\nErrorLog " + dir_.file("error_log") +
                                     "\nAccessLog " + dir_.file("access_log") + "\nPageLog " +
                                     dir_.file("page_log") + "\nServerBin " + dir_.file("bin") +
                                     "\nDataDir /usr/share/cups\n");
        const std::string conf = dir_.file("cupsd.conf");
        const std::string files = dir_.file("cups-files.conf");
        const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        if (::posix_spawn(&pid_, "/usr/sbin/cupsd", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            why_ = "cupsd could not be started";
            return;
        }
        if (!testsupport::waitFor([&] { return fs::exists(socket_); }, std::chrono::seconds(20))) {
            why_ = "cupsd did not open its socket: " + testsupport::readFile(dir_.file("error_log"));
            return;
        }
        server_.emplace("CUPS_SERVER", socket_);
        cupsSetServer(nullptr);  // libcups reads CUPS_SERVER again
        if (!runOk("lpadmin -p capture -E -v capture:" + quote(dir_.file("jobs")) + " && lpadmin -d capture")) {
            why_ = "the raw queue could not be made: " + testsupport::readFile(dir_.file("error_log"));
            return;
        }
        ready_ = true;
    }
    ~PrivateCupsServer()
    {
        server_.reset();
        cupsSetServer(nullptr);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool Ready() const { return ready_; }
    const std::string& Why() const { return why_; }
    // The data of every job that reached the backend, waited for.
    std::vector<std::string> Jobs(std::size_t count) const
    {
        testsupport::waitFor([&] { return jobFiles().size() >= count && idle(); }, std::chrono::seconds(60));
        return jobFiles();
    }

private:
    void write(const std::string& name, const std::string& text) const { testsupport::writeFile(dir_.file(name), text); }
    bool idle() const { return run("lpstat -o capture 2>/dev/null").output.empty(); }
    std::vector<std::string> jobFiles() const
    {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(dir_.file("jobs")))
            files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    testsupport::TempDir dir_;
    std::string socket_;
    pid_t pid_ = -1;
    std::optional<testsupport::ScopedEnv> server_;
    bool ready_ = false;
    std::string why_;
};

class FolderOf : public SelectedFolderSource {
public:
    explicit FolderOf(std::string directory) : directory_(std::move(directory)) {}
    std::string SelectedFolderDirectory() const override { return directory_; }

private:
    std::string directory_;
};

TEST(CupsPrintingTest, TheViewersJobIsOneThreePagePdfAndTheAttachmentsJobThePlainCopy)
{
    QtTest::EnsureApplication();
    PrivateCupsServer cups;
    if (!cups.Ready())
        GTEST_SKIP() << cups.Why();

    testsupport::TempDir dir;
    const ImageHandle page = faxfixtures::patternPage(1728, 1100);
    std::vector<const ImageHandle*> three(3, &page);
    const std::string stored = dir.file("合同.tif.20261210093001");
    ASSERT_TRUE(faxfixtures::writeFaxTiff(three, stored, 200, 100, dir));

    ScriptedPrompter::Script script;
    ScopedPrompter scoped(script);
    PrompterDocumentPrompts prompts;
    CPelno1Doc document;
    document.SetPrompts(&prompts);
    CFaxContentView viewer(document);
    FolderOf folder(dir.path());
    CAttachFileView attachments(document, &folder, {});
    attachments.SetFaxPath("合同.tif", "20261210093001");
    ASSERT_EQ(document.OnOpenDocument(stored), 1);

    // The dialog is accepted as it comes: the default destination.
    QString printerName;
    script.dialogs.push_back([&](QDialog& dialog) {
        printerName = static_cast<QPrintDialog&>(dialog).printer()->printerName();
        return QDialog::Accepted;
    });
    ASSERT_TRUE(viewer.OnFilePrint());
    EXPECT_EQ(printerName, QStringLiteral("capture"));
    std::vector<std::string> jobs = cups.Jobs(1);
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_EQ(run("pdfinfo " + quote(jobs[0]) + " | grep '^Pages:' | tr -s ' '").output, "Pages: 3\n");

    attachments.setCurrentItem(attachments.topLevelItem(0));
    attachments.OnCommand(AttachCommand::Print);
    EXPECT_TRUE(script.texts.isEmpty()) << script.texts.join(QStringLiteral(" | ")).toStdString();
    jobs = cups.Jobs(2);
    ASSERT_EQ(jobs.size(), 2U);
    EXPECT_EQ(md5sumOf(jobs[1]), md5sumOf(dir.file("合同.tif")));
    EXPECT_EQ(md5sumOf(dir.file("合同.tif")), md5sumOf(stored));
}

} // namespace
