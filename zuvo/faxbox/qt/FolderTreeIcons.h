#pragma once

#include <QIcon>

// The folder tree's nine 16x16 icons, drawn here: 0 an account, 1 to 8 the
// folders of an account in their order (FolderIconIndex).
QIcon FolderTreeIcon(int index);
