#include "archive/exchange_link.h"

#include <QPointer>

namespace arch {

Timing& timing() {
  static Timing t;
  return t;
}

ExchangeLink::ExchangeLink(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  settle_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    waiting_ = false;
    Q_EMIT fired(state_);
  });
  connect(&settle_, &QTimer::timeout, this, [this] { settle(); });
  connect(&sck, &rt::Winsock::Connected, this, [this] {
    stopTimer();
    Q_EMIT connected();
  });
  connect(&sck, &rt::Winsock::DataArrival, this, [this](qint64) { arrival(); });
  connect(&sck, &rt::Winsock::Error, this, [this](int, const QString&) { lost(); });
  connect(&sck, &rt::Winsock::Closed, this, [this] { lost(); });
}

void ExchangeLink::step(int16_t state) {
  state_ = state;
  waiting_ = false;
  timer_.start(timing().stepMs);
}

void ExchangeLink::wait(int16_t state, int ms) {
  state_ = state;
  waiting_ = true;
  waitMs_ = ms;
  // A connection that is already gone cannot answer: the failure action runs at once.
  timer_.start(lost_ ? 0 : ms);
}

void ExchangeLink::stopTimer() {
  timer_.stop();
  waiting_ = false;
}

void ExchangeLink::connectTo(const QString& host, int port) {
  lost_ = false;
  raw_ = false;
  assembler_.clear();
  sck.RemoteHost = host;
  sck.RemotePort = port;
  // The connection the wait is for has only begun now: the closed one before it does not end it.
  if (waiting_) timer_.start(waitMs_);
  sck.Connect();
}

void ExchangeLink::send(const QByteArray& message) { sck.SendData(message); }

void ExchangeLink::open(const QString& host, int port, int16_t failState) {
  wait(failState, timing().watchdogMs);
  connectTo(host, port);
}

void ExchangeLink::request(const QByteArray& message, int ms) {
  wait(kNetworkFailed, ms);
  send(message);
}

QString failureText(int16_t state, const QString& server) {
  if (state == kNotContacted) return server + QStringLiteral(" could not be contacted. Operation aborted!");
  return networkErrorsText();
}

QString networkErrorsText() { return QStringLiteral("TCPIP network errors encountered. Operation aborted!"); }

void ExchangeLink::close() {
  stopTimer();
  settle_.stop();
  assembler_.clear();
  sck.Close();
  lost_ = true;
}

void ExchangeLink::arrival() {
  const QByteArray data = sck.GetData();
  if (data.isEmpty()) return;
  if (raw_) {
    stopTimer();
    Q_EMIT bytes(data);
    return;
  }
  assembler_.feed(data);
  pump();
}

void ExchangeLink::deliver(const QByteArray& text) {
  settle_.stop();
  stopTimer();
  QPointer<ExchangeLink> self(this);
  delivering_ = true;
  Q_EMIT reply(text);
  if (!self) return;
  delivering_ = false;
  // What arrived meanwhile (or came back to back with this reply) is read next, one reply at a time.
  if (!raw_ && !assembler_.empty()) QTimer::singleShot(0, this, [this] { pump(); });
}

void ExchangeLink::pump() {
  if (raw_ || delivering_ || assembler_.empty()) return;
  if (auto r = assembler_.takeReady()) {
    deliver(*r);
  } else {
    settle_.start(timing().settleMs);
  }
}

void ExchangeLink::settle() {
  if (raw_ || delivering_) return;
  if (auto r = assembler_.takeQuiet()) deliver(*r);
}

void ExchangeLink::lost() {
  if (lost_) return;
  lost_ = true;
  // Bytes that came just before the end are still read first; nothing more can join them.
  if (sck.BytesReceived() > 0) arrival();
  if (!raw_ && !delivering_ && !assembler_.empty()) {
    settle_.stop();
    QPointer<ExchangeLink> self(this);
    if (auto r = assembler_.takeQuiet()) deliver(*r);
    if (!self) return;
  }
  if (waiting_) timer_.start(0);
}

}  // namespace arch
