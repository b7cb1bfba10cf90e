#include "platform/linux/DBusSignal.h"

namespace tarnlet::linux_desktop {

DBusSignal::DBusSignal(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                       const QString& name, std::function<void(const QDBusMessage&)> onSignal)
    : m_bus(bus), m_service(service), m_path(path), m_interface(interface), m_name(name), m_onSignal(std::move(onSignal)) {
    m_connected = m_bus.isConnected() &&
                  m_bus.connect(m_service, m_path, m_interface, m_name, this, SLOT(deliver(QDBusMessage)));
}

DBusSignal::~DBusSignal() {
    if (m_connected) m_bus.disconnect(m_service, m_path, m_interface, m_name, this, SLOT(deliver(QDBusMessage)));
}

void DBusSignal::deliver(const QDBusMessage& message) {
    if (m_onSignal) m_onSignal(message);
}

}  // namespace tarnlet::linux_desktop
