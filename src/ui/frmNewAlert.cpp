// SPDX-License-Identifier: MIT
#include "ui/frmNewAlert.h"

namespace alerts::ui {

frmNewAlert::frmNewAlert(QWidget* parent) : QWidget(parent), lblAlert(new QLabel(this)) {
    lblAlert->setObjectName(QStringLiteral("lblAlert"));
    lblAlert->setTextFormat(Qt::PlainText);
}

void frmNewAlert::setAlertText(const QString& text) {
    lblAlert->setText(text);
}

QString frmNewAlert::alertText() const {
    return lblAlert->text();
}

void frmNewAlert::rise() {}

} // namespace alerts::ui
