#include "core/qt/BrowserView.h"

#include "core/TextUtil.h"
#include "core/web/WebSignIn.h"
#include "jotter/Jotter.h"

CBrowserView::CBrowserView(std::string site, FaxUserStore store, QWidget* parent)
    : CHtmlView(true, parent), site_(std::move(site)), store_(std::move(store))
{
    setObjectName(QStringLiteral("CBrowserView"));
}

void CBrowserView::OnDocumentComplete(const QString& address)
{
    const QByteArray text = address.toUtf8();
    cpLog(kLogTrace, "OnDocumentComplete<%s> ", text.constData());
    WebSignInOutcome outcome = JudgeSignInPage(text.toStdString(), site_);
    if (outcome.kind == WebSignInOutcome::Succeeded) {
        cpLog(kLogTrace, "UserId=<%s> UserName=<%s>", outcome.userId.c_str(), outcome.userName.c_str());
        std::string stored = store_.get ? store_.get() : std::string();
        if (!EqualsNoCase(stored.c_str(), outcome.faxUser.c_str()) && store_.set &&
            !store_.set(outcome.faxUser))
            cpLog(kLogFailure, "CBrowserView: the fax user <%s> could not be stored", outcome.faxUser.c_str());
        emit webLoginSucceeded();
    } else if (outcome.kind == WebSignInOutcome::ReopenGateway) {
        emit webLoginReopen();
    }
    CHtmlView::OnDocumentComplete(address);
}
