#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

#include <ctime>
#include <functional>

#include "pixmend/ImageMarkup.h"

class QTextEdit;

// "文字批注": the text that the page editor writes onto a page. The user
// types it, picks its font ("字体", through the prompter) and may append
// the date ("日期") or the time ("时间"). After OK the caller reads the
// text, its font as a MarkupFont and the font's metrics.
class CWordDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 153;
    static constexpr int kTextEditId = 1013;
    static constexpr int kFontButtonId = 1014;
    static constexpr int kDateButtonId = 1183;
    static constexpr int kTimeButtonId = 1182;
    static constexpr int kHeaderButtonId = 1184;

    using Clock = std::function<std::tm()>;

    explicit CWordDialog(QWidget* parent = nullptr);

    // The text after OK ("请输入文本" when none was typed); "" before.
    QString Text() const { return text_; }
    MarkupFont Font() const { return markupFont_; }
    QFont DisplayFont() const { return font_; }
    // Line height (text height plus leading) and average character width
    // of the chosen font in pixels; 30 and 26 until a font is chosen.
    int GetLineHeight() const { return lineHeight_; }
    int GetCharWidth() const { return charWidth_; }
    // The text's length in GBK bytes, set on OK.
    int GetTextLength() const { return textLength_; }

    // The local time the date and time buttons read (the clock unless a
    // test fixes it).
    void SetClock(Clock clock) { clock_ = std::move(clock); }

public slots:
    void accept() override;

private:
    void ChooseFont();
    void AppendStamp(bool date);

    QFont font_;
    MarkupFont markupFont_;
    QString text_;
    int textLength_ = 0;
    int lineHeight_ = 30;
    int charWidth_ = 26;
    Clock clock_;
    QTextEdit* edit_ = nullptr;
};
