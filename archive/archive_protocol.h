#pragma once
// The archive's wire protocol: the client's messages, the tests it applies to the servers' replies
// and the readers of their fields. Pure functions over bytes; texts travel as Latin-1, one byte per
// character, with no terminator and no escaping.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace arch {

// ---- Client to request server --------------------------------------------------------------------
QByteArray msgLoginAttempt(const QString& login, const QByteArray& password);
QByteArray msgReqIndexDetails();
QByteArray msgPwdChg(const QString& login, const QByteArray& scrambledPassword);
QByteArray msgInit(const QString& user, const QString& achId, const QString& parm1, const QString& parm2,
                   bool update);
QByteArray msgAckPleaseProceed();
QByteArray msgLogout(const QString& user);
QByteArray msgUnlock(const QString& achId);

// ---- Client to archive server --------------------------------------------------------------------
QByteArray msgArchHeader(const QString& operation, const QString& id1, const QString& id2, const QString& parm1,
                         const QString& parm2, int64_t byteCount);

// The login's password on the wire: as typed (trimmed) for the service login, scrambled otherwise.
QByteArray loginPassword(const QString& login, const QString& password);

// ---- Replies -------------------------------------------------------------------------------------
inline constexpr char kLoginOk[] = "LOGIN OK - ";
inline constexpr char kIndexDetails[] = "INDEX DETAILS - ";
inline constexpr char kLoginInvalid[] = "LOGIN INVALID";
inline constexpr char kLoginExist[] = "LOGIN EXIST";
inline constexpr char kPwdChgCompleted[] = "PWD CHG COMPLETED";
inline constexpr char kAckPathNotFound[] = "ACK: PATH NOT FOUND";
inline constexpr char kAckFileNotFound[] = "ACK: FILE NOT FOUND";
inline constexpr char kAckFileLocked[] = "ACK: FILE LOCKED - ";
inline constexpr char kAckNumPaths[] = "ACK: NUM PATHS - ";
inline constexpr char kAckIndicesBytes[] = "ACK: INDICES, BYTES - ";
inline constexpr char kLogoutCompleted[] = "LOGOUT COMPLETED";
inline constexpr char kUnlockCompleted[] = "UNLOCK COMPLETED";
inline constexpr char kArchPleaseProceed[] = "ARCH: PLEASE PROCEED";
inline constexpr char kArchPleaseConfirm[] = "ARCH: PLEASE CONFIRM - ";
inline constexpr char kArchTransferCompleted[] = "ARCH: TRANSFER COMPLETED";
inline constexpr char kArchHeader[] = "ARCH: OPS, INDICES, BYTES - ";

struct Keys {
  QString achId, parm1, parm2;
  bool operator==(const Keys&) const = default;
};

// The login window's reply tests, in their order.
enum class LoginReply { LoginOk, IndexDetails, Invalid, Exist, Unexpected };
LoginReply classifyLoginReply(const QByteArray& reply);

struct Rights {
  bool view = false;
  bool update = false;
};
Rights parseLoginRights(const QByteArray& reply);

// Fields of "INDEX DETAILS - "; a field the reply does not supply is nullopt (the old value stays).
struct IndexDetails {
  std::optional<QString> parm1Caption, parm1MaxLen, parm2Caption, parm2MaxLen;
};
IndexDetails parseIndexDetails(const QByteArray& reply);

bool isPwdChgCompleted(const QByteArray& reply);

// The network window's reply tests, in their order; they depend on the text alone.
enum class RequestReply { NotFound, FileLocked, NumPaths, IndicesBytes, LogoutCompleted, UnlockCompleted, Unexpected };
RequestReply classifyRequestReply(const QByteArray& reply);

// "ACK: FILE LOCKED - ": the holder as received.
QString lockHolder(const QByteArray& reply);
// "ACK: NUM PATHS - count:A,P,Q,A,P,Q...": the records; the count plays no part. A triple that lacks
// its Parm1 separator ends the list.
std::vector<Keys> parseNumPaths(const QByteArray& reply);

struct IndicesBytes {
  Keys keys;
  int32_t byteCount = 0;
};
// "ACK: INDICES, BYTES - A,P,Q,N"; nullopt when a field is missing or N is not a number from 0 to
// 2^31 - 2 (the download is N + 1 bytes).
std::optional<IndicesBytes> parseIndicesBytes(const QByteArray& reply);

enum class ArchiveReply { PleaseProceed, PleaseConfirm, TransferCompleted, Other };
ArchiveReply classifyArchiveReply(const QByteArray& reply);
// "ARCH: PLEASE CONFIRM - A,P,Q": AchID and Parm1 untrimmed, Parm2 trimmed; nullopt without both commas.
std::optional<Keys> parseArchConfirm(const QByteArray& reply);

// ---- Input rules ---------------------------------------------------------------------------------
// A field may hold no comma (it would start a new field) and no control character.
bool isFieldSafe(const QString& text);
// A TCP port: decimal digits only, 1 to 65535.
bool isValidPort(const QString& text);

// Text of the wire as shown to the user.
inline QString wireText(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

}  // namespace arch
