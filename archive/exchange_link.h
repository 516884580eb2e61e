#pragma once
// The mechanics that every archive window shares: one socket, one timer that either runs the next
// step of the window's state machine (a short step) or watches for an answer (the watchdog), and
// the joining of arrivals into whole replies. The window keeps its state table; the link tells it
// when its timer fired, when the connection was made and what arrived.
#include "archive/reply_assembler.h"
#include "runtime/winsock.h"

#include <QObject>
#include <QTimer>
#include <cstdint>

namespace arch {

// Every interval of the exchanges, in milliseconds. Tests shorten them.
struct Timing {
  int stepMs = 50;
  int watchdogMs = 20000;
  int transferWatchdogMs = 65000;
  // How long a connection must stay quiet before a reply without a fixed end counts as whole.
  int settleMs = 50;
};
Timing& timing();

// The failures every exchange's watchdog ends in: no connection was made, or a request got no whole
// answer (or the connection broke).
inline constexpr int16_t kNotContacted = 198, kNetworkFailed = 199;
// The message of either failure; server names the one that could not be contacted.
QString failureText(int16_t state, const QString& server);
QString networkErrorsText();

class ExchangeLink : public QObject {
  Q_OBJECT
 public:
  explicit ExchangeLink(QObject* parent = nullptr);

  rt::Winsock sck;

  // Sets the state and runs its step after the step interval.
  void step(int16_t state);
  // Enters a waiting state whose failure action runs when the watchdog of ms runs out first.
  void wait(int16_t state, int ms);
  // The timer off: the handler that got an answer cancels the watchdog this way.
  void stopTimer();
  // A connection to host and port whose failure, when it is not made within the watchdog or is
  // refused, runs failState.
  void open(const QString& host, int port, int16_t failState = kNotContacted);
  // Sends a request and waits ms (the watchdog by default) for its answer: kNetworkFailed runs when
  // none comes.
  void request(const QByteArray& message) { request(message, timing().watchdogMs); }
  void request(const QByteArray& message, int ms);
  // Raw mode: arrivals go out as they come (document bytes); text mode joins them into replies.
  void setRaw(bool raw) { raw_ = raw; }
  // Bytes that arrived in text mode and are not yet a whole reply.
  bool hasPendingText() const { return !assembler_.empty(); }
  void close();

 Q_SIGNALS:
  // The timer fired in this state (it is off again).
  void fired(int16_t state);
  void connected();
  void reply(const QByteArray& text);
  void bytes(const QByteArray& raw);

 private:
  // A connection to host and port; the link is told by connected() or, on failure, by the
  // waiting state's timer at once.
  void connectTo(const QString& host, int port);
  void send(const QByteArray& message);
  void arrival();
  void deliver(const QByteArray& text);
  void settle();
  void pump();
  void lost();

  QTimer timer_;
  QTimer settle_;
  ReplyAssembler assembler_;
  int16_t state_ = 0;
  int waitMs_ = 0;
  bool waiting_ = false;
  bool raw_ = false;
  bool lost_ = false;
  bool delivering_ = false;
};

}  // namespace arch
