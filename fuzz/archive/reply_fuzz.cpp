// libFuzzer target for the archive replies: arrivals are cut from the input at points the input
// chooses, joined into replies by the assembler, and every reply goes through every reader. The
// replies together with what stays in the assembler must be exactly the bytes fed.
#include "archive/archive_protocol.h"
#include "archive/reply_assembler.h"

#include <cstddef>
#include <cstdint>

namespace {

void readAll(const QByteArray& reply) {
  (void)arch::classifyLoginReply(reply);
  (void)arch::parseLoginRights(reply);
  (void)arch::parseIndexDetails(reply);
  (void)arch::isPwdChgCompleted(reply);
  (void)arch::classifyRequestReply(reply);
  (void)arch::lockHolder(reply);
  (void)arch::parseNumPaths(reply);
  (void)arch::parseIndicesBytes(reply);
  (void)arch::classifyArchiveReply(reply);
  (void)arch::parseArchConfirm(reply);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const unsigned step = data[0] % 17 + 1;  // arrival size
  const QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  arch::ReplyAssembler a;
  QByteArray out;
  for (qsizetype at = 0; at < input.size(); at += step) {
    a.feed(input.mid(at, step));
    while (auto r = a.takeReady()) {
      if (r->isEmpty()) __builtin_trap();
      readAll(*r);
      out += *r;
    }
  }
  while (auto r = a.takeQuiet()) {
    if (r->isEmpty()) __builtin_trap();
    readAll(*r);
    out += *r;
  }
  // What is still held is only the beginning of a reply; nothing may be lost or repeated.
  if (!input.startsWith(out)) __builtin_trap();
  if (out.size() < input.size() && !arch::isIncompleteReply(input.mid(out.size()))) __builtin_trap();
  readAll(input);
  return 0;
}
