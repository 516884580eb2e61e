#include "tests/archive/fake_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

namespace fakearchive {
namespace {

const QByteArray kHeader = QByteArrayLiteral("ARCH: OPS, INDICES, BYTES - ");
const QByteArray kProceed = QByteArrayLiteral("ARCH: PLEASE PROCEED");

// Writes bytes in chunks with gaps, from offset on, then runs done; stops when the socket is gone.
// The chunks share the one array (a large document is never copied per chunk).
void sendChunks(QPointer<QTcpSocket> s, QByteArray bytes, qsizetype offset, int chunk, int gapMs,
                std::function<void()> done) {
  if (!s) return;
  if (chunk <= 0 || bytes.size() - offset <= chunk) {
    s->write(bytes.constData() + offset, bytes.size() - offset);
    if (done) done();
    return;
  }
  s->write(bytes.constData() + offset, chunk);
  QTimer::singleShot(gapMs, s, [s, bytes, offset, chunk, gapMs, done = std::move(done)]() mutable {
    sendChunks(s, bytes, offset + chunk, chunk, gapMs, std::move(done));
  });
}

}  // namespace

FakeArchive::FakeArchive(quint16 requestPort, quint16 archivePort)
    : req_(new QTcpServer(this)), ach_(new QTcpServer(this)) {
  req_->listen(QHostAddress::LocalHost, requestPort);
  ach_->listen(QHostAddress::LocalHost, archivePort);
  connect(req_, &QTcpServer::newConnection, this, [this] { accept(Side::Request); });
  connect(ach_, &QTcpServer::newConnection, this, [this] { accept(Side::Archive); });
}

FakeArchive::~FakeArchive() {
  for (Conn* c : conns_) {
    if (c->socket) {
      c->socket->disconnect(this);
      c->socket->abort();
    }
    delete c;
  }
}

quint16 FakeArchive::requestPort() const { return req_->serverPort(); }
quint16 FakeArchive::archivePort() const { return ach_->serverPort(); }
bool FakeArchive::listening() const { return req_->isListening() && ach_->isListening(); }

FakeArchive& FakeArchive::on(Side side, const QByteArray& prefix, Actions actions) {
  rules_.push_back({side, prefix, std::move(actions)});
  return *this;
}

void FakeArchive::stopListening(Side side) { (side == Side::Request ? req_ : ach_)->close(); }

std::vector<QByteArray> FakeArchive::receivedOn(Side side) const {
  std::vector<QByteArray> out;
  for (const Message& m : received_)
    if (m.side == side) out.push_back(m.bytes);
  return out;
}

void FakeArchive::accept(Side side) {
  QTcpServer* server = side == Side::Request ? req_ : ach_;
  while (QTcpSocket* s = server->nextPendingConnection()) {
    auto* c = new Conn;
    c->socket = s;
    c->side = side;
    c->number = side == Side::Request ? ++reqCount_ : ++achCount_;
    conns_.push_back(c);
    connect(s, &QTcpSocket::readyRead, this, [this, c] { readFrom(c); });
  }
}

void FakeArchive::readFrom(Conn* c) {
  if (!c->socket) return;
  QByteArray data = c->socket->readAll();
  while (!data.isEmpty()) {
    if (c->uploadExpected < 0) {
      // The client sends one message and waits for the answer: what arrived is that message.
      handle(c, data);
      return;
    }
    const qint64 need = c->uploadExpected - c->upload.size();
    c->upload += data.left(need);
    data = data.mid(need);
    if (c->upload.size() < c->uploadExpected) return;
    const QByteArray upload = c->upload;
    c->upload.clear();
    c->uploadExpected = -1;
    received_.push_back({c->side, c->number, upload});
    Actions actions;
    for (const Rule& r : rules_)
      if (r.side == c->side && r.prefix == kUpload) {
        actions = r.actions;
        break;
      }
    if (actions.empty() && fallback_) actions = fallback_(c->side, c->number, upload);
    run(c, actions);
  }
}

void FakeArchive::handle(Conn* c, const QByteArray& message) {
  received_.push_back({c->side, c->number, message});
  if (message.startsWith(kHeader)) c->announced = message.mid(message.lastIndexOf(',') + 1).toLongLong();
  Actions actions;
  bool found = false;
  for (const Rule& r : rules_) {
    if (r.side != c->side || r.prefix == kUpload || !message.startsWith(r.prefix)) continue;
    actions = r.actions;
    found = true;
    break;
  }
  if (!found && fallback_) actions = fallback_(c->side, c->number, message);
  run(c, actions);
}

void FakeArchive::run(Conn* c, const Actions& actions) {
  for (const Action& a : actions)
    if (a.kind == Action::Send && a.bytes == kProceed && c->announced >= 0) c->uploadExpected = c->announced + 1;
  runFrom(c->socket, std::make_shared<const Actions>(actions), 0);
}

// Runs the actions one after the other: an action starts only when the chunks of the one before it
// are all written, however late a loaded machine runs their timers.
void FakeArchive::runFrom(QPointer<QTcpSocket> s, std::shared_ptr<const Actions> actions, std::size_t i) {
  while (i < actions->size() && (*actions)[i].kind == Action::Silence) ++i;
  if (!s || i >= actions->size()) return;
  const Action& a = (*actions)[i];
  if (a.kind == Action::Close) {
    s->flush();
    s->disconnectFromHost();
    return;
  }
  sendChunks(s, a.bytes, 0, a.chunk, a.gapMs, [s, actions, i] { runFrom(s, actions, i + 1); });
}

// ---- The store -----------------------------------------------------------------------------------

void ArchiveStore::loadFolder(const QString& folder) {
  for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
    QFile f(fi.filePath());
    if (!f.open(QIODevice::ReadOnly)) continue;
    documents.push_back({fi.completeBaseName().toUpper(), fi.suffix().toUpper(), QString(), f.readAll(), QString(),
                         fi.filePath()});
  }
}

