#include "archive/archive_protocol.h"

#include "archive/mod_encryption.h"

#include <QStringList>

namespace arch {
namespace {

QByteArray wire(const QString& text) { return text.toLatin1(); }

QByteArray joined(const char* prefix, std::initializer_list<QByteArray> fields) {
  QByteArray m(prefix);
  bool first = true;
  for (const QByteArray& f : fields) {
    if (!first) m += ',';
    m += f;
    first = false;
  }
  return m;
}

bool startsWith(const QByteArray& reply, const char* prefix) { return reply.startsWith(prefix); }

// The text after a prefix, as Latin-1.
QString rest(const QByteArray& reply, const char* prefix) {
  return QString::fromLatin1(reply.mid(static_cast<qsizetype>(qstrlen(prefix))));
}

// Cuts the next field off text at its first comma; false when there is no comma.
bool cutField(QString& text, QString* field) {
  const qsizetype comma = text.indexOf(QLatin1Char(','));
  if (comma < 0) return false;
  *field = text.left(comma);
  text = text.mid(comma + 1);
  return true;
}

}  // namespace

QByteArray msgLoginAttempt(const QString& login, const QByteArray& password) {
  return joined("LOGIN ATTEMPT - ", {wire(login), password});
}
QByteArray msgReqIndexDetails() { return QByteArrayLiteral("REQ INDEX DETAILS"); }
QByteArray msgPwdChg(const QString& login, const QByteArray& scrambledPassword) {
  return joined("PWD CHG - ", {wire(login), scrambledPassword});
}
QByteArray msgInit(const QString& user, const QString& achId, const QString& parm1, const QString& parm2,
                   bool update) {
  return joined("INIT - ", {wire(user), wire(achId), wire(parm1), wire(parm2),
                            update ? QByteArrayLiteral("TRUE") : QByteArrayLiteral("FALSE")});
}
QByteArray msgAckPleaseProceed() { return QByteArrayLiteral("ACK: PLEASE PROCEED"); }
QByteArray msgLogout(const QString& user) { return "LOGOUT - " + wire(user); }
QByteArray msgUnlock(const QString& achId) { return "UNLOCK - " + wire(achId); }

QByteArray msgArchHeader(const QString& operation, const QString& id1, const QString& id2, const QString& parm1,
                         const QString& parm2, int64_t byteCount) {
  return joined(kArchHeader,
                {wire(operation), wire(id1), wire(id2), wire(parm1), wire(parm2), QByteArray::number(byteCount)});
}

QByteArray loginPassword(const QString& login, const QString& password) {
  const QByteArray typed = wire(password.trimmed());
  if (login.trimmed().toUpper() == QLatin1String("TELMUX")) return typed;
  return modEncryption::fnScramblePassword(typed);
}

LoginReply classifyLoginReply(const QByteArray& reply) {
  if (startsWith(reply, kLoginOk)) return LoginReply::LoginOk;
  if (startsWith(reply, kIndexDetails)) return LoginReply::IndexDetails;
  if (startsWith(reply, kLoginInvalid)) return LoginReply::Invalid;
  if (startsWith(reply, kLoginExist)) return LoginReply::Exist;
  return LoginReply::Unexpected;
}

Rights parseLoginRights(const QByteArray& reply) {
  Rights r;
  const QString list = rest(reply, kLoginOk).trimmed().toUpper();
  if (list.isEmpty()) return r;
  for (const QString& token : list.split(QLatin1Char(','))) {
    const QString t = token.trimmed();
    if (t == QLatin1String("ACHVIEW")) r.view = true;
    if (t == QLatin1String("ACHUPD")) r.update = true;
  }
  return r;
}

IndexDetails parseIndexDetails(const QByteArray& reply) {
  IndexDetails d;
  QString text = rest(reply, kIndexDetails);
  QString field;
  if (!cutField(text, &field)) return d;
  d.parm1Caption = field.trimmed();
  if (!cutField(text, &field)) return d;
  d.parm1MaxLen = field.trimmed();
  if (cutField(text, &field)) {
    d.parm2Caption = field.trimmed();
    d.parm2MaxLen = text.trimmed();
  } else {
    d.parm2Caption = text;
  }
  return d;
}

bool isPwdChgCompleted(const QByteArray& reply) { return startsWith(reply, kPwdChgCompleted); }

RequestReply classifyRequestReply(const QByteArray& reply) {
  if (reply == kAckPathNotFound || reply == kAckFileNotFound) return RequestReply::NotFound;
  if (startsWith(reply, kAckFileLocked)) return RequestReply::FileLocked;
  if (startsWith(reply, kAckNumPaths)) return RequestReply::NumPaths;
  if (startsWith(reply, kAckIndicesBytes)) return RequestReply::IndicesBytes;
  if (reply == kLogoutCompleted) return RequestReply::LogoutCompleted;
  if (reply == kUnlockCompleted) return RequestReply::UnlockCompleted;
  return RequestReply::Unexpected;
}

QString lockHolder(const QByteArray& reply) { return rest(reply, kAckFileLocked); }

std::vector<Keys> parseNumPaths(const QByteArray& reply) {
  std::vector<Keys> records;
  QString text = rest(reply, kAckNumPaths);
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon < 0) return records;
  text = text.mid(colon + 1);
  for (;;) {
    Keys k;
    if (!cutField(text, &k.achId) || !cutField(text, &k.parm1)) break;
    if (cutField(text, &k.parm2)) {
      records.push_back(k);
      continue;
    }
    k.parm2 = text.trimmed();
    records.push_back(k);
    break;
  }
  return records;
}

std::optional<IndicesBytes> parseIndicesBytes(const QByteArray& reply) {
  if (!startsWith(reply, kAckIndicesBytes)) return std::nullopt;
  QString text = rest(reply, kAckIndicesBytes);
  IndicesBytes r;
  if (!cutField(text, &r.keys.achId) || !cutField(text, &r.keys.parm1) || !cutField(text, &r.keys.parm2))
    return std::nullopt;
  const QString n = text.trimmed();
  if (n.isEmpty()) return std::nullopt;
  for (QChar c : n)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  bool ok = false;
  const qint64 value = n.toLongLong(&ok);
  // N + 1 bytes must still be counted in 32 bits.
  if (!ok || value < 0 || value >= INT32_MAX) return std::nullopt;
  r.byteCount = static_cast<int32_t>(value);
  return r;
}

ArchiveReply classifyArchiveReply(const QByteArray& reply) {
  if (reply == kArchPleaseProceed) return ArchiveReply::PleaseProceed;
  if (startsWith(reply, kArchPleaseConfirm)) return ArchiveReply::PleaseConfirm;
  if (reply == kArchTransferCompleted) return ArchiveReply::TransferCompleted;
  return ArchiveReply::Other;
}

std::optional<Keys> parseArchConfirm(const QByteArray& reply) {
  if (!startsWith(reply, kArchPleaseConfirm)) return std::nullopt;
  QString text = rest(reply, kArchPleaseConfirm);
  Keys k;
  if (!cutField(text, &k.achId) || !cutField(text, &k.parm1)) return std::nullopt;
  k.parm2 = text.trimmed();
  return k;
}

bool isFieldSafe(const QString& text) {
  for (QChar c : text)
    if (c == QLatin1Char(',') || c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
  return true;
}

bool isValidPort(const QString& text) {
  if (text.isEmpty() || text.size() > 5) return false;
  for (QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  const int port = text.toInt();
  return port >= 1 && port <= 65535;
}

}  // namespace arch
