#include "archive/exchange_link.h"
#include "tests/archive/archive_fixture.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace archivetest {
namespace {

// A loopback port whose accept queue is full: a new connection neither succeeds nor fails for a
// second or more (the kernel drops its first handshake), like a slow network.
class SlowPort {
 public:
  SlowPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), n) != 0 || ::listen(fd_, 0) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
      return;
    port_ = ntohs(a.sin_port);
    for (int i = 0; i < 3; ++i) {
      auto s = std::make_unique<QTcpSocket>();
      s->connectToHost(QHostAddress::LocalHost, port_);
      fillers_.push_back(std::move(s));
    }
    waitUntil([] { return false; }, 100);
  }
  ~SlowPort() {
    fillers_.clear();
    if (fd_ >= 0) ::close(fd_);
  }
  quint16 port() const { return port_; }

 private:
  int fd_ = -1;
  quint16 port_ = 0;
  std::vector<std::unique_ptr<QTcpSocket>> fillers_;
};

// A window keeps its link for every try (a login after a failed one, the next folder of a batch):
// the closed link of the last exchange must not cut the next connection's watchdog short.
TEST(ExchangeLink, AReusedLinkGivesTheNextConnectionItsWholeWatchdog) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  arch::ExchangeLink link;
  std::vector<int16_t> fired;
  int connected = 0;
  QObject::connect(&link, &arch::ExchangeLink::fired, [&](int16_t s) { fired.push_back(s); });
  QObject::connect(&link, &arch::ExchangeLink::connected, [&] { ++connected; });
  link.open(QStringLiteral("127.0.0.1"), server.serverPort());
  ASSERT_TRUE(waitUntil([&] { return connected == 1 || !fired.empty(); }));
  link.close();

  SlowPort slow;
  ASSERT_NE(slow.port(), 0);
  link.open(QStringLiteral("127.0.0.1"), slow.port());
  EXPECT_FALSE(waitUntil([&] { return !fired.empty(); }, 300)) << "the watchdog ran out at once";
  link.close();
  EXPECT_TRUE(fired.empty());
}

// A refused connection ends the wait at once, however long the watchdog.
TEST(ExchangeLink, ARefusedConnectionFailsAtOnce) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  const quint16 port = server.serverPort();
  server.close();
  arch::ExchangeLink link;
  std::vector<int16_t> fired;
  QObject::connect(&link, &arch::ExchangeLink::fired, [&](int16_t s) { fired.push_back(s); });
  QElapsedTimer t;
  t.start();
  link.open(QStringLiteral("127.0.0.1"), port, 42);
  ASSERT_TRUE(waitUntil([&] { return !fired.empty(); }));
  EXPECT_EQ(fired, std::vector<int16_t>{42});
  EXPECT_LT(t.elapsed(), arch::timing().watchdogMs);
}

}  // namespace
}  // namespace archivetest