void ArchiveStore::attach(FakeArchive& fake) {
  fake.setFallback([this](Side side, int conn, const QByteArray& m) { return answer(side, conn, m); });
}

Actions ArchiveStore::answer(Side side, int connection, const QByteArray& message) {
  const QString text = QString::fromLatin1(message);
  const auto fields = [&](const char* prefix) { return text.mid(static_cast<int>(qstrlen(prefix))).split(','); };
  const auto reply = [](const QString& t) { return Actions{Action::send(t.toLatin1())}; };
  if (side == Side::Request) {
    if (text.startsWith("LOGIN ATTEMPT - ")) return reply("LOGIN OK - " + rights);
    if (text == "REQ INDEX DETAILS") return reply("INDEX DETAILS - " + indexDetails);
    if (text.startsWith("PWD CHG - ")) return reply("PWD CHG COMPLETED");
    if (text.startsWith("LOGOUT - ")) return reply("LOGOUT COMPLETED");
    if (text.startsWith("UNLOCK - ")) {
      const QString id = text.mid(9);
      for (Document& d : documents)
        if (d.achId == id) d.lockedBy.clear();
      return reply("UNLOCK COMPLETED");
    }
    if (text.startsWith("INIT - ")) {
      const QStringList f = fields("INIT - ");
      if (f.size() < 5) return reply("ACK: PATH NOT FOUND");
      std::vector<int> hits;
      for (int i = 0; i < static_cast<int>(documents.size()); ++i) {
        const Document& d = documents[i];
        if ((f[1].isEmpty() || d.achId == f[1]) && (f[2].isEmpty() || d.parm1 == f[2]) &&
            (f[3].isEmpty() || d.parm2 == f[3]))
          hits.push_back(i);
      }
      if (hits.empty()) return reply("ACK: FILE NOT FOUND");
      if (hits.size() > 1) {
        QStringList triples;
        for (int i : hits) triples << documents[i].achId + ',' + documents[i].parm1 + ',' + documents[i].parm2;
        return reply(QStringLiteral("ACK: NUM PATHS - %1:").arg(hits.size()) + triples.join(','));
      }
      Document& d = documents[hits[0]];
      if (!d.lockedBy.isEmpty() && d.lockedBy != f[0]) return reply("ACK: FILE LOCKED - " + d.lockedBy);
      if (f[4] == "TRUE") d.lockedBy = f[0];
      pendingDownload_[connection] = hits[0];
      return reply(QStringLiteral("ACK: INDICES, BYTES - %1,%2,%3,%4").arg(d.achId, d.parm1, d.parm2).arg(d.bytes.size()));
    }
    if (text == "ACK: PLEASE PROCEED" && pendingDownload_.contains(connection)) {
      const Document& d = documents[pendingDownload_.take(connection)];
      return {Action::send(d.bytes + QByteArray(1, '\0'), chunk, 0)};
    }
    return reply("UNKNOWN REQUEST");
  }
  if (message.startsWith(kHeader)) {
    pendingUpload_[connection] = fields("ARCH: OPS, INDICES, BYTES - ");
    return {Action::send(kProceed)};
  }
  if (pendingUpload_.contains(connection)) {
    const QStringList f = pendingUpload_.take(connection);
    if (f.size() < 6) return reply("ARCH: BAD HEADER");
    const QByteArray bytes = message.left(message.size() - 1);
    Document* doc = nullptr;
    for (Document& d : documents)
      if (d.achId == f[1]) doc = &d;
    if (!doc) {
      documents.push_back({});
      doc = &documents.back();
    }
    doc->achId = f[2];
    doc->parm1 = f[3];
    doc->parm2 = f[4];
    doc->bytes = bytes;
    if (!doc->file.isEmpty()) {
      QFile out(doc->file);
      if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(bytes);
    }
    return reply("ARCH: TRANSFER COMPLETED");
  }
  return reply("ARCH: UNKNOWN REQUEST");
}

}  // namespace fakearchive
