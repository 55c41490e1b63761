#include <QNetworkInformation>

#include "desktop_log.h"
#include "networkmonitor.h"

namespace {

class QtNetworkMonitor final : public NetworkMonitor {
 public:
  QtNetworkMonitor() {
    // NetworkManager knows best where it runs; GLib's netlink view is the fallback.
    if (!QNetworkInformation::loadBackendByName(QStringLiteral("networkmanager")) &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
      qCInfo(lcDesktop) << "no network state backend: reconnects wait out their delay";
      return;
    }
    QNetworkInformation* info = QNetworkInformation::instance();
    online_ = info->reachability() == QNetworkInformation::Reachability::Online;
    connect(info, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability now) {
              const bool online = now == QNetworkInformation::Reachability::Online;
              const bool back = online && !online_;
              online_ = online;
              if (back) Q_EMIT reachable();
            });
  }

 private:
  bool online_ = true;
};

}  // namespace

std::unique_ptr<NetworkMonitor> makeNetworkMonitor() { return std::make_unique<QtNetworkMonitor>(); }
