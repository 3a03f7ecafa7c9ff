#include "LocalPageServer.h"
#include "ShellTestApp.h"

#include "core/WindowMessages.h"
#include "core/qt/AdView.h"
#include "core/qt/BrowserView.h"
#include "core/qt/WebViews.h"
#include "core/qt/WindowMessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A fixture with a fax user store that records what it was given.
class BrowserViewTest : public ShellTest {
protected:
    CBrowserView::FaxUserStore store()
    {
        return {[this] { return stored; }, [this](const std::string& user) {
                    stored = user;
                    ++saves;
                    return true;
                }};
    }

    std::string stored = "old";
    int saves = 0;
};

TEST_F(BrowserViewTest, CallbackStoresTheIdentityAndReportsSuccess)
{
    CBrowserView view("http://www.site.test", store());
    int succeeded = 0;
    QObject::connect(&view, &CBrowserView::webLoginSucceeded, [&] { ++succeeded; });
    int reopen = 0;
    QObject::connect(&view, &CBrowserView::webLoginReopen, [&] { ++reopen; });
    int complete = 0;
    QObject::connect(&view, &CHtmlView::documentComplete, [&] { ++complete; });
    view.OnDocumentComplete(
        QStringLiteral("http://www.site.test/callback/logined.jsp?Succeed=Y&UserId=42&UserName=abc"));
    EXPECT_EQ(stored, "00210000000042abc");
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(succeeded, 1);
    EXPECT_EQ(reopen, 0);
    EXPECT_EQ(complete, 1);  // passed on
}

TEST_F(BrowserViewTest, SameUserInAnotherCaseIsNotStoredAgain)
{
    stored = "00210000000042ABC";
    CBrowserView view("http://www.site.test", store());
    int succeeded = 0;
    QObject::connect(&view, &CBrowserView::webLoginSucceeded, [&] { ++succeeded; });
    view.OnDocumentComplete(
        QStringLiteral("http://www.site.test/callback/logined.jsp?Succeed=Y&UserId=42&UserName=abc"));
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(succeeded, 1);
}

TEST_F(BrowserViewTest, ForeignPagesAndFailedCallbacks)
{
    CBrowserView view("http://www.site.test", store());
    int succeeded = 0;
    QObject::connect(&view, &CBrowserView::webLoginSucceeded, [&] { ++succeeded; });
    int reopen = 0;
    QObject::connect(&view, &CBrowserView::webLoginReopen, [&] { ++reopen; });
    view.OnDocumentComplete(QStringLiteral("http://evil.test/x?Succeed=Y&UserId=42&UserName=abc"));
    EXPECT_EQ(succeeded + reopen, 0);
    EXPECT_EQ(stored, "old");
    view.OnDocumentComplete(QStringLiteral("http://www.site.test/callback/logined.jsp?Succeed=N"));
    EXPECT_EQ(reopen, 1);
    EXPECT_EQ(succeeded, 0);
    EXPECT_EQ(saves, 0);
}

TEST_F(BrowserViewTest, AdPaneNavigatesOnlyToAConfiguredAddress)
{
    QString adUrl;
    CAdView view([&] { return adUrl; });
    WindowMessageEvent navigate(WM_AD_NAVIGATE, 0, 0);
    QCoreApplication::sendEvent(&view, &navigate);
    EXPECT_TRUE(view.LocationURL().isEmpty());  // stays where it is
    EXPECT_FALSE(view.HasBrowser());            // and no browser is started for nothing
    adUrl = QStringLiteral("http://127.0.0.1:9/ad.html");
    EXPECT_EQ(view.OnAdNavigate(), 1);
    EXPECT_EQ(view.LocationURL(), adUrl);
    EXPECT_EQ(view.HasBrowser(), CHtmlView::HasEmbeddedBrowser());
    adUrl.clear();
    QCoreApplication::sendEvent(&view, &navigate);
    EXPECT_EQ(view.LocationURL(), QStringLiteral("http://127.0.0.1:9/ad.html"));
}

TEST_F(BrowserViewTest, EmbeddedBrowserReportsTheCallbackPageOfALocalServer)
{
    if (!CHtmlView::HasEmbeddedBrowser()) GTEST_SKIP() << "built without the embedded browser";
    LocalPageServer server;
    CBrowserView view(server.base().toStdString(), store());
    int succeeded = 0;
    QObject::connect(&view, &CBrowserView::webLoginSucceeded, [&] { ++succeeded; });
    view.resize(300, 200);
    view.show();
    view.Navigate(server.base() + QStringLiteral("/callback/logined.jsp?Succeed=Y&UserId=42&UserName=abc"));
    ASSERT_TRUE(WaitUntil([&] { return succeeded > 0; }, 30000));
    EXPECT_EQ(stored, "00210000000042abc");
}

TEST_F(BrowserViewTest, AnAdvertisementThatFailsToLoadShowsNothing)
{
    if (!CHtmlView::HasEmbeddedBrowser()) GTEST_SKIP() << "built without the embedded browser";
    CAdView view([] { return QStringLiteral("http://127.0.0.1:9/ad.html"); });  // nothing listens there
    int completed = 0;
    QObject::connect(&view, &CHtmlView::documentComplete, [&] { ++completed; });
    view.resize(300, 200);
    view.show();
    view.OnAdNavigate();
    ASSERT_TRUE(WaitUntil([&] { return completed > 0; }, 30000));
    for (QWidget* child : view.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(child->isVisible()) << child->metaObject()->className();
}

TEST(WebViewModulePath, BesideTheProgramElseInTheInstalledPrivateLibraryDirectory)
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString beside = bin + QStringLiteral("/zuvo_webviews.so");
    const QString installed =
        QDir::cleanPath(bin + QStringLiteral("/" ZUVO_PRIVATE_LIBDIR_FROM_BINDIR "/zuvo_webviews.so"));
    ASSERT_TRUE(installed.startsWith(prefix.path() + QStringLiteral("/lib"))) << installed.toStdString();
    ASSERT_TRUE(QDir().mkpath(bin));
    const auto touch = [](const QString& path) {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly);
    };

    // Neither: the file beside the program, whose load error names it.
    EXPECT_EQ(WebViewModulePath(bin), beside);
    // An installed program: bin/../lib/zuvo.
    ASSERT_TRUE(touch(installed));
    EXPECT_EQ(WebViewModulePath(bin), installed);
    // The build tree, or a portable copy: beside the program comes first.
    ASSERT_TRUE(touch(beside));
    EXPECT_EQ(WebViewModulePath(bin), beside);
}

} // namespace
