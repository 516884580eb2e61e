#pragma once
// The socket control: one TCP client connection over QTcpSocket, driven by calls and answered by
// events. Connect and SendData return at once; the Connect event says the connection is made and
// DataArrival that bytes wait to be read with GetData. Error reports a refused, failed or reset
// connection, and Close (the event) a connection the other side closed.
#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace rt {

// The socket's State.
constexpr int sckClosed = 0;
constexpr int sckConnecting = 6;
constexpr int sckConnected = 7;
constexpr int sckClosing = 8;
constexpr int sckError = 9;

class Winsock : public QObject {
  Q_OBJECT
 public:
  explicit Winsock(QObject* parent = nullptr);
  ~Winsock() override;

  QString RemoteHost;
  int RemotePort = 0;

  void Connect();
  // Queues the bytes for sending; they go out in the order given.
  void SendData(const QByteArray& data);
  // Every byte received and not yet read.
  QByteArray GetData();
  qint64 BytesReceived() const;
  // Drops the connection at once; no event follows.
  void Close();
  int State() const;

 Q_SIGNALS:
  void Connected();
  void DataArrival(qint64 bytesTotal);
  void Error(int number, const QString& description);
  void Closed();

 private:
  QTcpSocket* socket_ = nullptr;
  bool failed_ = false;
};

}  // namespace rt
