#include "runtime/winsock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <gtest/gtest.h>

namespace {

bool waitUntil(const std::function<bool()>& pred) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > 5000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

TEST(Winsock, ConnectSendReceiveAndTheOtherSideClosing) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  rt::Winsock sck;
  int connected = 0, closed = 0, errors = 0;
  QByteArray got;
  QObject::connect(&sck, &rt::Winsock::Connected, [&] { ++connected; });
  QObject::connect(&sck, &rt::Winsock::DataArrival, [&](qint64 n) {
    EXPECT_GT(n, 0);
    got += sck.GetData();
  });
  QObject::connect(&sck, &rt::Winsock::Closed, [&] { ++closed; });
  QObject::connect(&sck, &rt::Winsock::Error, [&](int, const QString&) { ++errors; });
  sck.RemoteHost = QStringLiteral("127.0.0.1");
  sck.RemotePort = server.serverPort();
  sck.Connect();
  ASSERT_TRUE(waitUntil([&] { return connected == 1 && server.hasPendingConnections(); }));
  EXPECT_EQ(sck.State(), rt::sckConnected);
  QPointer<QTcpSocket> peer = server.nextPendingConnection();
  sck.SendData(QByteArray("A\0B", 3));
  ASSERT_TRUE(waitUntil([&] { return peer->bytesAvailable() == 3; }));
  EXPECT_EQ(peer->readAll(), QByteArray("A\0B", 3));
  peer->write("reply");
  ASSERT_TRUE(waitUntil([&] { return got == "reply"; }));
  peer->disconnectFromHost();
  ASSERT_TRUE(waitUntil([&] { return closed == 1; }));
  EXPECT_EQ(errors, 0);
}

TEST(Winsock, RefusedConnectionIsAnErrorAndCloseIsSilent) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  const quint16 port = server.serverPort();
  server.close();
  rt::Winsock sck;
  int errors = 0, events = 0;
  QObject::connect(&sck, &rt::Winsock::Error, [&](int, const QString&) { ++errors; });
  QObject::connect(&sck, &rt::Winsock::Connected, [&] { ++events; });
  sck.RemoteHost = QStringLiteral("127.0.0.1");
  sck.RemotePort = port;
  sck.Connect();
  ASSERT_TRUE(waitUntil([&] { return errors == 1; }));
  EXPECT_EQ(sck.State(), rt::sckError);

  // Close drops a connection without any event following.
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, port));
  QObject::connect(&sck, &rt::Winsock::Closed, [&] { ++events; });
  sck.Connect();
  ASSERT_TRUE(waitUntil([&] { return events == 1; }));
  sck.Close();
  QCoreApplication::processEvents();
  EXPECT_EQ(events, 1);
  EXPECT_EQ(sck.State(), rt::sckClosed);
}

}  // namespace
