#include "core/qt/Prompter.h"

#include <QFile>
#include <QMessageBox>

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

class FilePrompter : public Prompter {
public:
    explicit FilePrompter(QString path) : path_(std::move(path)) {}
    void Inform(const QString& text) override { Append(text); }
    bool Ask(const QString& text) override
    {
        Append(text);
        return false;
    }

private:
    void Append(const QString& text)
    {
        QFile file(path_);
        if (file.open(QIODevice::Append)) {
            file.write(text.toUtf8() + "\n\n");
        }
    }
    QString path_;
};

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
        InstallPrompter(std::make_unique<FilePrompter>(path));
    }
}

void ShowMessage(const QString& text)
{
    CurrentPrompter().Inform(text);
}
