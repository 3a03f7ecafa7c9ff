#pragma once

#include "compose/seals/qt/SealContext.h"

class QWidget;

// The main frame's e-seal command: the seal password dialog, and when it
// ends with OK the seal manager for managing ("退出"). Both run through the
// prompter.
void RunSealManagement(QWidget* parent, const SealContext& context);
