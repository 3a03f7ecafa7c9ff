#include "compose/qt/WordDialog.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "compose/WordText.h"
#include "core/qt/DialogParts.h"
#include "core/qt/Prompter.h"

namespace {

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// The font the dialog starts with: a 20-pixel cell, 18 pixels wide, normal weight.
MarkupFont InitialFont()
{
    MarkupFont font;
    font.face = "宋体";
    font.height = 20;
    font.width = 18;
    font.weight = 400;
    return font;
}

QPushButton* AddButton(QBoxLayout& row, QWidget* parent, const QString& text, int id)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    row.addWidget(button);
    return button;
}

} // namespace

CWordDialog::CWordDialog(QWidget* parent) : QDialog(parent), markupFont_(InitialFont()), clock_(LocalNow)
{
    setObjectName(QStringLiteral("CWordDialog"));
    setWindowTitle(QStringLiteral("文字批注"));
    font_.setFamily(QString::fromStdString(markupFont_.face));
    font_.setPixelSize(markupFont_.height);

    edit_ = new QTextEdit(this);
    edit_->setObjectName(QString::number(kTextEditId));
    edit_->setAccessibleName(QStringLiteral("批注文字"));
    edit_->setAcceptRichText(false);
    edit_->setTabChangesFocus(true);
    edit_->setFont(font_);

    auto* tools = new QHBoxLayout;
    connect(AddButton(*tools, this, QStringLiteral("字体"), kFontButtonId), &QPushButton::clicked, this,
            &CWordDialog::ChooseFont);
    connect(AddButton(*tools, this, QStringLiteral("日期"), kDateButtonId), &QPushButton::clicked, this,
            [this] { AppendStamp(true); });
    connect(AddButton(*tools, this, QStringLiteral("时间"), kTimeButtonId), &QPushButton::clicked, this,
            [this] { AppendStamp(false); });
    AddButton(*tools, this, QStringLiteral("页眉"), kHeaderButtonId); // has no action
    tools->addStretch();

    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_, 1);
    layout->addLayout(tools);
    layout->addWidget(buttons);
    resize(420, 260);
}

void CWordDialog::ChooseFont()
{
    QFontDialog dialog(font_, this);
    dialog.setWindowTitle(QStringLiteral("字体"));
    if (CurrentPrompter().RunDialog(dialog) != QDialog::Accepted)
        return;
    font_ = dialog.currentFont();
    edit_->setFont(font_);
    const QFontInfo info(font_);
    markupFont_.face = info.family().toStdString();
    markupFont_.height = -info.pixelSize(); // the character height, as a chosen font is described
    markupFont_.width = 0;
    markupFont_.weight = info.weight();
    markupFont_.italic = info.italic();
    const QFontMetrics metrics(font_, this);
    lineHeight_ = metrics.height() + metrics.leading();
    charWidth_ = metrics.averageCharWidth();
}

void CWordDialog::AppendStamp(bool date)
{
    const std::string text = edit_->toPlainText().toStdString();
    const std::tm now = clock_();
    edit_->setPlainText(QString::fromStdString(date ? AppendDate(text, now) : AppendTime(text, now)));
    edit_->moveCursor(QTextCursor::End); // typing goes on after the stamp
}

void CWordDialog::accept()
{
    const std::string text = AnnotationText(edit_->toPlainText().toStdString());
    text_ = QString::fromStdString(text);
    textLength_ = AnnotationTextLength(text);
    QDialog::accept();
}
