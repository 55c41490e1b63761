#pragma once

#include <QObject>

#include <memory>

// The system's network state, as far as a player needs it: when the network comes back.
class NetworkMonitor : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~NetworkMonitor() override = default;

 Q_SIGNALS:
  // The network was down (or local only) and is online again.
  void reachable();
};

// Follows QNetworkInformation (NetworkManager, else GLib); without a backend it never signals.
std::unique_ptr<NetworkMonitor> makeNetworkMonitor();
