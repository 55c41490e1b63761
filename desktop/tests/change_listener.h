#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "desktop/mpris.h"

// What a desktop shell hears of the player's changes.
class ChangeListener : public QObject {
  Q_OBJECT
 public:
  bool listen(QDBusConnection shell, const QString& player) {
    return shell.connect(player, Mpris::kObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                         this, SLOT(changed(QString, QVariantMap, QStringList)));
  }
  QStringList interfaces;
  QList<QVariantMap> changes;
  QList<QVariantMap> metadata;  // of the changes that carry them
 public Q_SLOTS:
  void changed(const QString& interface, const QVariantMap& map, const QStringList&) {
    interfaces << interface;
    changes << map;
    if (map.contains("Metadata")) metadata << qdbus_cast<QVariantMap>(map.value("Metadata"));
  }
};
