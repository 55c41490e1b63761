#pragma once

#include <QDBusArgument>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// What a desktop shell hears of the player's changes.
class MetadataListener : public QObject {
  Q_OBJECT
 public:
  QList<QVariantMap> metadata;
 public Q_SLOTS:
  void changed(const QString&, const QVariantMap& map, const QStringList&) {
    if (map.contains("Metadata")) metadata << qdbus_cast<QVariantMap>(map.value("Metadata"));
  }
};

