// Wiring of the fax list into the main window.
#include "faxbox/qt/FaxListPane.h"

#include "core/WindowMessages.h"
#include "core/frame/FrameCommands.h"
#include "core/qt/MainFrame.h"
#include "core/qt/WindowMessage.h"
#include "core/stores/AccountConfig.h"
#include "faxbox/qt/AttachFileView.h"
#include "faxbox/qt/DocumentPanes.h"
#include "faxbox/qt/LeftView.h"
#include "faxbox/qt/Pelno1View.h"

CPelno1View* InstallFaxList(CMainFrame& frame, const DocumentPanes& panes, std::function<TaskQueue&()> tasks)
{
    const auto tree = [&frame] { return dynamic_cast<CLeftView*>(frame.GetLeftView()); };
    Pelno1ViewServices services;
    services.folderPath = [tree] {
        const CLeftView* folders = tree();
        return folders ? folders->GetCurFolderPath() : std::string();
    };
    services.accountPath = [tree] {
        const CLeftView* folders = tree();
        std::string account = folders ? folders->StoredAccountPath() : std::string();
        if (account.empty() && folders)
            account = folders->GetCurAccountPath();
        return account.empty() ? AccountConfig::GetDefaultAccountPath() : account;
    };
    services.loggedIn = [&frame] { return frame.IsLoggedIn(); };
    services.tasks = std::move(tasks);
    if (frame.ComposeOpener())
        services.openCompose = frame.ComposeOpener();
    services.postNotice = [&frame](const QString& text) { frame.PostNotice(text.toStdString()); };
    services.refreshFolderCounts = [tree] {
        if (CLeftView* folders = tree())
            folders->RefreshFolderCounts();
    };
    services.postFolderCountsRefresh = [&frame] {
        WindowRegistry::Post(frame.Handle(), WM_FAX_REFRESH, FAX_REFRESH_FOLDER_COUNTS, 0);
    };
    services.sendOutbox = [&frame] {
        WindowRegistry::Post(frame.Handle(), WM_COMMAND, ID_MAIL_FAX_COMMAND, 0);
    };
    services.setCaption = [&frame](const QString& text) { frame.SetCaptionText(text); };
    CPelno1Doc* document = panes.document;
    services.showPages = [&frame, document] {
        frame.ShowFaxContentView();
        document->Reset();
    };
    services.showBody = [&frame](const std::string& path) { frame.ShowBody(QString::fromStdString(path)); };
    services.setAttachmentsShown = [&frame](bool shown) { frame.SetAttachmentPaneShown(shown); };
    CAttachFileView* attachments = panes.attachments;
    services.clearAttachments = [attachments] { attachments->Clear(); };
    services.addAttachment = [attachments](const std::string& file, const std::string& createTime) {
        attachments->SetFaxPath(file.c_str(), createTime);
    };

    auto* list = new CPelno1View(std::move(services));  // owned by the frame once installed
    frame.SetPaneWidget(CMainFrame::FramePane::FaxView, list);
    for (int id : {FrameCommandId::ReplyFax, FrameCommandId::ForwardFax, FrameCommandId::MoveFax})
        frame.SetCommandHandler(id, [list, id] { list->OnCommand(id); });
    return list;
}
