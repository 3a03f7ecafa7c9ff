#pragma once

// Pieces that the program's small dialogs share.

#include <QString>

class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QWidget;

// The dialog's "确定" and "取消" buttons, connected to its accept() and
// reject() (its own overrides, when it has them).
QDialogButtonBox* MakeOkCancelButtons(QDialog& dialog);

// A masked password field named after its control id, with its label as
// its accessible name.
QLineEdit* MakePasswordEdit(QWidget& parent, const QString& label, int id);
