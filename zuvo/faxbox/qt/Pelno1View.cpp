// The fax list pane: rows from faxbox/FaxList.h, the record operations of
// faxbox/FaxFiling.h and faxbox/FaxListCompose.h, and what a click shows.
#include "faxbox/qt/Pelno1View.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include <map>

#include "core/stores/AccountConfig.h"
#include "core/TextUtil.h"
#include "core/WindowMessages.h"
#include "core/qt/WindowMessage.h"
#include "faxbox/FaxFiling.h"
#include "faxbox/FaxListCommands.h"
#include "faxbox/FaxListCompose.h"
#include "faxbox/qt/FaxListModel.h"

namespace {

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The caption bar's text of a fax: its topic and fax number.
QString captionOf(const FaxListRow& row)
{
    return QStringLiteral("主题：  ") + fromStd(row.cells[kColumnTopic]) + QStringLiteral("    ") +
           QStringLiteral("传真号码: ") + fromStd(row.cells[kColumnCaller]);
}

// Restores the wait cursor's absence however the command ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CPelno1View::CPelno1View(Pelno1ViewServices services, QWidget* parent)
    : QTableView(parent), services_(std::move(services)), model_(new FaxListModel(this))
{
    setObjectName(QStringLiteral("CPelno1View"));
    setAccessibleName(QStringLiteral("传真列表"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(kMinimumColumnWidth);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    for (int column = 0; column < kFaxListColumnCount; ++column)
        setColumnWidth(column, kColumnWidths[column]);
    // The two image columns are frozen.
    header->setSectionResizeMode(kColumnAttachment, QHeaderView::Fixed);
    header->setSectionResizeMode(kColumnSpare, QHeaderView::Fixed);
    header->setSortIndicator(kColumnDate, Qt::DescendingOrder);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        model_->sort(column, horizontalHeader()->sortIndicatorOrder());
    });
    connect(this, &QAbstractItemView::clicked, this, [this] { ShowSelectedFax(true); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { OpenSelectedFax(); });
    createMenus();
}

void CPelno1View::createMenus()
{
    const auto addMenu = [this](const char* title, std::span<const FaxListCommandEntry> entries) {
        auto* menu = new QMenu(QString::fromUtf8(title), this);  // owned by the view
        for (const FaxListCommandEntry& entry : entries) {
            QAction* action = actions_.Find(entry.id);
            if (!action) {
                action = actions_.Add(entry.id, new QAction(QString::fromUtf8(entry.text), this));
                action->setData(entry.id);
            }
            menu->addAction(action);
        }
        menu->setDefaultAction(menu->actions().front());
        return menu;
    };
    failedMenu_ = addMenu(kFailedMenuTitle, FailedMenuCommands());
    faxMenu_ = addMenu(kFaxMenuTitle, FaxMenuCommands());
}

QAction* CPelno1View::CommandAction(int id) const
{
    return actions_.Find(id);
}

// ------------------------------------------------------------ rows

void CPelno1View::Reload()
{
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    // A reference names a record within its folder only: another folder's
    // fax of the same CreateTime is a different fax, so a new folder starts
    // with nothing selected and nothing taken as shown.
    const bool sameFolder = folder == loadedFolder_;
    const std::vector<FaxRecordRef> selected = sameFolder ? selectedRefs() : std::vector<FaxRecordRef>();
    const std::optional<FaxRecordRef> current = sameFolder ? currentRef() : std::nullopt;
    if (!sameFolder)
        shown_.reset();
    loadedFolder_ = folder;
    model_->SetRows(folder.empty() ? std::vector<FaxListRow>() : LoadFaxList(folder));
    horizontalHeader()->setSortIndicator(kColumnDate, Qt::DescendingOrder);
    if (model_->rowCount() > 0)
        for (int column : {kColumnDate, kColumnPages, kColumnTopic})
            resizeColumnToContents(column);

    // The selection follows its records.
    std::map<std::pair<std::string, int>, int> rowOf;
    for (int row = 0; row < model_->rowCount(); ++row)
        rowOf.emplace(std::make_pair(model_->RowAt(row)->ref.createTime, model_->RowAt(row)->ref.occurrence), row);
    const auto find = [&rowOf](const FaxRecordRef& ref) {
        const auto it = rowOf.find({ref.createTime, ref.occurrence});
        return it == rowOf.end() ? -1 : it->second;
    };
    QItemSelection selection;
    for (const FaxRecordRef& ref : selected)
        if (const int row = find(ref); row >= 0)
            selection.select(model_->index(row, 0), model_->index(row, kFaxListColumnCount - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current)
        if (const int row = find(*current); row >= 0)
            selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
}

std::vector<FaxRecordRef> CPelno1View::selectedRefs() const
{
    std::vector<FaxRecordRef> refs;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (const FaxListRow* row = model_->RowAt(index.row()))
            refs.push_back(row->ref);
    return refs;
}

std::optional<FaxRecordRef> CPelno1View::currentRef() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return std::nullopt;
    return model_->RowAt(current.row())->ref;
}

int CPelno1View::currentRecord() const
{
    const std::optional<FaxRecordRef> ref = currentRef();
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    return ref && !folder.empty() ? FindFaxByRef(folder, *ref) : -1;
}

std::string CPelno1View::currentFaxPath() const
{
    const int index = currentRecord();
    return index < 0 ? std::string() : FormatText("%s/Fax[%d]", services_.folderPath().c_str(), index);
}

bool CPelno1View::isFolderType(const char* type) const
{
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    return !folder.empty() && EqualsNoCase(AccountConfig::GetAttr(folder, "Type"), type);
}

void CPelno1View::notice(const char* text) const
{
    if (services_.postNotice)
        services_.postNotice(QString::fromUtf8(text));
}

// ------------------------------------------------------------ showing a fax

void CPelno1View::ShowSelectedFax(bool markRead)
{
    const std::optional<FaxRecordRef> ref = currentRef();
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    const int index = ref && !folder.empty() ? FindFaxByRef(folder, *ref) : -1;
    const std::optional<FaxRecord> record = index < 0 ? std::nullopt : ReadFaxRecord(folder, index);
    if (!record) {
        shown_.reset();
        if (services_.setCaption) services_.setCaption(QString());
        if (services_.setAttachmentsShown) services_.setAttachmentsShown(false);
        if (services_.clearAttachments) services_.clearAttachments();
        return;
    }
    const int row = currentIndex().row();
    if (shown_ == ref && !(markRead && model_->RowAt(row)->IsUnread()))
        return;  // shown already
    shown_ = ref;
    if (services_.setCaption) services_.setCaption(captionOf(*model_->RowAt(row)));
    if (record->Flag() != 1) {
        if (services_.showPages) services_.showPages();
    } else if (const auto body = BodyFilePath(FolderDirectory(folder), record->Get(FaxRecord::kBodyFileName))) {
        if (services_.showBody) services_.showBody(*body);
    }
    if (services_.setAttachmentsShown) services_.setAttachmentsShown(!record->attachments.empty());
    if (services_.clearAttachments) services_.clearAttachments();
    if (services_.addAttachment)
        for (const AttachFile& page : record->attachments)
            services_.addAttachment(page.file, record->CreateTime());
    if (markRead && model_->RowAt(row)->IsUnread()) {
        if (record->ReadFlag() == 0 && !MarkFaxRead(folder, *ref))
            return;  // not stored: it stays unread
        model_->MarkRead(row);
        if (services_.postFolderCountsRefresh) services_.postFolderCountsRefresh();
    }
}

// ------------------------------------------------------------ commands

bool CPelno1View::IsCommandEnabled(int id) const
{
    FaxListState state;
    state.rowSelected = currentRef().has_value() || !selectedRefs().empty();
    state.loggedIn = services_.loggedIn && services_.loggedIn();
    state.composeAvailable = static_cast<bool>(services_.openCompose);
    return IsFaxListCommandEnabled(id, state);
}

QMenu* CPelno1View::PopupMenu()
{
    if (selectedRefs().empty()) {
        notice(kSelectFaxText);
        return nullptr;
    }
    QMenu* menu = isFolderType(FolderType::kFailedBox) ? failedMenu_ : faxMenu_;
    for (QAction* action : menu->actions())
        action->setEnabled(IsCommandEnabled(action->data().toInt()));
    return menu;
}

void CPelno1View::OnCommand(int id)
{
    if (!IsCommandEnabled(id))
        return;
    switch (id) {
    case FaxListCommand::Delete: deleteSelected(); break;
    case FaxListCommand::DeleteAll: deleteAll(); break;
    case FaxListCommand::Reply:
    case FaxListCommand::Forward: replyOrForward(id); break;
    case FaxListCommand::Move: Reload(); break;
    case FaxListCommand::Resend: composeFromCurrent(ResendThroughCompose); break;
    case FaxListCommand::ResendFailed: resendFailed(false); break;
    case FaxListCommand::ResendAllFailed: resendFailed(true); break;
    default: break;
    }
}

void CPelno1View::afterChange(const FaxMoveOutcome& outcome)
{
    if (!outcome.saved)
        notice(kListSaveFailedText);
    else if (!outcome.kept.empty())
        notice(kFilesNotMovedText);
    if (services_.refreshFolderCounts) services_.refreshFolderCounts();
    Reload();
}

void CPelno1View::deleteSelected()
{
    const std::vector<FaxRecordRef> refs = selectedRefs();
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    if (refs.empty()) {
        notice(kSelectFaxText);
        return;
    }
    if (folder.empty() || !services_.tasks)
        return;
    afterChange(DeleteFaxes(services_.tasks(), folder, refs, services_.accountPath()));
}

void CPelno1View::deleteAll()
{
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    if (folder.empty() || !services_.tasks)
        return;
    WaitCursor wait;
    afterChange(DeleteAllFaxes(services_.tasks(), folder, model_->rowCount(), services_.accountPath()));
}

void CPelno1View::resendFailed(bool all)
{
    if (!services_.loggedIn || !services_.loggedIn())
        return;
    const std::string folder = services_.folderPath ? services_.folderPath() : std::string();
    std::vector<FaxRecordRef> refs;
    if (all)
        for (int row = 0; row < model_->rowCount(); ++row)
            refs.push_back(model_->RowAt(row)->ref);
    else
        refs = selectedRefs();
    if (refs.empty()) {
        if (!all)
            notice(kSelectFaxText);
        return;
    }
    if (folder.empty() || !services_.tasks)
        return;
    const FaxMoveOutcome outcome = ResendFailedFaxes(services_.tasks(), folder, refs, services_.accountPath());
    if (outcome.missingSources > 0)
        notice(kMissingSourceText);
    afterChange(outcome);
    if (outcome.moved > 0 && services_.sendOutbox)
        services_.sendOutbox();
}

void CPelno1View::queueForCompose(std::unique_ptr<CTask> task)
{
    if (!task || !services_.tasks || !services_.openCompose)
        return;
    services_.tasks().AddTask(std::move(task));
    services_.openCompose();
}

void CPelno1View::replyOrForward(int id)
{
    // The fax is taken before the reload, which may move the selection.
    const std::string fax = currentFaxPath();
    if (fax.empty()) {
        notice(kSelectFaxText);
        return;
    }
    const std::string folder = services_.folderPath();
    Reload();
    if (id == FaxListCommand::Reply)
        queueForCompose(MakeReplyTask(fax));
    else
        queueForCompose(MakeForwardTask(fax, folder, services_.accountPath()));
}

void CPelno1View::composeFromCurrent(ComposeMaker make)
{
    if (!services_.loggedIn || !services_.loggedIn())
        return;
    const int index = currentRecord();
    if (index < 0) {
        notice(kSelectFaxText);
        return;
    }
    ComposeRequest request = make(services_.folderPath(), index, services_.accountPath());
    if (request.missingSource)
        notice(kMissingSourceText);
    queueForCompose(std::move(request.task));
}

void CPelno1View::OpenSelectedFax()
{
    composeFromCurrent(OpenForEditing);
}

// ------------------------------------------------------------ events

bool CPelno1View::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        if (static_cast<WindowMessageEvent*>(event)->Message() == WM_FAX_LIST_REFRESH)
            Reload();
        return true;
    }
    return QTableView::event(event);
}

