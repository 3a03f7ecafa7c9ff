// Printing through CUPS, against a private server this test starts
// (testsupport/PrivateCupsServer.h) with one raw queue, the default, whose
// backend writes every job into a directory. The page viewer's job
// must arrive as one 3-page PDF and the attachments view's as the
// plain-named copy, byte for byte. Where cupsd cannot start, the test says
// why and skips.

#include <QPrintDialog>
#include <QPrinter>
#include <QTest>

#include <gtest/gtest.h>

#include "core/qt/tests/QtTestSupport.h"
#include "core/qt/tests/ScriptedPrompter.h"
#include "faxbox/AttachmentFiles.h"
#include "faxbox/qt/AttachFileView.h"
#include "faxbox/qt/DocumentPrompter.h"
#include "faxbox/qt/FaxContentView.h"
#include "faxbox/tests/FaxPageFixtures.h"
#include "testsupport/PrivateCupsServer.h"

using testsupport::md5sumOf;
using testsupport::quote;
using testsupport::run;

namespace {

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
    testsupport::PrivateCupsServer cups;
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
