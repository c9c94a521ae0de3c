// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>
#include <QWidget>

namespace alerts::ui {

// The alert popup.
class frmNewAlert final : public QWidget {
    Q_OBJECT
public:
    explicit frmNewAlert(QWidget* parent = nullptr);
    void setAlertText(const QString& text);
    [[nodiscard]] QString alertText() const;
    void rise();

private:
    QLabel* lblAlert = nullptr;
};

} // namespace alerts::ui
