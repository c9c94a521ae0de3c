// SPDX-License-Identifier: MIT
#include "ui/frmAbout.h"

namespace alerts::ui {

frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {}

} // namespace alerts::ui
