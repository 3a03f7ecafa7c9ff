#pragma once

#include <QLocale>

class QCoreApplication;

// Qt's own texts (message-box buttons, the standard dialogs' labels) in the
// language of the program's texts, from Qt's installed translations
// (qttranslations: qtbase_<locale>.qm under QLibraryInfo::TranslationsPath).

// The locale whose Qt translation is loaded: the user's when it is a Chinese
// one (so 繁體 users get theirs), else Chinese (China), the language every
// text of the program is in.
QLocale QtTextsLocale(const QLocale& user);

// Loads and installs the translation for QtTextsLocale(QLocale::system())
// into the application, which owns it. False (logged) when none is
// installed on this system; Qt's English texts then stay.
bool InstallQtTranslations(QCoreApplication& application);
