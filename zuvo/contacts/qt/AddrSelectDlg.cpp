// The recipient picker dialog: folder combo, card list, the To and CC lists
// with their buttons; every change goes through RecipientPicker.

#include "contacts/qt/AddrSelectDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/frame/StatusTexts.h"
#include "core/qt/Prompter.h"
#include "res/StringTable.h"

namespace {

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

std::string AllFoldersText()
{
    return IsChineseLanguage(LoadString(IDS_LANGUAGE)) ? PickerText::kAllChinese : PickerText::kAllEnglish;
}

void ReportRepeat(const std::string&)
{
    ShowMessage(Text(PickerText::kRepeated));
}

} // namespace

CAddrSelectDlg::CAddrSelectDlg(const QString& directory, QWidget* parent)
    : QDialog(parent), picker_(directory.toStdString(), AllFoldersText())
{
    setObjectName(QStringLiteral("CAddrSelectDlg"));
    setWindowTitle(Text(PickerText::kTitle));

    auto* folderLabel = new QLabel(Text(PickerText::kFolderLabel), this);
    folders_ = new QComboBox(this);
    folders_->setObjectName(QStringLiteral("Folders"));
    folders_->setEditable(true);
    folders_->setInsertPolicy(QComboBox::NoInsert);
    folders_->setAccessibleName(Text(PickerText::kFolderLabel));
    folderLabel->setBuddy(folders_);
    for (const std::string& name : picker_.FolderNames())
        folders_->addItem(Text(name));

    cards_ = new QTreeWidget(this);
    cards_->setObjectName(QStringLiteral("Cards"));
    cards_->setAccessibleName(Text(PickerText::kFaxColumn));
    cards_->setRootIsDecorated(false);
    cards_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    cards_->setSelectionBehavior(QAbstractItemView::SelectRows);
    cards_->setHeaderLabels({Text(PickerText::kNameColumn), Text(PickerText::kFaxColumn),
                             Text(PickerText::kCompanyColumn)});
    cards_->header()->setSectionsMovable(true);
    cards_->setColumnWidth(0, 100);
    cards_->setColumnWidth(1, 170);
    cards_->setColumnHidden(2, true); // the company rides along unseen

    const struct {
        Button which;
        const char* text;
        const char* name;
    } buttonTexts[] = {
        {Button::AddTo, "->", "添加到收件人"},     {Button::RemoveTo, "<-", "从收件人删除"},
        {Button::AddAllTo, "->>", "全部添加到收件人"}, {Button::AddCc, "->", "添加到抄送"},
        {Button::RemoveCc, "<-", "从抄送删除"},    {Button::AddAllCc, "->>", "全部添加到抄送"},
    };
    for (const auto& b : buttonTexts) {
        QPushButton* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setAccessibleName(Text(b.name));
        button->setToolTip(Text(b.name));
        button->setAutoDefault(false);
        buttons_[static_cast<int>(b.which)] = button;
    }
    connect(ButtonOf(Button::AddTo), &QPushButton::clicked, this, [this] { AddSelected(true); });
    connect(ButtonOf(Button::AddCc), &QPushButton::clicked, this, [this] { AddSelected(false); });
    connect(ButtonOf(Button::RemoveTo), &QPushButton::clicked, this, [this] { Remove(true); });
    connect(ButtonOf(Button::RemoveCc), &QPushButton::clicked, this, [this] { Remove(false); });
    connect(ButtonOf(Button::AddAllTo), &QPushButton::clicked, this, [this] { AddAll(true); });
    connect(ButtonOf(Button::AddAllCc), &QPushButton::clicked, this, [this] { AddAll(false); });

    toList_ = new QListWidget(this);
    toList_->setObjectName(QStringLiteral("ToList"));
    toList_->setAccessibleName(Text(PickerText::kToCaption));
    ccList_ = new QListWidget(this);
    ccList_->setObjectName(QStringLiteral("CcList"));
    ccList_->setAccessibleName(Text(PickerText::kCcCaption));

    auto* lists = new QGridLayout;
    const auto addSide = [&](int row, const char* caption, QListWidget* list, Button add, Button remove,
                             Button addAll) {
        auto* label = new QLabel(Text(caption), this);
        label->setBuddy(list);
        auto* column = new QVBoxLayout;
        column->addStretch();
        for (Button b : {add, remove, addAll})
            column->addWidget(ButtonOf(b));
        column->addStretch();
        lists->addLayout(column, row * 2 + 1, 0);
        lists->addWidget(label, row * 2, 1);
        lists->addWidget(list, row * 2 + 1, 1);
    };
    addSide(0, PickerText::kToCaption, toList_, Button::AddTo, Button::RemoveTo, Button::AddAllTo);
    addSide(1, PickerText::kCcCaption, ccList_, Button::AddCc, Button::RemoveCc, Button::AddAllCc);

    auto* top = new QHBoxLayout;
    top->addWidget(folderLabel);
    top->addWidget(folders_, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(cards_, 3);
    middle->addLayout(lists, 2);
    auto* okCancel = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(okCancel, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(okCancel, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(okCancel);
    resize(640, 420);

    folders_->setCurrentIndex(picker_.AllIndex());
    connect(folders_, &QComboBox::currentIndexChanged, this, &CAddrSelectDlg::RefillCards);
    connect(cards_, &QTreeWidget::itemDoubleClicked, this, &CAddrSelectDlg::AddFirstSelectedToTo);
    // Enter in the combo's text or on the card list is theirs: it refills
    // or adds, and does not close the dialog.
    folders_->lineEdit()->installEventFilter(this);
    cards_->installEventFilter(this);
    RefillCards();
}

bool CAddrSelectDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == folders_->lineEdit()) {
                RefillCards();
                return true;
            }
            if (watched == cards_) {
                AddFirstSelectedToTo();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CAddrSelectDlg::SetPrefill(const QString& to, const QString& cc)
{
    picker_.PrefillTo(to.toStdString());
    picker_.PrefillCc(cc.toStdString());
    ShowLists();
}

QString CAddrSelectDlg::GetToList() const
{
    return Text(picker_.GetToList());
}

QString CAddrSelectDlg::GetCcList() const
{
    return Text(picker_.GetCcList());
}

void CAddrSelectDlg::RefillCards()
{
    const QString text = folders_->currentText();
    if (text.isEmpty())
        return;
    shown_ = picker_.Cards(picker_.FolderIndexOf(text.toStdString(), folders_->currentIndex()));
    cards_->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(shown_.size()));
    for (const PickerCard& card : shown_) {
        auto* row = new QTreeWidgetItem({Text(card.name), Text(card.faxNumber), Text(card.company)});
        row->setIcon(0, icon);
        rows.push_back(row);
    }
    cards_->addTopLevelItems(rows);
}

std::vector<PickerCard> CAddrSelectDlg::SelectedCards() const
{
    std::vector<PickerCard> selected;
    for (int row = 0; row < cards_->topLevelItemCount() && row < static_cast<int>(shown_.size()); ++row)
        if (cards_->topLevelItem(row)->isSelected())
            selected.push_back(shown_[row]);
    return selected;
}

void CAddrSelectDlg::AddSelected(bool toRecipients)
{
    const std::vector<PickerCard> selected = SelectedCards();
    if (toRecipients)
        picker_.AddToTo(selected, ReportRepeat);
    else
        picker_.AddToCc(selected, ReportRepeat);
    ShowLists();
}

void CAddrSelectDlg::AddFirstSelectedToTo()
{
    std::vector<PickerCard> selected = SelectedCards();
    if (selected.empty())
        return;
    selected.resize(1);
    picker_.AddToTo(selected, ReportRepeat);
    ShowLists();
}

void CAddrSelectDlg::AddAll(bool toRecipients)
{
    if (toRecipients)
        picker_.AddToTo(shown_, nullptr);
    else
        picker_.AddToCc(shown_, nullptr);
    ShowLists();
}

void CAddrSelectDlg::Remove(bool toRecipients)
{
    QListWidget* list = toRecipients ? toList_ : ccList_;
    const int row = list->currentRow();
    if (row < 0 || !list->currentItem()->isSelected())
        return;
    if (toRecipients)
        picker_.RemoveTo(row);
    else
        picker_.RemoveCc(row);
    ShowLists();
}

void CAddrSelectDlg::ShowLists()
{
    for (QListWidget* list : {toList_, ccList_}) {
        const std::vector<std::string>& entries = list == toList_ ? picker_.To() : picker_.Cc();
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(entries.size()));
        for (const std::string& entry : entries)
            texts.push_back(Text(entry));
        list->clear();
        list->addItems(texts);
    }
}
