#include "desktopnotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

void SendDesktopNotification(const QString& summary, const QString& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(2)));
  call << QStringLiteral("Delvarine") << 0u << QStringLiteral("dialog-warning") << summary << body
       << QStringList() << hints << -1;
  bus.call(call, QDBus::NoBlock);
}
