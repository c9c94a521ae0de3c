// SPDX-License-Identifier: MIT
#include "ui/frmMain.h"

#include "BuildConfig.h"
#include "core/codepage.h"
#include "core/record.h"
#include "platform/look/ClassicFont.h"
#include "platform/look/ProgramIcon.h"
#include "platform/session/Clocks.h"
#include "platform/session/NetworkInformation.h"
#include "platform/tray/OpenMenus.h"
#include "platform/tray/UserTime.h"
#include "ui/FormTimer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace alerts::ui {

namespace {

// The popup's message area holds about five lines; a longer text is cut off there
// anyway, so only this much of a line is ever decoded and handed to the label.
constexpr std::size_t kShownCharacters = 1024;

QString shownText(std::string_view line) {
    return QString::fromStdU16String(core::decodeWindows1252(line.substr(0, kShownCharacters)));
}

} // namespace

ServerEndpoint defaultServerEndpoint() {
    return {QString::fromLatin1(config::kServerHost), QString::fromLatin1(config::kServerPort)};
}

frmMain::frmMain(ServerEndpoint endpoint, std::unique_ptr<platform::AlertSound> sound,
                 QWidget* parent)
    : QWidget(parent), m_endpoint(std::move(endpoint)), m_sound(std::move(sound)), m_about([this] {
          auto about = std::make_unique<frmAbout>();
          // OK and the close box unload the window; the program goes on.
          connect(about.get(), &frmAbout::unloadRequested, this, [this] { m_about.unload(); });
          return about;
      }) {
    if (!m_sound) {
        m_sound = platform::systemAlertSound();
    }
    setFont(platform::classicFont());
    m_ui.setupUi(this);
    // On a screen at 100 % the window comes up with its 32 px picture alone: the
    // enlargement is a second picture to decode and a quarter megabyte more for
    // the window system and the window manager to take in on the way to the
    // window. It follows once the window is up (Form_Shown).
    m_iconEnlarged = devicePixelRatio() > 1;
    setWindowIcon(platform::programIcon(m_iconEnlarged));
    // A fixed single border: a title bar with a minimise button, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    const std::array boxes{m_ui.chkShow, m_ui.chkBoth, m_ui.chkSound, m_ui.chkDisable};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        m_designedBoxWidths.at(i) = boxes.at(i)->width();
    }
    fitCaptions();

    initTimer(Timer1, kWatchdogIntervalMs, true);
    initTimer(Timer4, kConfirmIntervalMs, false);
    connect(&Timer1, &QTimer::timeout, this, qOverload<>(&frmMain::Timer1_Timer));
    connect(&Timer4, &QTimer::timeout, this, &frmMain::Timer4_Timer);
    m_minimiseSettle.setSingleShot(true);
    m_minimiseSettle.setInterval(kMinimiseSettleMs);
    connect(&m_minimiseSettle, &QTimer::timeout, this, &frmMain::Settle_Timer);
    connect(&sckConnect, &net::ServerConnection::dataArrived, this,
            &frmMain::sckConnect_DataArrival);

    // "Connect" only shows the state; it has no action of its own.
    connect(m_ui.cmdHide, &QPushButton::clicked, this, &frmMain::cmdHide_Click);
    connect(m_ui.cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    // clicked() comes from the user alone: values set by code run no click handling.
    connect(m_ui.chkShow, &QCheckBox::clicked, this,
            [this] { optionClicked(core::AlertOption::Show); });
    connect(m_ui.chkBoth, &QCheckBox::clicked, this,
            [this] { optionClicked(core::AlertOption::Both); });
    connect(m_ui.chkSound, &QCheckBox::clicked, this,
            [this] { optionClicked(core::AlertOption::Sound); });
    connect(m_ui.chkDisable, &QCheckBox::clicked, this,
            [this] { optionClicked(core::AlertOption::Disable); });

    // The hidden menu the tray icon opens: "Open/Restore", and "About" holding "Exit".
    mnuSystray.setTitle(QStringLiteral("Systray"));
    mnuOpen = mnuSystray.addAction(QStringLiteral("Open/Restore"));
    mnuAboutMenu = mnuSystray.addMenu(QStringLiteral("About"));
    mnuExit = mnuAboutMenu->addAction(QStringLiteral("Exit"));
    connect(mnuOpen, &QAction::triggered, this, &frmMain::mnuOpen_Click);
    connect(mnuAboutMenu, &QMenu::aboutToShow, this, &frmMain::mnuAbout_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);

    m_tray.setIcon(windowIcon());
    m_tray.setToolTip(windowTitle());
    m_tray.setMenu(&mnuSystray);

    m_ui.chkShow->setFocus();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    m_lastClocks = platform::readClocks();
    run(core::openConnection());
    m_ui.chkBoth->setChecked(true);
}

