#pragma once

// A station on 127.0.0.1 that counts the TCP connections it accepts and streams silent MP3
// (hand-made frames) to each, paced at 128 kbit/s after a first burst; paths given a page
// answer with it instead (a playlist, a redirect). It runs on the Qt thread: wait with
// QTest::qWaitFor, which keeps the events going.

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <stdexcept>

class CountingStation {
 public:
  CountingStation() {
    if (!server_.listen(QHostAddress::LocalHost)) throw std::runtime_error("cannot listen on loopback");
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) serve(s);
    });
  }

  int connections() const { return connections_; }
  int requests(const QByteArray& path) const { return requests_.value(path); }

  // What the path answers instead of the stream: a whole page, or a redirect.
  void page(const QByteArray& path, const QByteArray& type, const QByteArray& body) {
    pages_[path] = "HTTP/1.0 200 OK\r\nContent-Type: " + type +
                   "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
  }
  void redirect(const QByteArray& path, const QByteArray& to) {
    pages_[path] = "HTTP/1.0 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n";
  }
  // The stream under another content type than audio/mpeg.
  void streamAs(const QByteArray& path, const QByteArray& type) { streamTypes_[path] = type; }
  QString url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }

 private:
  // One MPEG-1 layer III frame, 128 kbit/s, 44.1 kHz, stereo, no padding: its 417 bytes of
  // zero side information and data decode as silence.
  static QByteArray frames(int count) {
    QByteArray frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x00';
    return frame.repeated(count);
  }

  void serve(QTcpSocket* socket) {
    ++connections_;
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
      if (socket->property("answered").toBool()) return;
      const QByteArray request = socket->readAll();
      if (!request.contains("\r\n\r\n")) return;
      socket->setProperty("answered", true);
      const QByteArray path = request.split(' ').value(1);
      ++requests_[path];
      if (pages_.contains(path)) {
        socket->write(pages_.value(path));
        socket->disconnectFromHost();
        return;
      }
      socket->write("HTTP/1.0 200 OK\r\nContent-Type: " + streamTypes_.value(path, "audio/mpeg") +
                    "\r\nicy-name: Counting Radio\r\n\r\n");
      socket->write(frames(160));  // about four seconds at once
      auto* pace = new QTimer(socket);
      QObject::connect(pace, &QTimer::timeout, socket, [socket] { socket->write(frames(4)); });
      pace->start(100);  // 38 frames a second are due; 40 keep the buffer full
    });
  }

  QTcpServer server_;
  int connections_ = 0;
  QMap<QByteArray, int> requests_;
  QMap<QByteArray, QByteArray> pages_;
  QMap<QByteArray, QByteArray> streamTypes_;
};
