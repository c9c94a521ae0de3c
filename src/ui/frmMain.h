// SPDX-License-Identifier: MIT
#pragma once

#include "core/alert.h"
#include "core/assembly.h"
#include "core/watchdog.h"
#include "net/ServerConnection.h"
#include "platform/sound/AlertSound.h"
#include "platform/tray/TrayIcon.h"
#include "ui/WindowInstance.h"
#include "ui/frmAbout.h"
#include "ui/frmNewAlert.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QMenu>
#include <QNetworkInformation>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

namespace alerts::ui {

struct ServerEndpoint {
    QString host;
    QString port;
};

// The endpoint fixed at build time.
ServerEndpoint defaultServerEndpoint();

// The main window: owns the connection, its two timers, the alert options, the
// tray presence and the other two windows.
class frmMain final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWatchdogIntervalMs = 10000; // Timer1
    static constexpr int kConfirmIntervalMs = 100;    // Timer4
    // How long a minimise the window system reports must hold before the window
    // goes to the tray: window managers pass through the minimised state for a
    // moment while they frame or activate a window (mutter: WM_STATE 1, 3, 1).
    static constexpr int kMinimiseSettleMs = 250;

    explicit frmMain(ServerEndpoint endpoint = defaultServerEndpoint(),
                     std::unique_ptr<platform::AlertSound> sound = nullptr,
                     QWidget* parent = nullptr);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Handlers, public so that tests can drive them as the event loop would.
    void Timer1_Timer();
    void Timer4_Timer();
    // Raised by the system's network information, where it has some.
    void Network_ReachabilityChanged(QNetworkInformation::Reachability reachability);
    // The same two handlers with the clocks read at the time.
    void Timer1_Timer(const core::ClockReading& clocks);
    void Network_ReachabilityChanged(QNetworkInformation::Reachability reachability,
                                     const core::ClockReading& clocks);
    void sckConnect_DataArrival(const QByteArray& bytes);
    void cmdHide_Click();
    void cmdExit_Click();
    void mnuOpen_Click();
    void mnuAbout_Click();
    void mnuExit_Click();
    // The window system's minimise has held: the window goes to the tray.
    void Settle_Timer();

    [[nodiscard]] Ui::frmMain& controls() { return m_ui; }
    [[nodiscard]] const QTimer& timer1() const { return Timer1; }
    [[nodiscard]] const QTimer& timer4() const { return Timer4; }
    [[nodiscard]] const QTimer& settleTimer() const { return m_minimiseSettle; }
    [[nodiscard]] const net::ServerConnection& connection() const { return sckConnect; }
    [[nodiscard]] WindowInstance<frmNewAlert>& newAlert() { return m_newAlert; }
    [[nodiscard]] WindowInstance<frmAbout>& about() { return m_about; }
    [[nodiscard]] QMenu& trayMenu() { return mnuSystray; }
    [[nodiscard]] platform::TrayIcon& trayIcon() { return m_tray; }
    [[nodiscard]] bool isUnloaded() const { return m_unloaded; }

    // The siren beside the program: <program folder>/Media/siren.wav.
    static QString sirenPath();

signals:
    // The window is gone; the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
    // Once the window has been drawn for the first time: the icon's enlargement,
    // the system's network backend (and Qt D-Bus with it), the watch on the tray
    // hosts and the sound player load.
    void Form_Shown();
    void watchNetwork();
    void Form_Resize(bool byWindowSystem);
    void toTray();
    void fitCaptions();
    void Form_Unload();
    void unloadMain();
    void optionClicked(core::AlertOption option);
    void run(std::span<const core::ConnectionStep> steps);
    [[nodiscard]] core::AlertOptions options() const;
    void setOptions(const core::AlertOptions& options);
    void showPopup(const std::string& line);

    ServerEndpoint m_endpoint;
    std::unique_ptr<platform::AlertSound> m_sound;
    core::RecordAssembler m_assembler;
    // The clocks when the connection was last checked or renewed.
    std::optional<core::ClockReading> m_lastClocks;
    bool m_online = false;

    // Controls in design order; the visible ones come from the .ui design.
    QTimer Timer1;
    QTimer Timer4;
    QTimer m_minimiseSettle;
    net::ServerConnection sckConnect;
    Ui::frmMain m_ui{};
    QMenu mnuSystray;
    QAction* mnuOpen = nullptr;
    QMenu* mnuAboutMenu = nullptr;
    QAction* mnuExit = nullptr;

    WindowInstance<frmNewAlert> m_newAlert;
    WindowInstance<frmAbout> m_about;
    platform::TrayIcon m_tray;
    bool m_unloaded = false;
    // "Open/Restore" asked for the window: the icon stays until it is on screen.
    bool m_restoring = false;
    // "Hide" was pressed and the window is on its way to the tray.
    bool m_hiding = false;
    std::array<int, 4> m_designedBoxWidths{};
    bool m_painted = false;
    bool m_iconEnlarged = false;
};

} // namespace alerts::ui