void frmMain::run(std::span<const core::ConnectionStep> steps) {
    using enum core::ConnectionStep;
    for (const core::ConnectionStep step : steps) {
        switch (step) {
        case DisableConfirmTimer:
            setTimerEnabled(Timer4, false);
            break;
        case EnableConfirmTimer:
            setTimerEnabled(Timer4, true);
            break;
        case ShowConnected:
            m_ui.lblConnected->setText(QString::fromLatin1(core::kLabelConnected));
            break;
        case ShowDisconnected:
            m_ui.lblConnected->setText(QString::fromLatin1(core::kLabelDisconnected));
            break;
        case EnableConnectButton:
            m_ui.cmdConnect->setEnabled(true);
            break;
        case DisableConnectButton:
            m_ui.cmdConnect->setEnabled(false);
            break;
        case CloseSocket:
            sckConnect.close();
            break;
        case Connect:
            sckConnect.connectToServer(m_endpoint.host, m_endpoint.port);
            break;
        }
    }
}

void frmMain::Timer1_Timer() {
    Timer1_Timer(platform::readClocks());
}

void frmMain::Timer1_Timer(const core::ClockReading& clocks) {
    const bool slept = core::sleptBetween(m_lastClocks, clocks);
    m_lastClocks = clocks;
    run(core::watchdogTick(sckConnect.confirmConnected(), slept));
}

void frmMain::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_restoring && !isMinimized()) {
        // Back on the screen: only now is the icon no longer the way back.
        m_restoring = false;
        m_tray.remove();
    }
    if (!m_painted) {
        m_painted = true;
        // The window is on the screen: what is not needed to show it loads now,
        // in the next round of the event loop, not on the way to it.
        QMetaObject::invokeMethod(this, &frmMain::Form_Shown, Qt::QueuedConnection);
    }
}

void frmMain::Form_Shown() {
    if (!m_iconEnlarged) {
        m_iconEnlarged = true;
        setWindowIcon(platform::programIcon());
        m_tray.setIcon(windowIcon());
    }
    watchNetwork();
    m_tray.watchHosts();
    m_sound->prepare();
}

void frmMain::watchNetwork() {
    if (QNetworkInformation* network = platform::networkInformation()) {
        m_online = network->reachability() == QNetworkInformation::Reachability::Online;
        connect(
            network, &QNetworkInformation::reachabilityChanged, this,
            qOverload<QNetworkInformation::Reachability>(&frmMain::Network_ReachabilityChanged));
    }
}

void frmMain::Network_ReachabilityChanged(QNetworkInformation::Reachability reachability) {
    Network_ReachabilityChanged(reachability, platform::readClocks());
}

void frmMain::Network_ReachabilityChanged(QNetworkInformation::Reachability reachability,
                                          const core::ClockReading& clocks) {
    const bool wasOnline =
        std::exchange(m_online, reachability == QNetworkInformation::Reachability::Online);
    const auto steps = core::networkChange(wasOnline, m_online);
    if (!steps.empty()) {
        // A sleep before this change is dealt with: the watchdog measures from here
        // and leaves the new connection alone.
        m_lastClocks = clocks;
    }
    run(steps);
}

void frmMain::Timer4_Timer() {
    run(core::connectConfirmTick(sckConnect.isConnected()));
}

void frmMain::sckConnect_DataArrival(const QByteArray& bytes) {
    const std::optional<core::TournamentRecord> record = m_assembler.arrive(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        core::RecordAssembler::Clock::now());
    if (!record) {
        return;
    }
    const core::AlertChoice choice = core::chooseAlert(options());
    if (choice.popup) {
        showPopup(core::composeAnnouncement(*record));
    }
    if (choice.sound) {
        m_sound->play(sirenPath());
    }
}

void frmMain::showPopup(const std::string& line) {
    frmNewAlert& popup = m_newAlert.show();
    popup.setAlertText(shownText(line));
    popup.rise();
}

QString frmMain::sirenPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Media/siren.wav");
}

core::AlertOptions frmMain::options() const {
    return {.show = m_ui.chkShow->isChecked(),
            .both = m_ui.chkBoth->isChecked(),
            .sound = m_ui.chkSound->isChecked(),
            .disable = m_ui.chkDisable->isChecked()};
}

void frmMain::setOptions(const core::AlertOptions& options) {
    m_ui.chkShow->setChecked(options.show);
    m_ui.chkBoth->setChecked(options.both);
    m_ui.chkSound->setChecked(options.sound);
    m_ui.chkDisable->setChecked(options.disable);
}

void frmMain::optionClicked(core::AlertOption option) {
    // The box has already toggled itself; clear the other three.
    setOptions(core::afterClick(options(), option));
}

