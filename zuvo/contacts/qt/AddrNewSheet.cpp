// The contact editor's sheet and its four pages.

#include "contacts/qt/AddrNewSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "contacts/AddressBookTexts.h"
#include "core/qt/Prompter.h"

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QDate toQDate(const std::optional<CalendarDate>& date)
{
    return date ? QDate(date->year, date->month, date->day) : QDate::currentDate();
}

} // namespace

CAddrNewSheet::CAddrNewSheet(Mode mode, const StoredCard& card, QWidget* parent) : QDialog(parent), mode_(mode)
{
    setObjectName(QStringLiteral("CAddrNewSheet"));
    setWindowTitle(text(mode == Mode::New ? AddressText::kNewSheetTitle : AddressText::kEditSheetTitle));
    tabs_ = new QTabWidget(this);

    const std::vector<ContactField>& fields = ContactFields();
    fields_.resize(fields.size());
    QWidget* pages[kContactPageCount] = {};
    QGridLayout* grids[kContactPageCount] = {};
    int placed[kContactPageCount] = {};
    for (int p = 0; p < kContactPageCount; ++p) {
        pages[p] = new QWidget(tabs_);
        grids[p] = new QGridLayout(pages[p]);
        grids[p]->setColumnStretch(1, 1);
        grids[p]->setColumnStretch(3, 1);
        tabs_->addTab(pages[p], text(ContactPageTitle(static_cast<ContactPage>(p))));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        FieldState& state = fields_[i];
        state.field = &fields[i];
        const auto found = card.find(fields[i].attribute);
        state.loaded = found == card.end() ? QString() : QString::fromStdString(found->second);
        const int p = static_cast<int>(fields[i].page);
        QWidget* field = makeField(state, pages[p]);
        auto* label = new QLabel(text(fields[i].label), pages[p]);
        label->setBuddy(field);
        const int row = placed[p] / 2, column = (placed[p] % 2) * 2;
        grids[p]->addWidget(label, row, column);
        grids[p]->addWidget(field == birthDay_ ? birthDay_->parentWidget() : field, row, column + 1);
        ++placed[p];
    }
    auto* basic = grids[static_cast<int>(ContactPage::Basic)];
    basic->addWidget(new QLabel(text(AddressText::kRequiredNote), pages[0]), basic->rowCount(), 0, 1, 4);
    for (QGridLayout* grid : grids)
        grid->setRowStretch(grid->rowCount(), 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddrNewSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddrNewSheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    resize(560, 300);
}

QWidget* CAddrNewSheet::makeField(FieldState& state, QWidget* page)
{
    const QString attribute = text(state.field->attribute);
    const QString label = text(state.field->label);
    QWidget* field = nullptr;
    switch (state.field->kind) {
    case FieldKind::Text: {
        auto* edit = new QLineEdit(state.loaded, page);
        state.shown = edit->text();
        field = edit;
        break;
    }
    case FieldKind::Sex: {
        auto* combo = new QComboBox(page);
        combo->setEditable(true);
        for (const char* choice : SexChoices())
            combo->addItem(text(choice));
        combo->setCurrentText(state.loaded);
        connect(combo, &QComboBox::currentTextChanged, this, [&state] { state.touched = true; });
        field = combo;
        break;
    }
    case FieldKind::Date: {
        // A picker with a no-date state: the box says whether there is a date.
        auto* holder = new QWidget(page);
        auto* row = new QHBoxLayout(holder);
        row->setContentsMargins(0, 0, 0, 0);
        birthDayBox_ = new QCheckBox(holder);
        birthDayBox_->setObjectName(QStringLiteral("BirthDayGiven"));
        birthDayBox_->setAccessibleName(label);
        birthDay_ = new QDateEdit(holder);
        birthDay_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        birthDay_->setCalendarPopup(true);
        const std::optional<CalendarDate> date = ParseBirthDay(state.loaded.toStdString());
        birthDayBox_->setChecked(date.has_value());
        birthDay_->setDate(toQDate(date));
        birthDay_->setEnabled(date.has_value());
        row->addWidget(birthDayBox_);
        row->addWidget(birthDay_, 1);
        connect(birthDayBox_, &QCheckBox::toggled, this, [this, &state](bool on) {
            state.touched = true;
            birthDay_->setEnabled(on);
        });
        connect(birthDay_, &QDateEdit::dateChanged, this, [&state] { state.touched = true; });
        field = birthDay_;
        break;
    }
    case FieldKind::TextArea: {
        auto* edit = new QPlainTextEdit(page);
        edit->setPlainText(state.loaded);
        state.shown = edit->toPlainText();
        edit->setTabChangesFocus(true);
        edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 2 + 12);
        field = edit;
        break;
    }
    }
    field->setObjectName(attribute);
    field->setAccessibleName(label);
    state.widget = field;
    return field;
}

QString CAddrNewSheet::textOf(const FieldState& state) const
{
    switch (state.field->kind) {
    case FieldKind::Text: {
        auto* edit = static_cast<QLineEdit*>(state.widget);
        return edit->text() != state.shown ? edit->text() : state.loaded;
    }
    case FieldKind::Sex:
        return state.touched ? static_cast<QComboBox*>(state.widget)->currentText() : state.loaded;
    case FieldKind::Date: {
        if (!state.touched)
            return state.loaded;
        if (!birthDayBox_->isChecked())
            return {};
        const QDate date = birthDay_->date();
        return QString::fromStdString(FormatBirthDay(CalendarDate{date.year(), date.month(), date.day()}));
    }
    case FieldKind::TextArea: {
        auto* edit = static_cast<QPlainTextEdit*>(state.widget);
        return edit->toPlainText() != state.shown ? edit->toPlainText() : state.loaded;
    }
    }
    return {};
}

QString CAddrNewSheet::valueOf(const char* attribute) const
{
    for (const FieldState& state : fields_)
        if (qstrcmp(state.field->attribute, attribute) == 0)
            return textOf(state);
    return {};
}

AddressCard CAddrNewSheet::Card() const
{
    AddressCard card;
    for (const FieldState& state : fields_)
        card[state.field->attribute] = textOf(state).toStdString();
    return card;
}

QWidget* CAddrNewSheet::Field(const QString& attribute) const
{
    for (const FieldState& state : fields_)
        if (state.widget->objectName() == attribute)
            return state.widget;
    return nullptr;
}

void CAddrNewSheet::accept()
{
    if (mode_ == Mode::New) {
        if (valueOf("Name").isEmpty()) {
            // No card without a name: the sheet stays open at that field.
            tabs_->setCurrentIndex(static_cast<int>(ContactPage::Basic));
            Field(QStringLiteral("Name"))->setFocus();
            return;
        }
        if (valueOf("FaxNum").isEmpty() && !CurrentPrompter().Ask(text(AddressText::kNoFaxNumberQuestion))) {
            reject();
            return;
        }
    }
    QDialog::accept();
}
