// CAttachFileView: rows of attachment files, opening them in the viewer or
// the browser, saving a copy and printing on the default destination.
#include "faxbox/qt/AttachFileView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QUrl>

#include "core/qt/Prompter.h"
#include "faxbox/AttachmentFiles.h"
#include "faxbox/DocumentTexts.h"
#include "jotter/Jotter.h"

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

std::string fileSystemName(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString fromFileSystem(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

CAttachFileView::CAttachFileView(CPelno1Doc& document, const SelectedFolderSource* folders,
                                 AttachFileViewServices services, QWidget* parent)
    : QTreeWidget(parent), document_(document), folders_(folders), services_(std::move(services))
{
    setObjectName(QStringLiteral("CAttachFileView"));
    setAccessibleName(QStringLiteral("传真附件"));
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHeaderLabels({text(AttachText::kFileColumn), text(AttachText::kCreateTimeColumn)});
    header()->setStretchLastSection(false);
    header()->resizeSection(0, AttachText::kFileColumnWidth);
    header()->resizeSection(1, AttachText::kCreateTimeColumnWidth);
    createMenu();
    connect(this, &QTreeWidget::clicked, this, [this](const QModelIndex& index) { OpenRow(index.row()); });
}

void CAttachFileView::createMenu()
{
    popup_ = new QMenu(text(AttachText::kMenu), this);
    const std::pair<int, const char*> commands[] = {
        {AttachCommand::Open, AttachText::kOpen},
        {AttachCommand::SaveAs, AttachText::kSaveAs},
        {AttachCommand::Print, AttachText::kPrint},
    };
    for (const auto& [id, label] : commands)
        actions_.Add(id, popup_->addAction(text(label)));
    popup_->setDefaultAction(actions_.Find(AttachCommand::Open));
    // The keys the menu names work while the list has the focus.
    const std::pair<int, QKeySequence> keys[] = {{AttachCommand::Open, QKeySequence(Qt::CTRL | Qt::Key_O)},
                                                 {AttachCommand::Print, QKeySequence(Qt::CTRL | Qt::Key_P)}};
    for (const auto& [id, key] : keys) {
        auto* shortcut = new QAction(this);  // owned by the view
        shortcut->setShortcut(key);
        shortcut->setShortcutContext(Qt::WidgetShortcut);
        connect(shortcut, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
        addAction(shortcut);
    }
}

QAction* CAttachFileView::CommandAction(int id) const
{
    return actions_.Find(id);
}

// ------------------------------------------------------------ rows

void CAttachFileView::SetFaxPath(const char* file, const std::string& createTime)
{
    if (file == nullptr)
        return;
    auto* item = new QTreeWidgetItem({QString::fromUtf8(file), QString::fromStdString(createTime)});
    insertTopLevelItem(itemCount_, item);  // owned by the list
    ++itemCount_;
}

void CAttachFileView::Clear()
{
    clear();
    itemCount_ = 0;
    document_.Reset();
}

std::string CAttachFileView::rowFile(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(0).toStdString() : std::string();
}

std::string CAttachFileView::folderDirectory() const
{
    return folders_ ? folders_->SelectedFolderDirectory() : std::string();
}

std::optional<std::string> CAttachFileView::StoredPath(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return std::nullopt;
    return StoredAttachmentPath(folderDirectory(), item->text(0).toStdString(), item->text(1).toStdString());
}

int CAttachFileView::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.front());
}

// ------------------------------------------------------------ opening

void CAttachFileView::openInViewer(const std::string& stored)
{
    if (services_.showFaxContentView)
        services_.showFaxContentView();
    document_.OnOpenDocument(stored);
}

void CAttachFileView::OpenRow(int row)
{
    const std::optional<std::string> stored = StoredPath(row);
    if (!stored) {
        cpLog(kLogTrace, "CAttachFileView: row %d has no stored file in the selected folder", row);
        return;
    }
    const std::string file = rowFile(row);
    if (IsTiffAttachment(file)) {
        openInViewer(*stored);
        return;
    }
    std::string shown = *stored;
    if (IsWaveAttachment(file)) {
        // The browser tells a sound by its extension, which the stored name hides.
        shown = *stored + ".wav";
        CopyAttachmentFile(*stored, shown);
    }
    if (services_.navigate)
        services_.navigate(QUrl::fromLocalFile(fromFileSystem(shown)).toString());
}

// ------------------------------------------------------------ menu

void CAttachFileView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem() != nullptr) {
        OpenRow(indexOfTopLevelItem(currentItem()));
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CAttachFileView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentItem() != nullptr)
        at = viewport()->mapToGlobal(visualItemRect(currentItem()).center());
    showMenuAt(at);
    event->accept();
}

void CAttachFileView::showMenuAt(const QPoint& globalPos)
{
    if (selectedRow() < 0) {
        if (services_.postNotice)
            services_.postNotice(text(AttachText::kSelectAttachment));
        return;
    }
    popup_->popup(globalPos);
}

void CAttachFileView::OnCommand(int id)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    switch (id) {
    case AttachCommand::Open:
        if (const std::optional<std::string> stored = StoredPath(row))
            openInViewer(*stored);
        break;
    case AttachCommand::SaveAs: saveRowAs(row); break;
    case AttachCommand::Print: printRow(row); break;
    default: break;
    }
}

void CAttachFileView::saveRowAs(int row)
{
    const std::optional<std::string> stored = StoredPath(row);
    if (!stored)
        return;
    FileRequest request;
    request.save = true;
    request.filter = text(AttachmentSaveFilter(rowFile(row)));
    request.initialPath = QString::fromStdString(rowFile(row));
    request.overwritePrompt = true;
    const std::optional<ChosenFile> chosen = CurrentPrompter().ChooseFile(request);
    if (!chosen || chosen->path.isEmpty())
        return;
    if (!CopyAttachmentFile(*stored, fileSystemName(chosen->path)))
        ShowMessage(text(DocumentText::kSaveFailed));
}

void CAttachFileView::printRow(int row)
{
    const std::string file = rowFile(row);
    const std::optional<std::string> stored = StoredPath(row);
    const std::optional<std::string> plain = PlainAttachmentPath(folderDirectory(), file);
    // The plain-named copy keeps the file's own extension, by which the
    // printing system tells its type.
    if (!stored || !plain || !CopyAttachmentFile(*stored, *plain) || PrintOnDefaultDestination(*plain, file) == 0)
        ShowMessage(QString::fromStdString(PrintFailedText(file)));
}
