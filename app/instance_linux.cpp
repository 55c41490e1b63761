#include "instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include "trap.h"

namespace {

constexpr int kConnectTimeoutMs = 500;
constexpr int kAnswerTimeoutMs = 1500;
// A peer that says nothing useful is dropped: the request is one short line.
constexpr int kIdleTimeoutMs = 2000;
constexpr qint64 kMaxRequest = 64;
const QByteArray kRequest = "activate\n";
const QByteArray kAnswer = "ok\n";

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

  bool ActivatePreviousInstance() override {
    if (!client_ && !connectToRunning()) return false;
    std::unique_ptr<QLocalSocket> client = std::move(client_);
    client->write(kRequest);
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
    const QByteArray line = peer->readLine(kMaxRequest + 1);
    if (line != kRequest) {
      qCWarning(lcApp) << "ignoring an unknown request on" << name_;
      peer->abort();
      return;
    }
    peer->write(kAnswer);
    peer->flush();
    peer->disconnectFromServer();
    Q_EMIT activationRequested();
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

void bringToFront(QWidget* window) {
  if (window->windowState() & Qt::WindowMinimized)
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

#include "instance_linux.moc"
