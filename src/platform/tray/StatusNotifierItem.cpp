// SPDX-License-Identifier: MIT
#include "platform/tray/StatusNotifierItem.h"

#include "platform/tray/DBusMenu.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QMenu>
#include <QtEndian>

#include <array>

namespace alerts::platform {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
// The item's own connection: its unique name is the item's name on the bus, and
// closing the connection takes the item off every host at once.
const QString kConnectionName = QStringLiteral("alerts-status-notifier-item");

} // namespace

// (iiay): one picture, ARGB32 in network byte order.
struct SniImage {
    int width = 0;
    int height = 0;
    QByteArray data;
};
using SniImages = QList<SniImage>;

// (sa(iiay)ss): the tip, with an icon name, pictures, a title and a text.
struct SniToolTip {
    QString iconName;
    SniImages images;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const SniImage& image) {
    argument.beginStructure();
    argument << image.width << image.height << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniImage& image) {
    argument.beginStructure();
    argument >> image.width >> image.height >> image.data;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip) {
    argument.beginStructure();
    argument << tip.iconName << tip.images << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip) {
    argument.beginStructure();
    argument >> tip.iconName >> tip.images >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

} // namespace alerts::platform

Q_DECLARE_METATYPE(alerts::platform::SniImage)
Q_DECLARE_METATYPE(alerts::platform::SniToolTip)

namespace alerts::platform {

namespace {

// The sizes trays draw at, from 16 px panels to 2x scaled ones.
SniImages picturesOf(const QIcon& icon) {
    SniImages images;
    static constexpr std::array kSizes{16, 22, 24, 32, 48, 64};
    for (const int size : kSizes) {
        QImage image =
            icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            continue;
        }
        QByteArray data(qsizetype(image.width()) * image.height() * 4, Qt::Uninitialized);
        auto* out = reinterpret_cast<quint32*>(data.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                *out++ = qToBigEndian(line[x]);
            }
        }
        images << SniImage{.width = image.width(), .height = image.height(), .data = data};
    }
    return images;
}

} // namespace

class StatusNotifierItemAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ empty)
    Q_PROPERTY(QString IconName READ empty)
    Q_PROPERTY(alerts::platform::SniImages IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty)
    Q_PROPERTY(alerts::platform::SniImages OverlayIconPixmap READ noPictures)
    Q_PROPERTY(QString AttentionIconName READ empty)
    Q_PROPERTY(alerts::platform::SniImages AttentionIconPixmap READ noPictures)
    Q_PROPERTY(QString AttentionMovieName READ empty)
    Q_PROPERTY(alerts::platform::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
public:
    StatusNotifierItemAdaptor(QObject* parent, StatusNotifierItem& item)
        : QDBusAbstractAdaptor(parent), m_item(item) {}

    [[nodiscard]] QString category() const { return QStringLiteral("ApplicationStatus"); }
    [[nodiscard]] QString id() const { return QCoreApplication::applicationName(); }
    // Shown where a host lists items by name; the tip is the window's caption.
    [[nodiscard]] QString title() const { return QCoreApplication::applicationName(); }
    [[nodiscard]] QString status() const { return QStringLiteral("Active"); }
    [[nodiscard]] int windowId() const { return 0; }
    [[nodiscard]] QString empty() const { return {}; }
    [[nodiscard]] SniImages iconPixmap() const { return picturesOf(m_item.icon()); }
    [[nodiscard]] SniImages noPictures() const { return {}; }
    [[nodiscard]] SniToolTip toolTip() const {
        return {.iconName = {}, .images = {}, .title = m_item.toolTip(), .text = {}};
    }
    [[nodiscard]] bool itemIsMenu() const { return m_item.menuOnPress(); }
    [[nodiscard]] QDBusObjectPath menu() const {
        return QDBusObjectPath(m_item.hasMenu() ? kMenuPath : QStringLiteral("/NO_DBUSMENU"));
    }

public slots:
    void Activate(int x, int y) {
        emit m_item.pressed(StatusNotifierItem::Press::Primary, QPoint(x, y));
    }
    void ContextMenu(int x, int y) {
        emit m_item.pressed(StatusNotifierItem::Press::Context, QPoint(x, y));
    }
    void SecondaryActivate(int x, int y) {
        emit m_item.pressed(StatusNotifierItem::Press::Secondary, QPoint(x, y));
    }
    void Scroll(int /*delta*/, const QString& /*orientation*/) {}
    // Plasma hands over the right to bring a window forward on Wayland before it
    // activates the item; Qt's Wayland platform reads it from here.
    void ProvideXdgActivationToken(const QString& token) {
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    }

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void NewMenu();

private:
    StatusNotifierItem& m_item;
};

