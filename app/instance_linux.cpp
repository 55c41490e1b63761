#include "instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <unistd.h>

#include <algorithm>
#include <optional>

#include "trap.h"

namespace {

constexpr int kConnectTimeoutMs = 500;
constexpr int kAnswerTimeoutMs = 1500;
// A peer that says nothing useful is dropped: the request is one short line, "activate" and
// optionally a blank and the launcher's token (copies before tokens send the bare word).
constexpr int kIdleTimeoutMs = 2000;
constexpr qsizetype kMaxToken = 256;
constexpr qint64 kMaxRequest = 300;
const QByteArray kRequest = "activate";
const QByteArray kAnswer = "ok\n";

QByteArray activationRequest(const QString& token) {
  if (!isUsableActivationToken(token)) return kRequest + '\n';
  return kRequest + ' ' + token.toLatin1() + '\n';
}

// The token of a request line; nullopt for anything that is not a request.
std::optional<QString> tokenOfRequest(const QByteArray& line) {
  if (!line.endsWith('\n')) return std::nullopt;
  const QByteArray body = line.chopped(1);
  if (body == kRequest) return QString();
  if (!body.startsWith(kRequest + ' ')) return std::nullopt;
  const QString token = QString::fromLatin1(body.mid(kRequest.size() + 1));
  if (!isUsableActivationToken(token)) return std::nullopt;
  return token;
}

QString runtimeFolder() {
  // The per-user runtime folder is private to the user; /tmp is shared, so the uid goes in
  // the name there as well.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable()) return runtime;
  return QDir::tempPath();
}

class LocalSingleInstance final : public SingleInstance {
  Q_OBJECT
 public:
  explicit LocalSingleInstance(QString name) : name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, &LocalSingleInstance::acceptPeers);
  }

  bool isAnotherRunning() override { return connectToRunning(); }

  bool ActivatePreviousInstance(const QString& activationToken) override {
    if (!client_ && !connectToRunning()) return false;
    std::unique_ptr<QLocalSocket> client = std::move(client_);
    if (!activationToken.isEmpty() && !isUsableActivationToken(activationToken))
      qCWarning(lcApp) << "the launcher's activation token is not passed on: it is not a plain short word";
    client->write(activationRequest(activationToken));
    if (!client->waitForBytesWritten(kAnswerTimeoutMs)) {
      qCWarning(lcApp) << "running copy did not take the activation request:" << client->errorString();
      return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!client->canReadLine() && clock.elapsed() < kAnswerTimeoutMs &&
           client->state() == QLocalSocket::ConnectedState)
      client->waitForReadyRead(int(kAnswerTimeoutMs - clock.elapsed()));
    const bool confirmed = client->readLine(kMaxRequest) == kAnswer;
    client->abort();
    if (!confirmed) qCWarning(lcApp) << "running copy did not confirm the activation";
    return confirmed;
  }

  bool listen() override {
    if (server_.isListening()) return true;
    // Two copies starting together must not both decide the name is stale.
    QLockFile lock(name_ + QStringLiteral(".lock"));
    if (!lock.tryLock(2000)) {
      qCWarning(lcApp) << "cannot lock" << lock.fileName();
      return false;
    }
    // Ask before listening: with access options Qt puts the new socket in place by renaming,
    // which would silently take the name from a live copy.
    if (connectToRunning()) return false;
    if (QFile::exists(name_)) {
      qCInfo(lcApp) << "taking over the name left by a copy that ended:" << name_;
      QLocalServer::removeServer(name_);
    }
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(name_)) return true;
    qCWarning(lcApp) << "cannot listen on" << name_ << server_.errorString();
    return false;
  }

 private:
  bool connectToRunning() {
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(name_);
    if (!client->waitForConnected(kConnectTimeoutMs)) return false;
    client_ = std::move(client);
    return true;
  }

  void acceptPeers() {
    while (QLocalSocket* peer = server_.nextPendingConnection()) {
      peer->setParent(this);
      connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readRequest(peer); });
      QTimer::singleShot(kIdleTimeoutMs, peer, [peer] { peer->abort(); });
    }
  }

  void readRequest(QLocalSocket* peer) {
    if (!peer->canReadLine()) {
      if (peer->bytesAvailable() > kMaxRequest) peer->abort();
      return;
    }
    const std::optional<QString> token = tokenOfRequest(peer->readLine(kMaxRequest + 1));
    if (!token) {
      qCWarning(lcApp) << "ignoring an unknown request on" << name_;
      peer->abort();
      return;
    }
    peer->write(kAnswer);
    peer->flush();
    peer->disconnectFromServer();
    qCInfo(lcApp) << "a later copy asks for the window"
                  << (token->isEmpty() ? "without a token" : "with its token");
    Q_EMIT activationRequested(*token);
  }

  QString name_;
  QLocalServer server_;
  std::unique_ptr<QLocalSocket> client_;
};

}  // namespace

QString singleInstanceServerName(const QString& programFolder) {
  QFileInfo info(programFolder);
  QString path = info.canonicalFilePath();
  if (path.isEmpty()) path = QDir::cleanPath(info.absoluteFilePath());
  const QString uid = QString::number(::getuid());
  const QByteArray hash =
      QCryptographicHash::hash((uid + u'\n' + path).toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return runtimeFolder() + QStringLiteral("/vantor-radio-") + uid + u'-' + QString::fromLatin1(hash);
}

std::unique_ptr<SingleInstance> makeSingleInstance(const QString& programFolder) {
  return std::make_unique<LocalSingleInstance>(singleInstanceServerName(programFolder));
}

bool isUsableActivationToken(const QString& token) {
  if (token.isEmpty() || token.size() > kMaxToken) return false;
  return std::all_of(token.begin(), token.end(),
                     [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
}

QString launcherActivationToken() {
  const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
  return token.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : token;
}

namespace {

bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

// Asks the compositor for the focus. Qt's Wayland plugin activates with the token it finds in
// XDG_ACTIVATION_TOKEN (and then clears it); it is set only for this one request, so that it
// neither goes stale nor reaches the programs this one starts.
void requestActivation(QWidget* window, const QString& token) {
  const bool withToken = onWayland() && !token.isEmpty();
  if (withToken) qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
  window->activateWindow();
  if (withToken) qunsetenv("XDG_ACTIVATION_TOKEN");
  qCInfo(lcApp) << "activation requested" << (withToken ? "with the launcher's token" : "without a token");
}

// On Wayland a window that was hidden is mapped again only with its first frame after the
// compositor has configured it; an activation sent before that is dropped, so it waits.
class ActivateWhenExposed final : public QObject {
 public:
  ActivateWhenExposed(QWidget* window, QString token)
      : QObject(window), window_(window), token_(std::move(token)) {
    window->windowHandle()->installEventFilter(this);
    // A compositor that never shows the window must not keep the token forever.
    QTimer::singleShot(10000, this, [this] { deleteLater(); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      watched->removeEventFilter(this);
      // After the expose has painted: the compositor maps the window with that first frame.
      QMetaObject::invokeMethod(
          this,
          [this] {
            requestActivation(window_, token_);
            deleteLater();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QWidget* window_;
  QString token_;
};

}  // namespace

void bringToFront(QWidget* window, const QString& activationToken) {
  if (window->windowState() & Qt::WindowMinimized)
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  if (onWayland() && window->windowHandle() && !window->windowHandle()->isExposed())
    new ActivateWhenExposed(window, activationToken);
  else
    requestActivation(window, activationToken);
}

#include "instance_linux.moc"
