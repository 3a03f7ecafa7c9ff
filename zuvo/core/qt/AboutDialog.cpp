#include "core/qt/AboutDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "textcodec/Gbk.h"

namespace {

constexpr char kPlacementKey[] = "CAboutDlg/Geometry";

// about.txt is read as UTF-8, or as GBK (the encoding of the installation's
// other files) when it is not valid UTF-8.
QString decodeLine(const QByteArray& line)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(line);
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromStdString(TextCodec::gbkToUtf8(line.toStdString()).text);
}

} // namespace

QString LoadAboutText(const QString& directory)
{
    QFile file(QDir(directory).filePath(QStringLiteral("about.txt")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString text;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) {
            line.chop(1);
        }
        text += decodeLine(line) + QStringLiteral("\r\n");
    }
    return text;
}

CAboutDlg::CAboutDlg(const QString& programDirectory, QWidget* parent) : QDialog(parent), text_(this)
{
    setWindowTitle(QStringLiteral("关于 ZUVO"));
    text_.setReadOnly(true);
    text_.setPlainText(LoadAboutText(programDirectory));
    auto layout = std::make_unique<QVBoxLayout>();
    layout->addWidget(&text_);
    auto buttons = std::make_unique<QDialogButtonBox>(QDialogButtonBox::Ok);
    connect(buttons.get(), &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons.release());
    setLayout(layout.release());
    restoreGeometry(QSettings().value(QLatin1String(kPlacementKey)).toByteArray());
}

CAboutDlg::~CAboutDlg()
{
    QSettings().setValue(QLatin1String(kPlacementKey), saveGeometry());
}