StatusNotifierHost::StatusNotifierHost(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    auto* watcher = new QDBusServiceWatcher(kWatcherService, bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty()) {
                    set(false, false);
                    return;
                }
                ask();
                emit watcherAppeared();
            });
    bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostRegistered()));
    bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(hostUnregistered()));
    ask();
}

void StatusNotifierHost::ask() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool watcher = bus.interface()->isServiceRegistered(kWatcherService);
    bool registered = false;
    if (watcher) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
        const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
        registered = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                     qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
    }
    set(watcher, registered);
}

void StatusNotifierHost::hostRegistered() {
    set(true, true);
}

void StatusNotifierHost::hostUnregistered() {
    // Other hosts may still be there.
    ask();
}

void StatusNotifierHost::set(bool watcher, bool registered) {
    if (watcher == m_watcher && registered == m_registered) {
        return;
    }
    m_watcher = watcher;
    m_registered = registered;
    emit changed();
}

StatusNotifierItem::StatusNotifierItem(QObject* parent) : QObject(parent) {
    static const bool registered = [] {
        qDBusRegisterMetaType<SniImage>();
        qDBusRegisterMetaType<SniImages>();
        qDBusRegisterMetaType<SniToolTip>();
        DBusMenu::registerTypes();
        return true;
    }();
    Q_UNUSED(registered);
    m_adaptor = new StatusNotifierItemAdaptor(&m_itemObject, *this);
}

StatusNotifierItem::~StatusNotifierItem() {
    hide();
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    m_icon = icon;
    emit m_adaptor->NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& tip) {
    m_toolTip = tip;
    emit m_adaptor->NewToolTip();
}

void StatusNotifierItem::setMenu(QMenu* menu) {
    m_menu = menu;
    delete m_dbusMenu;
    m_dbusMenu = menu != nullptr ? new DBusMenu(&m_menuObject, menu) : nullptr;
}

void StatusNotifierItem::setMenuOnPress(bool menuOnPress) {
    m_menuOnPress = menuOnPress;
}

void StatusNotifierItem::show() {
    if (m_shown) {
        return;
    }
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(kConnectionName);
        return;
    }
    bus.registerObject(kItemPath, &m_itemObject, QDBusConnection::ExportAdaptors);
    if (m_dbusMenu != nullptr) {
        bus.registerObject(kMenuPath, &m_menuObject, QDBusConnection::ExportAdaptors);
    }
    m_shown = true;
    registerWithWatcher();
}

void StatusNotifierItem::registerWithWatcher() const {
    if (!m_shown) {
        return;
    }
    QDBusConnection bus(kConnectionName);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << bus.baseService();
    // Without a watcher the call fails; the item registers when one comes.
    bus.asyncCall(call);
}

void StatusNotifierItem::hide() {
    if (!m_shown) {
        return;
    }
    m_shown = false;
    {
        QDBusConnection bus(kConnectionName);
        bus.unregisterObject(kMenuPath);
        bus.unregisterObject(kItemPath);
    }
    QDBusConnection::disconnectFromBus(kConnectionName);
}

} // namespace alerts::platform

#include "StatusNotifierItem.moc"
