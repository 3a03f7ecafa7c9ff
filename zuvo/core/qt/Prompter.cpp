#include "core/qt/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <functional>
#include <mutex>

namespace {

const QString kTitle = QStringLiteral("ZUVO");

// The request as a modal Qt file dialog.
std::optional<ChosenFile> runFileDialog(const FileRequest& request)
{
    QFileDialog dialog(nullptr);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    // The labels already name their patterns; the case variants stay hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setDefaultSuffix(request.defaultExtension);

    const QList<FileFilter> filters = ParseFileFilter(request.filter);
    QStringList nameFilters;
    for (const FileFilter& filter : filters)
        nameFilters.push_back(QtNameFilter(filter));
    if (!nameFilters.isEmpty())
        dialog.setNameFilters(nameFilters);

    if (!request.initialPath.isEmpty()) {
        const QFileInfo start(request.initialPath);
        if (start.isDir()) {
            dialog.setDirectory(request.initialPath);
        } else {
            if (!start.path().isEmpty() && start.dir().exists())
                dialog.setDirectory(start.path());
            // A pattern such as "*.index" is a filter, not a name to offer.
            if (!start.fileName().contains(QLatin1Char('*')))
                dialog.selectFile(start.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // With the details hidden the dialog names the chosen filter by its label.
    const QString selected = dialog.selectedNameFilter();
    int chosenFilter = 0;
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (selected == nameFilters[i] || selected == filters[i].label)
            chosenFilter = static_cast<int>(i);
    return ChosenFile{dialog.selectedFiles().front(), chosenFilter};
}

class MessageBoxPrompter : public Prompter {
public:
    void Inform(const QString& text) override { QMessageBox::information(nullptr, kTitle, text); }
    bool Ask(const QString& text) override { return QMessageBox::question(nullptr, kTitle, text) == QMessageBox::Yes; }
    PromptAnswer AskYesNoCancel(const QString& text) override
    {
        switch (QMessageBox::question(nullptr, kTitle, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                      QMessageBox::Yes)) {
        case QMessageBox::Yes: return PromptAnswer::Yes;
        case QMessageBox::No: return PromptAnswer::No;
        default: return PromptAnswer::Cancel;
        }
    }
    std::optional<ChosenFile> ChooseFile(const FileRequest& request) override { return runFileDialog(request); }
};

// Writes every text (and a blank line) instead of showing it; questions are
// answered with no, three-way questions with Cancel, and file dialogs are
// cancelled, so that nothing is dropped or overwritten unasked.
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
    PromptAnswer AskYesNoCancel(const QString& text) override
    {
        write_(text.toUtf8() + "\n\n");
        return PromptAnswer::Cancel;
    }
    std::optional<ChosenFile> ChooseFile(const FileRequest& request) override
    {
        write_(QStringLiteral("%1: %2").arg(request.save ? QStringLiteral("save") : QStringLiteral("open"), request.filter)
                   .toUtf8() + "\n\n");
        return std::nullopt;
    }
    int RunDialog(QDialog& dialog) override
    {
        write_(dialog.windowTitle().toUtf8() + "\n\n");
        return QDialog::Rejected;
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

QList<FileFilter> ParseFileFilter(const QString& filter)
{
    const QStringList fields = filter.split(QLatin1Char('|'));
    QList<FileFilter> entries;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        const QString label = fields[i].trimmed();
        if (label.isEmpty())
            break;
        QStringList patterns;
        for (const QString& pattern : fields[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!pattern.trimmed().isEmpty())
                patterns.push_back(pattern.trimmed());
        if (!patterns.isEmpty())
            entries.push_back({label, patterns});
    }
    return entries;
}

QString QtNameFilter(const FileFilter& filter)
{
    QStringList spellings;
    for (const QString& pattern : filter.patterns)
        for (const QString& spelling : {pattern, pattern.toLower(), pattern.toUpper()})
            if (!spellings.contains(spelling))
                spellings.push_back(spelling);
    return filter.label + QStringLiteral(" (") + spellings.join(QLatin1Char(' ')) + QLatin1Char(')');
}

int Prompter::RunDialog(QDialog& dialog)
{
    return dialog.exec();
}

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
