// The SMS window: the template tree, the message editor and the subject
// bar; its commands have no action.

#include "contacts/qt/SmsFrm.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "contacts/AddressBookTexts.h"
#include "contacts/SmsTemplates.h"
#include "contacts/qt/CommandBarLayout.h"

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QRect toRect(const BarRect& r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

CSmsLeftView::CSmsLeftView(const std::string& directory, QWidget* parent)
    : CAddrLeftView(text(SmsText::kTreeCaption), parent)
{
    setObjectName(QStringLiteral("CSmsLeftView"));
    const SmsTemplateTree templates = LoadSmsTemplates(directory);
    if (templates.loaded)
        SetBooks(templates.groups);
    else
        ShowMissing(text(SmsText::kFileMissing));
}

CSmsEditView::CSmsEditView(QWidget* parent) : QTextEdit(parent)
{
    setObjectName(QStringLiteral("CSmsEditView"));
    setAccessibleName(text(SmsText::kEditorName));
    setAcceptRichText(true);
}

CSmsSubjectBar::CSmsSubjectBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CSmsSubjectBar"));
    setFixedHeight(kSmsSubjectBarHeight);
    recipient_ = new QPushButton(text(SmsText::kRecipient), this);
    recipient_->setObjectName(QStringLiteral("ID_%1").arg(SmsCommand::Recipient));
    recipient_->setEnabled(false);
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("ID_%1").arg(SmsCommand::RecipientField));
    field_->setAccessibleName(text(SmsText::kRecipientFieldName));
    more_ = new QPushButton(text(SmsText::kRecipientMore), this);
    more_->setObjectName(QStringLiteral("ID_%1").arg(SmsCommand::RecipientMore));
    more_->setAccessibleName(text(SmsText::kRecipient));
    more_->setEnabled(false);
    note_ = new QLabel(text(SmsText::kNote), this);
    note_->setObjectName(QStringLiteral("ID_%1").arg(SmsCommand::Note));
    recipient_->setGeometry(10, 8, 84, 24);
}

void CSmsSubjectBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const SmsSubjectBarLayout layout = LayOutSmsSubjectBar(width());
    field_->setGeometry(toRect(layout.field));
    more_->setGeometry(toRect(layout.moreButton));
    note_->setGeometry(toRect(layout.note));
}

CSmsFrm::CSmsFrm(const std::string& directory, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("CSmsFrm"));
    setWindowTitle(text(SmsText::kTitle));
    menuBar()->setObjectName(QStringLiteral("SmsMenu"));
    QMenu* file = menuBar()->addMenu(text(SmsText::kFileMenu));
    struct Command {
        int id;
        const char* label;
    };
    for (const Command& command : {Command{SmsCommand::Send, SmsText::kSend}, {SmsCommand::AddTemplate, SmsText::kAddTemplate},
                                   {SmsCommand::EditTemplate, SmsText::kEditTemplate},
                                   {SmsCommand::DeleteTemplate, SmsText::kDeleteTemplate},
                                   {SmsCommand::Close, SmsText::kClose}}) {
        QAction* action = file->addAction(text(command.label));
        action->setObjectName(QStringLiteral("ID_%1").arg(command.id));
        action->setEnabled(false); // no action: sending and templates are not part of this window
        actions_.Add(command.id, action);
    }
    QMenu* view = menuBar()->addMenu(text(AddressText::kViewMenu));
    QAction* status = view->addAction(text(AddressText::kStatusBarToggle));
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
    view->addSeparator();
    QAction* customize = view->addAction(text(AddressText::kCustomize));
    customize->setObjectName(QStringLiteral("ID_%1").arg(SmsCommand::Customize));
    connect(customize, &QAction::triggered, this, [this] {
        if (QMenu* menu = createPopupMenu()) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(QCursor::pos());
        }
    });
    actions_.Add(SmsCommand::Customize, customize);

    auto* central = new QWidget(this);
    auto* rows = new QVBoxLayout(central);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    bar_ = new CSmsSubjectBar(central);
    auto* splitter = new QSplitter(Qt::Horizontal, central);
    tree_ = new CSmsLeftView(directory, splitter);
    editor_ = new CSmsEditView(splitter);
    splitter->addWidget(tree_);
    splitter->addWidget(editor_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kLeftWidth, 600});
    rows->addWidget(bar_);
    rows->addWidget(splitter, 1);
    setCentralWidget(central);
    RestoreCommandBars(*this, SmsText::kBarsProfile);
    resize(800, 500);
}

QAction* CSmsFrm::CommandAction(int id) const
{
    return actions_.Find(id);
}

void CSmsFrm::closeEvent(QCloseEvent* event)
{
    SaveCommandBars(*this, SmsText::kBarsProfile);
    event->accept();
}
