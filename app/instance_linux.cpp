#include "instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QUrl>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "runtimefolder.h"
#include "trap.h"

namespace {

constexpr int kConnectTimeoutMs = 500;
constexpr int kAnswerTimeoutMs = 1500;
// A peer that says nothing useful is dropped: the request is one short line, "activate" and
// optionally a blank and the launcher's token (copies before tokens send the bare word), or
// "open", the token or "-", and the addresses to play, separated by blanks.
constexpr int kIdleTimeoutMs = 2000;
constexpr qsizetype kMaxToken = 256;
constexpr qint64 kMaxRequest = 300;
constexpr qint64 kMaxOpenRequest = kMaxRequest + kMaxHandedAddresses * (kMaxHandedAddressBytes + 1);
const QByteArray kRequest = "activate";
const QByteArray kOpen = "open";
const QByteArray kAnswer = "ok\n";

struct Request {
  QString token;
  QStringList addresses;
};

// An address that may travel: http(s), printable ASCII without blanks, bounded.
bool isHandedAddress(const QByteArray& address) {
  const QByteArray lower = address.toLower();
  return address.size() <= kMaxHandedAddressBytes &&
         (lower.startsWith("http://") || lower.startsWith("https://")) && lower.size() > 8 &&
         std::all_of(address.begin(), address.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

QByteArray openRequest(const QStringList& addresses, const QString& token) {
  QByteArray line = kOpen + ' ' + (isUsableActivationToken(token) && token != u"-" ? token.toLatin1() : "-");
  qsizetype count = 0;
  for (const QString& address : addresses) {
    const QByteArray encoded = QUrl(address).toEncoded();
    if (count == kMaxHandedAddresses || !isHandedAddress(encoded)) continue;
    line += ' ' + encoded;
    ++count;
  }
  return count == 0 ? QByteArray() : line + '\n';
}

// What an open request asks for; nullopt when it is none, or holds anything not to be trusted.
std::optional<Request> openOfRequest(const QByteArray& body) {
  const QList<QByteArray> fields = body.split(' ');
  if (fields.size() < 3 || fields.size() > 2 + kMaxHandedAddresses || fields[0] != kOpen) return std::nullopt;
  Request request;
  if (fields[1] != "-") {
    request.token = QString::fromLatin1(fields[1]);
    if (!isUsableActivationToken(request.token)) return std::nullopt;
  }
  for (qsizetype i = 2; i < fields.size(); ++i) {
    if (!isHandedAddress(fields[i])) return std::nullopt;
    request.addresses << QString::fromLatin1(fields[i]);
  }
  return request;
}

QByteArray activationRequest(const QString& token) {
  if (!isUsableActivationToken(token)) return kRequest + '\n';
  return kRequest + ' ' + token.toLatin1() + '\n';
}

// The token (and addresses) of a request line; nullopt for anything that is not a request.
std::optional<Request> request(const QByteArray& line) {
  if (!line.endsWith('\n')) return std::nullopt;
  const QByteArray body = line.chopped(1);
  if (body.startsWith(kOpen + ' ')) return openOfRequest(body);
  if (body == kRequest) return Request{};
  if (!body.startsWith(kRequest + ' ')) return std::nullopt;
  const QString token = QString::fromLatin1(body.mid(kRequest.size() + 1));
  if (!isUsableActivationToken(token)) return std::nullopt;
  return Request{token, {}};
}

// Whether the process at the other end of a local socket runs as this user. The folder keeps
// others out; this is what is left when it does not (root, or a folder opened later).
bool peerIsThisUser(const QLocalSocket& socket) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == geteuid();
}

// Without a private folder there is no name another user could not take first: this copy runs
// on its own rather than trust or answer a stranger.
class NoSingleInstance final : public SingleInstance {
 public:
  NoSingleInstance() { qCWarning(lcApp) << "running without the check for a copy already running"; }
  bool isAnotherRunning() override { return false; }
  bool ActivatePreviousInstance(const QString&) override { return false; }
  bool listen() override { return true; }
};

class LocalSingleInstance final : public SingleInstance {
  Q_OBJECT
 public:
  explicit LocalSingleInstance(QString name) : name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, &LocalSingleInstance::acceptPeers);
  }

