#include "core/qt/QtTranslations.h"

#include "jotter/Jotter.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

QLocale QtTextsLocale(const QLocale& user)
{
    if (user.language() == QLocale::Chinese)
        return user;
    return QLocale(QLocale::Chinese, QLocale::China);
}

bool InstallQtTranslations(QCoreApplication& application)
{
    const QLocale locale = QtTextsLocale(QLocale::system());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator.get())) {
        cpLog(kLogFailure, "no Qt translation for %s in %s; Qt's own texts stay in English",
              locale.name().toUtf8().constData(), folder.toUtf8().constData());
        return false;
    }
    translator.release()->setParent(&application);  // the application owns it now
    return true;
}
