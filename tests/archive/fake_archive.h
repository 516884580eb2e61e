#pragma once
// A fake archive for tests and for trying the client by hand: the request server and the archive
// server on two loopback ports, answering by a table of rules. Each rule names the side, the
// beginning of a message and what to do then (send bytes, in chunks with gaps if wanted, close the
// connection, or say nothing). Every message received is recorded as raw bytes. A document upload
// (the N + 1 bytes after "ARCH: PLEASE PROCEED") is collected and recorded as one message.
// Messages no rule answers go to the store (see ArchiveStore) when one is attached, else meet silence.
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace fakearchive {

enum class Side { Request, Archive };

struct Action {
  enum Kind { Send, Close, Silence } kind = Silence;
  QByteArray bytes;
  int chunk = 0;  // bytes per write; 0 sends everything at once
  int gapMs = 0;  // pause between chunks
  static Action send(const QByteArray& b, int chunk = 0, int gapMs = 0) { return {Send, b, chunk, gapMs}; }
  static Action close() { return {Close, {}, 0, 0}; }
};
using Actions = std::vector<Action>;

struct Message {
  Side side;
  int connection;  // 1, 2, ... per side in the order accepted
  QByteArray bytes;
};

// Marks the rule that answers a completed upload.
inline const QByteArray kUpload = QByteArrayLiteral("\x01UPLOAD");

class FakeArchive : public QObject {
  Q_OBJECT
 public:
  // Listens on 127.0.0.1; ports 0 pick free ones.
  explicit FakeArchive(quint16 requestPort = 0, quint16 archivePort = 0);
  ~FakeArchive() override;

  quint16 requestPort() const;
  quint16 archivePort() const;
  bool listening() const;

  // The first rule, in the order added, whose prefix begins the message answers it.
  FakeArchive& on(Side side, const QByteArray& prefix, Actions actions);
  // Answers messages that no rule takes.
  using Fallback = std::function<Actions(Side, int connection, const QByteArray& message)>;
  void setFallback(Fallback f) { fallback_ = std::move(f); }
  // Stops listening on a side: connections there are refused from now on.
  void stopListening(Side side);

  const std::vector<Message>& received() const { return received_; }
  std::vector<QByteArray> receivedOn(Side side) const;
  int connections(Side side) const { return side == Side::Request ? reqCount_ : achCount_; }

 private:
  struct Conn {
    QPointer<QTcpSocket> socket;
    Side side;
    int number;
    qint64 uploadExpected = -1;  // N + 1 once the go-ahead was sent
    qint64 announced = -1;       // N of the last header
    QByteArray upload;
  };
  struct Rule {
    Side side;
    QByteArray prefix;
    Actions actions;
  };
  void accept(Side side);
  void readFrom(Conn* c);
  void handle(Conn* c, const QByteArray& message);
  void run(Conn* c, const Actions& actions);
  static void runFrom(QPointer<QTcpSocket> s, std::shared_ptr<const Actions> actions, std::size_t i);

  QTcpServer* req_ = nullptr;
  QTcpServer* ach_ = nullptr;
  std::vector<Rule> rules_;
  std::vector<Message> received_;
  std::vector<Conn*> conns_;
  Fallback fallback_;
  int reqCount_ = 0, achCount_ = 0;
};

// A small stateful archive behind the fake: documents by their three keys with locks, logins that
// are always accepted with both rights, index details, retrieve, unlock, logout and commit.
class ArchiveStore {
 public:
  struct Document {
    QString achId, parm1, parm2;
    QByteArray bytes;
    QString lockedBy;
    QString file;  // when set, a commit writes the new bytes there too
  };
  std::vector<Document> documents;
  QString rights = QStringLiteral("ACHVIEW,ACHUPD");
  QString indexDetails = QStringLiteral("Name,20,Date,10");
  int chunk = 64 * 1024;

  // Documents from every file of a folder: AchID the file's base name, Parm1 its suffix, upper case.
  void loadFolder(const QString& folder);
  void attach(FakeArchive& fake);
  Actions answer(Side side, int connection, const QByteArray& message);

 private:
  QMap<int, int> pendingDownload_;  // request connection -> document index
  QMap<int, QStringList> pendingUpload_;  // archive connection -> header fields
};

}  // namespace fakearchive
