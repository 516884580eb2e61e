#include "runtime/winsock.h"

#include <QTcpSocket>

namespace rt {

Winsock::Winsock(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
  connect(socket_, &QTcpSocket::connected, this, [this] { Q_EMIT Connected(); });
  connect(socket_, &QTcpSocket::readyRead, this, [this] { Q_EMIT DataArrival(socket_->bytesAvailable()); });
  connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    failed_ = true;
    // The other side closing is an event of its own, not an error.
    if (e == QAbstractSocket::RemoteHostClosedError) return;
    Q_EMIT Error(static_cast<int>(e), socket_->errorString());
  });
  connect(socket_, &QTcpSocket::disconnected, this, [this] { Q_EMIT Closed(); });
}

Winsock::~Winsock() {
  // No event may reach a half-destroyed owner.
  socket_->disconnect(this);
  socket_->abort();
}

void Winsock::Connect() {
  failed_ = false;
  socket_->abort();
  socket_->connectToHost(RemoteHost, static_cast<quint16>(RemotePort));
}

void Winsock::SendData(const QByteArray& data) {
  if (socket_->state() == QAbstractSocket::ConnectedState) socket_->write(data);
}

QByteArray Winsock::GetData() { return socket_->readAll(); }

qint64 Winsock::BytesReceived() const { return socket_->bytesAvailable(); }

void Winsock::Close() {
  const QSignalBlocker block(socket_);
  socket_->abort();
}

int Winsock::State() const {
  if (failed_ && socket_->state() == QAbstractSocket::UnconnectedState) return sckError;
  switch (socket_->state()) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
      return sckConnecting;
    case QAbstractSocket::ConnectedState:
      return sckConnected;
    case QAbstractSocket::ClosingState:
      return sckClosing;
    default:
      return sckClosed;
  }
}

}  // namespace rt