void frmMain::cmdHide_Click() {
    m_hiding = true;
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
        fitCaptions();
        return;
    }
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    // Hidden in the tray, the window stays minimised whatever the window system
    // says of it: Qt on Wayland reports a window it has just hidden as no longer
    // minimised, which would take the icon away and leave no way back.
    if (event->spontaneous() && !isVisible() && !isMinimized() && m_tray.isPresent()) {
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    Form_Resize(event->spontaneous());
}

void frmMain::Form_Resize(bool byWindowSystem) {
    if (!isMinimized()) {
        m_minimiseSettle.stop();
        // Restoring, the icon goes once the window is back on the screen
        // (paintEvent): one the window manager does not bring back keeps its way back.
        if (!m_restoring) {
            m_tray.remove();
        }
        return;
    }
    if (byWindowSystem) {
        // The user's minimise holds; the window manager's passing one is over
        // before the timer ends, and the window stays where it is.
        m_minimiseSettle.start();
        return;
    }
    // "Hide": leave the event that minimised the window before hiding it; hiding
    // inside a window-state change confuses some window managers.
    QMetaObject::invokeMethod(this, &frmMain::toTray, Qt::QueuedConnection);
}

void frmMain::Settle_Timer() {
    m_minimiseSettle.stop();
    toTray();
}

void frmMain::toTray() {
    // Qt on Wayland reports the window as no longer minimised as soon as it asks
    // for it (the protocol never says), and on a busy machine that report can come
    // before this: "Hide" still goes to the tray.
    const bool hiding = std::exchange(m_hiding, false);
    if (!isVisible() && m_tray.isPresent()) {
        return; // already there
    }
    // Without a tray to come back from, hiding would lose the window for good:
    // it then stays minimised in the taskbar.
    if ((isMinimized() || hiding) && !m_unloaded && platform::TrayIcon::isAvailable()) {
        m_restoring = false;
        hide();
        // Minimised again if that report undid it; hidden, it asks the window system nothing.
        setWindowState(windowState() | Qt::WindowMinimized);
        m_tray.add();
    }
}

void frmMain::fitCaptions() {
    // The design's widths hold the captions with the indicator of the classic
    // look; a style with a larger one (Breeze) would cut their last letters. A
    // box grows to what its caption needs, in its place, never past the frame's
    // right edge (kept as far in as the boxes' left margin).
    if (m_designedBoxWidths.front() == 0) {
        return; // the font is set before the controls exist
    }
    const QRect frame = m_ui.Frame1->geometry();
    const std::array boxes{m_ui.chkShow, m_ui.chkBoth, m_ui.chkSound, m_ui.chkDisable};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        QCheckBox* box = boxes.at(i);
        const int designed = m_designedBoxWidths.at(i);
        QStyleOptionButton option;
        option.initFrom(box);
        option.rect.setWidth(designed);
        option.text = box->text();
        const int room =
            box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
        const auto text =
            static_cast<int>(std::ceil(QFontMetricsF(box->font()).horizontalAdvance(box->text())));
        const int limit = frame.right() + 1 - (box->x() - frame.x()) - box->x();
        box->resize(std::max(designed, std::min(designed + text - room, limit)), box->height());
    }
}

void frmMain::mnuOpen_Click() {
    m_minimiseSettle.stop();
    if (!isVisible()) {
        // Hidden in the tray, the native window still carries its iconic hints, and
        // leaving the minimised state maps it before they are cleared: the window
        // manager iconifies it again and it would go straight back to the tray.
        // A fresh native window comes up in the state asked for.
        destroy();
    }
    m_restoring = m_tray.isPresent();
    platform::catchUpWithServerTime(); // the activation is the user's, and now
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    update(); // painted once it is on the screen, which takes the icon away
}

void frmMain::mnuAbout_Click() {
    // Raised while the "About" submenu opens: the menu, and "Exit" in it, must
    // stay up while the About window appears.
    const platform::OpenMenusStayOpen menusStayOpen;
    // Nor may it take the focus: a menu the tray host draws closes when the
    // program's window becomes active, and "Exit" with it.
    m_about.load().setAttribute(Qt::WA_ShowWithoutActivating);
    m_about.show();
}

void frmMain::cmdExit_Click() {
    sckConnect.close();
    m_newAlert.unload();
    m_about.unload();
    unloadMain();
}

void frmMain::mnuExit_Click() {
    m_about.unload();
    m_newAlert.unload();
    sckConnect.close();
    unloadMain();
}

void frmMain::Form_Unload() {
    sckConnect.close();
    m_newAlert.unload();
    m_about.unload();
}

void frmMain::unloadMain() {
    if (m_unloaded) {
        return; // unloading from inside the unload has no further effect
    }
    m_unloaded = true;
    Form_Unload();
    Timer1.stop();
    Timer4.stop();
    mnuSystray.close();
    m_tray.remove(); // the icon must not outlive the program
    hide();
    emit unloaded();
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    unloadMain();
}

} // namespace alerts::ui
