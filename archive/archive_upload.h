#pragma once
// One upload to the archive server on a connection of its own: the header, the go-ahead, the
// document's bytes and one zero byte, the completion. The index window and the batch window run
// their documents through it; it shows the failure messages itself and says when it has ended.
//
// The go-ahead only counts as the answer to a header, and the completion only after the bytes went
// out: a server that skips a step gets its reply shown as an error and nothing counts as stored.
#include "archive/archive_protocol.h"
#include "archive/exchange_link.h"
#include "runtime/dialogs.h"

#include <QObject>
#include <cstdint>
#include <functional>

namespace arch {

class ArchiveUpload : public QObject {
  Q_OBJECT
 public:
  // The header's two IDs: the ID the document is stored under and the one it is to have (the same
  // for a new document).
  struct Request {
    QString operation, id1, id2, parm1, parm2, file;
  };
  // The steps of the exchange besides the link's failures.
  static constexpr int16_t kProceed = 1, kCompleted = 2;

  explicit ArchiveUpload(QObject* parent = nullptr);

  // The socket with its timer.
  ExchangeLink* link = nullptr;
  // Asked when the server has a record of these keys already; true sends the header again with
  // "REINDEX" on the same connection. Without it the question is an error like any other reply.
  std::function<bool(const Keys& existing)> confirmOverwrite;

  // Hourglass, connection; the header goes out when it is made. Host and port are read now.
  void start(const Request& request);
  bool busy() const { return busy_; }
  // Ends a running upload silently (the window closes).
  void abort();

 Q_SIGNALS:
  // The exchange has ended with the connection closed and the default pointer; stored is true only
  // after the server confirmed the document's bytes. A failure has been shown already.
  void finished(bool stored);

 private:
  void fired(int16_t state);
  void connected();
  void reply(const QByteArray& text);
  void sendHeader();
  void end(bool stored, const QString& message = QString(), int style = rt::vbExclamation, const QString& title = QStringLiteral("Error"));

  Request request_;
  qint64 size_ = 0;
  bool busy_ = false;
  bool headerSent_ = false;
  bool bytesSent_ = false;
};

}  // namespace arch
