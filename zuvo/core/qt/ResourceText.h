#pragma once

// The string table's texts as QString, for the windows.

#include <QString>

#include "res/StringTable.h"

inline QString LoadText(unsigned id)
{
    const std::string_view text = LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
