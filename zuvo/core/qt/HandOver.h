#pragma once

// The files a start of the program hands to the compose window, and
// addfile.temp, the file in the default account's data directory that
// carries them: one path per line, each line ended by "\n", UTF-8.

#include <QString>
#include <QStringList>

#include <optional>

#include "core/qt/SingleInstance.h"
#include "core/qt/WindowMessage.h"

inline constexpr char kHandOverFileName[] = "addfile.temp";

// The files named by the program's arguments (without the program path),
// each made absolute against workingDirectory (the directory the program was
// started in) when it is relative, so that the instance that opens them finds
// them whatever its own directory. A first argument "#<path>" names a
// scrambled print file: its double quotes are dropped, the file is
// unscrambled in place and is the only file handed over. Otherwise every
// argument is one file.
QStringList HandOverFiles(const QStringList& arguments, const QString& workingDirectory);

// Replaces addfile.temp in `directory` with `files` in one step (a reader
// never sees half a file). false when it cannot be written.
bool WriteHandOverFile(const QString& directory, const QStringList& files);

// The files of addfile.temp in `directory`; empty when there is none.
QStringList ReadHandOverFile(const QString& directory);

// GUI thread: the window that takes a hand-over. An open compose window,
// found by title in the order "撰写传真", "编辑传真", "转发传真", "回复传真",
// gives (2, that window); else the main window gives (1, 0); without a main
// window there is none.
std::optional<HandOverTarget> FindHandOverTarget(WindowId mainWindow);
