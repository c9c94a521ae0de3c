// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

namespace alerts::ui {

// The About window.
class frmAbout final : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

signals:
    // OK or the close box: the owner unloads the window.
    void unloadRequested();
};

} // namespace alerts::ui
