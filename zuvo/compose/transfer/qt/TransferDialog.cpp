// The transfer dialogs' window: layout, queued setters and the icon's
// animation from the frames compiled into the program.
#include "compose/transfer/qt/TransferDialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace {

constexpr int kFrames = 32;
constexpr int kIconSize = 64;

QString Shown(const std::string& text)
{
    // The status lines separate their parts with tabs, which a label does not lay out.
    return QString::fromStdString(text).replace(QLatin1Char('\t'), QStringLiteral("    "));
}

} // namespace

TransferDialog::TransferDialog(const QString& title, const QString& iconFolder, WindowId noticeTarget,
                               QWidget* parent)
    : QDialog(parent), noticeTarget_(noticeTarget), iconFolder_(iconFolder)
{
    setWindowTitle(title);
    icon_ = new QLabel(this);
    icon_->setFixedSize(kIconSize, kIconSize);
    icon_->setAccessibleName(QStringLiteral("传输动画"));
    status_ = new QLabel(this);
    stage_ = new QLabel(this);
    file_ = new QLabel(this);
    for (QLabel* text : {status_, stage_, file_})
        text->setMinimumWidth(320);
    status_->setAccessibleName(QStringLiteral("状态"));
    stage_->setAccessibleName(QStringLiteral("阶段"));
    file_->setAccessibleName(QStringLiteral("文件"));
    progress_ = new QProgressBar(this);
    progress_->setRange(1, 100);
    progress_->setAccessibleName(QStringLiteral("进度"));
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    texts_ = new QVBoxLayout;
    texts_->addWidget(status_);
    texts_->addWidget(stage_);
    texts_->addWidget(file_);
    texts_->addWidget(progress_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon_, 0, Qt::AlignTop);
    top->addLayout(texts_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(buttons);
}

TransferDialog::~TransferDialog() = default;

void TransferDialog::ShowStatus(const std::string& text)
{
    QMetaObject::invokeMethod(this, [this, shown = Shown(text)] { status_->setText(shown); }, Qt::QueuedConnection);
}

void TransferDialog::ShowStage(const std::string& text)
{
    QMetaObject::invokeMethod(this, [this, shown = Shown(text)] { stage_->setText(shown); }, Qt::QueuedConnection);
}

void TransferDialog::ShowFile(const std::string& text)
{
    QMetaObject::invokeMethod(this, [this, shown = Shown(text)] { file_->setText(shown); }, Qt::QueuedConnection);
}

void TransferDialog::ShowProgress(int percent)
{
    QMetaObject::invokeMethod(this, [this, percent] { progress_->setValue(percent); }, Qt::QueuedConnection);
}

void TransferDialog::Notice(const std::string& text)
{
    WindowRegistry::Post(noticeTarget_, WM_FAX_POPUP, 0, 0, QString::fromStdString(text));
}

void TransferDialog::End()
{
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void TransferDialog::StartAnimation(int periodMs, int firstFrame)
{
    frame_ = firstFrame;
    AdvanceIcon();
    animation_.start(periodMs, this);
}

void TransferDialog::StopAnimation()
{
    animation_.stop();
}

void TransferDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == animation_.timerId())
        AdvanceIcon();
    else
        QDialog::timerEvent(event);
}

void TransferDialog::AdvanceIcon()
{
    if (frame_ > kFrames || frame_ < 1)
        frame_ = 1;
    const QString file = QStringLiteral(":/transfer/%1/%2.ico").arg(iconFolder_).arg(frame_);
    const QPixmap picture = QIcon(file).pixmap(kIconSize, kIconSize);
    if (!picture.isNull())
        icon_->setPixmap(picture); // a frame that does not load leaves the icon as it was
    ++frame_;
}
