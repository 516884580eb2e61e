#include "archive/reply_assembler.h"

#include "archive/archive_protocol.h"

#include <algorithm>
#include <cstring>

namespace arch {
namespace {

// Every reply keyword of both servers; the fixed replies are complete by themselves.
struct Keyword {
  const char* text;
  bool fixed;
};
constexpr Keyword kKeywords[] = {
    {kLoginOk, false},         {kIndexDetails, false},       {kLoginInvalid, true},       {kLoginExist, true},
    {kPwdChgCompleted, true},  {kAckPathNotFound, true},     {kAckFileNotFound, true},    {kAckFileLocked, false},
    {kAckNumPaths, false},     {kAckIndicesBytes, false},    {kLogoutCompleted, true},    {kUnlockCompleted, true},
    {kArchPleaseProceed, true}, {kArchPleaseConfirm, false}, {kArchTransferCompleted, true},
};

bool beginsWith(const char* data, qsizetype size, const char* keyword) {
  const qsizetype n = static_cast<qsizetype>(std::strlen(keyword));
  return size >= n && std::memcmp(data, keyword, static_cast<std::size_t>(n)) == 0;
}

// data (of size bytes) is a proper beginning of a keyword.
bool startsAKeyword(const char* data, qsizetype size) {
  for (const Keyword& k : kKeywords) {
    const qsizetype n = static_cast<qsizetype>(std::strlen(k.text));
    if (size < n && std::memcmp(data, k.text, static_cast<std::size_t>(size)) == 0) return true;
  }
  return false;
}

// The length of the keyword data begins with; 0 for none.
qsizetype keywordAt(const char* data, qsizetype size, bool* fixed = nullptr) {
  qsizetype best = 0;
  for (const Keyword& k : kKeywords) {
    if (beginsWith(data, size, k.text)) {
      const qsizetype n = static_cast<qsizetype>(std::strlen(k.text));
      if (n > best) {
        best = n;
        if (fixed) *fixed = k.fixed;
      }
    }
  }
  return best;
}

// A reply with fields whose separators have not all arrived.
bool lacksFields(const QByteArray& text) {
  // A separator is always followed by a field: a reply that ends in one is still arriving.
  if (text.trimmed().endsWith(',')) return true;
  auto commasAfter = [&](const char* prefix) {
    return std::count(text.begin() + static_cast<qsizetype>(std::strlen(prefix)), text.end(), ',');
  };
  if (text.startsWith(kAckIndicesBytes)) {
    if (commasAfter(kAckIndicesBytes) < 3) return true;
    return text.mid(text.lastIndexOf(',') + 1).trimmed().isEmpty();
  }
  if (text.startsWith(kArchPleaseConfirm)) return commasAfter(kArchPleaseConfirm) < 2;
  if (text.startsWith(kAckNumPaths)) return !text.contains(':');
  return false;
}

}  // namespace

bool isIncompleteReply(const QByteArray& text) {
  if (text.isEmpty()) return true;
  if (text.size() >= ReplyAssembler::kMaxReply) return false;
  return startsAKeyword(text.constData(), text.size()) || lacksFields(text);
}

QByteArray ReplyAssembler::take(qsizetype length) {
  QByteArray reply = buffer_.left(length);
  buffer_.remove(0, length);
  return reply;
}

std::optional<QByteArray> ReplyAssembler::takeReady() {
  if (buffer_.isEmpty()) return std::nullopt;
  const char* d = buffer_.constData();
  const qsizetype size = buffer_.size();
  // A fixed reply followed by nothing, or by the start of the next reply.
  bool fixed = false;
  const qsizetype head = keywordAt(d, size, &fixed);
  if (head > 0 && fixed) {
    const qsizetype left = size - head;
    if (left == 0 || startsAKeyword(d + head, left) || keywordAt(d + head, left) > 0) return take(head);
  }
  // A reply followed by a whole keyword: the second reply begins there.
  const qsizetype limit = std::min(size, kMaxReply);
  for (qsizetype p = std::max<qsizetype>(head, 1); p < limit; ++p) {
    if (keywordAt(d + p, size - p) > 0) {
      const QByteArray first = buffer_.left(p);
      if (!lacksFields(first)) return take(p);
    }
  }
  if (size >= kMaxReply) return take(kMaxReply);
  return std::nullopt;
}

std::optional<QByteArray> ReplyAssembler::takeQuiet() {
  if (auto r = takeReady()) return r;
  if (isIncompleteReply(buffer_)) return std::nullopt;
  return take(buffer_.size());
}

}  // namespace arch