void CPelno1View::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Delete: {
        const std::vector<FaxRecordRef> refs = selectedRefs();
        if (refs.empty()) {
            notice(kSelectFaxText);
            return;
        }
        const int firstRow = model_->RowOf(refs.front());
        OnCommand(FaxListCommand::Delete);
        // The fax now in the deleted one's place is selected and shown, not marked read.
        if (model_->rowCount() > 0) {
            const int row = std::min(std::max(firstRow, 0), model_->rowCount() - 1);
            selectionModel()->setCurrentIndex(model_->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        shown_.reset();
        ShowSelectedFax(false);
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: OpenSelectedFax(); return;
    default: break;
    }
    QTableView::keyPressEvent(event);
    // Moving through the rows with the keys shows each fax as a click does.
    if (currentRef() && currentRef() != shown_)
        ShowSelectedFax(true);
}

void CPelno1View::contextMenuEvent(QContextMenuEvent* event)
{
    if (QMenu* menu = PopupMenu()) {
        QPoint at = event->globalPos();
        if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
            at = viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
        menu->exec(at);
    }
}

void CPelno1View::paintEvent(QPaintEvent* event)
{
    {
        // The column stripes over the whole client area, rows or not.
        QPainter painter(viewport());
        for (int column = 0; column < kFaxListColumnCount; ++column)
            painter.fillRect(QRect(columnViewportPosition(column), 0, columnWidth(column), viewport()->height()),
                             FaxListModel::StripeColor(column));
    }
    QTableView::paintEvent(event);
}
