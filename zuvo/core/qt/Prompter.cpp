#include "core/qt/Prompter.h"

#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <functional>
#include <mutex>

namespace {

class MessageBoxPrompter : public Prompter {
public:
    void Inform(const QString& text) override { QMessageBox::information(nullptr, QStringLiteral("ZUVO"), text); }
    bool Ask(const QString& text) override
    {
        return QMessageBox::question(nullptr, QStringLiteral("ZUVO"), text) == QMessageBox::Yes;
    }
};

// Writes every text (and a blank line) instead of showing it; questions are
// answered with no.
class WritingPrompter : public Prompter {
public:
    using Write = std::function<void(const QByteArray&)>;
    explicit WritingPrompter(Write write) : write_(std::move(write)) {}
    void Inform(const QString& text) override { write_(text.toUtf8() + "\n\n"); }
    bool Ask(const QString& text) override
    {
        write_(text.toUtf8() + "\n\n");
        return false;
    }

private:
    Write write_;
};

void appendToFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::Append)) {
        file.write(bytes);
    }
}

// A platform without a screen shows no window that anybody could answer.
bool withoutScreen()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

std::mutex& prompterLock()
{
    static std::mutex lock;
    return lock;
}

std::unique_ptr<Prompter>& installed()
{
    static std::unique_ptr<Prompter> prompter;
    return prompter;
}

} // namespace

Prompter& CurrentPrompter()
{
    static MessageBoxPrompter messageBoxes;
    std::lock_guard guard(prompterLock());
    Prompter* prompter = installed().get();
    return prompter != nullptr ? *prompter : messageBoxes;
}

std::unique_ptr<Prompter> InstallPrompter(std::unique_ptr<Prompter> prompter)
{
    std::lock_guard guard(prompterLock());
    std::swap(installed(), prompter);
    return prompter;
}

void InstallPrompterFromEnvironment()
{
    const QString path = qEnvironmentVariable("ZUVO_PROMPT_LOG");
    if (!path.isEmpty()) {
        InstallPrompter(std::make_unique<WritingPrompter>([path](const QByteArray& bytes) { appendToFile(path, bytes); }));
    } else if (withoutScreen()) {
        InstallPrompter(std::make_unique<WritingPrompter>([](const QByteArray& bytes) {
            std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
        }));
    }
}

void ShowMessage(const QString& text)
{
    CurrentPrompter().Inform(text);
}