  bool isAnotherRunning() override { return connectToRunning(); }

  bool ActivatePreviousInstance(const QString& activationToken) override {
    if (!client_ && !connectToRunning()) return false;
    if (!activationToken.isEmpty() && !isUsableActivationToken(activationToken))
      qCWarning(lcApp) << "the launcher's activation token is not passed on: it is not a plain short word";
    const QByteArray request = activationRequest(activationToken);
    if (send(std::move(client_), request)) return true;
    // A copy from before tokens refuses the longer line: it still gets the bare request.
    if (request == activationRequest({}) || !connectToRunning()) return false;
    qCInfo(lcApp) << "asking again without the token";
    return send(std::move(client_), activationRequest({}));
  }

  bool OpenInPreviousInstance(const QStringList& addresses, const QString& activationToken) override {
    const QByteArray line = openRequest(addresses, activationToken);
    if (line.isEmpty()) return ActivatePreviousInstance(activationToken);
    if (!client_ && !connectToRunning()) return false;
    if (send(std::move(client_), line)) return true;
    qCInfo(lcApp) << "the running copy takes no addresses: asking it to come forward only";
    return connectToRunning() && ActivatePreviousInstance(activationToken);
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
    if (!peerIsThisUser(*client)) {
      qCWarning(lcApp) << "not trusting" << name_ << "- it is served by another user";
      return false;
    }
    client_ = std::move(client);
    return true;
  }

  // Sends one request and waits for the running copy's confirmation.
  static bool send(std::unique_ptr<QLocalSocket> client, const QByteArray& request) {
    client->write(request);
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

  void acceptPeers() {
    while (QLocalSocket* peer = server_.nextPendingConnection()) {
      peer->setParent(this);
      if (!peerIsThisUser(*peer)) {
        qCWarning(lcApp) << "refusing a peer of another user on" << name_;
        peer->abort();
        peer->deleteLater();
        continue;
      }
      connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readRequest(peer); });
      QTimer::singleShot(kIdleTimeoutMs, peer, [peer] { peer->abort(); });
    }
  }

  void readRequest(QLocalSocket* peer) {
    const qint64 limit = peer->peek(kOpen.size() + 1) == kOpen + ' ' ? kMaxOpenRequest : kMaxRequest;
    if (!peer->canReadLine()) {
      if (peer->bytesAvailable() > limit) peer->abort();
      return;
    }
    const std::optional<Request> asked = request(peer->readLine(limit + 1));
    if (!asked) {
      qCWarning(lcApp) << "ignoring an unknown request on" << name_;
      peer->abort();
      return;
    }
    peer->write(kAnswer);
    peer->flush();
    peer->disconnectFromServer();
    if (!asked->addresses.isEmpty()) {
      qCInfo(lcApp) << "a later copy hands on" << asked->addresses.size() << "station addresses";
      Q_EMIT openRequested(asked->addresses);
    }
    qCInfo(lcApp) << "a later copy asks for the window"
                  << (asked->token.isEmpty() ? "without a token" : "with its token");
    Q_EMIT activationRequested(asked->token);
  }

  QString name_;
  QLocalServer server_;
  std::unique_ptr<QLocalSocket> client_;
};

}  // namespace

QString singleInstanceServerName(const QString& programFolder) {
  const QString folder = privateRuntimeFolder();
  if (folder.isEmpty()) return {};
  QFileInfo info(programFolder);
  QString path = info.canonicalFilePath();
  if (path.isEmpty()) path = QDir::cleanPath(info.absoluteFilePath());
  const QString uid = QString::number(::getuid());
  const QByteArray hash =
      QCryptographicHash::hash((uid + u'\n' + path).toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return folder + QStringLiteral("/vantor-radio-") + uid + u'-' + QString::fromLatin1(hash);
}

std::unique_ptr<SingleInstance> makeSingleInstance(const QString& programFolder) {
  const QString name = singleInstanceServerName(programFolder);
  if (name.isEmpty()) return std::make_unique<NoSingleInstance>();
  return std::make_unique<LocalSingleInstance>(name);
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

#include "instance_linux.moc"
