#include "archive/archive_protocol.h"
#include "archive/mod_encryption.h"
#include "archive/reply_assembler.h"

#include <gtest/gtest.h>

namespace {

using namespace arch;

QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

TEST(PasswordScrambling, KnownVectors) {
  struct Case {
    QByteArray in, out;
  } cases[] = {
      {"", "X"},
      {"abc", hex("B39CFA28")},
  };
  for (const Case& c : cases) EXPECT_EQ(modEncryption::fnScramblePassword(c.in).toHex(), c.out.toHex()) << c.in.data();
}

TEST(PasswordScrambling, IsOneByteLongerAndRepeatable) {
  for (const QByteArray& in : {QByteArray("a"), QByteArray("secret12"), QByteArray("\xff\x00,", 3)}) {
    const QByteArray out = modEncryption::fnScramblePassword(in);
    EXPECT_EQ(out.size(), in.size() + 1);
    EXPECT_EQ(out, modEncryption::fnScramblePassword(in));
  }
}

TEST(PasswordScrambling, OneCharacterOnlyTheFirstTwoPassesAct) {
  // s = "aX": pass 1 changes a(2), pass 2 changes a(1); passes 3 and 4 have empty ranges.
  const unsigned a1 = 'a', x = 'X';
  const unsigned a2 = ((a1 * 159) % 256) ^ a1 ^ x;
  const unsigned b1 = ((a2 * 13) % 256) ^ a2 ^ a1;
  const QByteArray out = modEncryption::fnScramblePassword("a");
  ASSERT_EQ(out.size(), 2);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), b1);
  EXPECT_EQ(static_cast<unsigned char>(out[1]), a2);
}

TEST(ArchiveMessages, ExactBytes) {
  const QByteArray zeroPwd("\x00,\x01", 3);
  struct Case {
    QByteArray got, want;
  } cases[] = {
      {msgLoginAttempt("JOE", zeroPwd), QByteArray("LOGIN ATTEMPT - JOE,") + zeroPwd},
      {msgReqIndexDetails(), "REQ INDEX DETAILS"},
      {msgPwdChg("JOE", "xy"), "PWD CHG - JOE,xy"},
      {msgInit("JOE", "A1", "P", "", true), "INIT - JOE,A1,P,,TRUE"},
      {msgInit("JOE", "", "", "Q", false), "INIT - JOE,,,Q,FALSE"},
      {msgAckPleaseProceed(), "ACK: PLEASE PROCEED"},
      {msgLogout("JOE"), "LOGOUT - JOE"},
      {msgUnlock("A1"), "UNLOCK - A1"},
      {msgArchHeader("REINDEX", "OLD", "NEW", "P1", "P2", 1234), "ARCH: OPS, INDICES, BYTES - REINDEX,OLD,NEW,P1,P2,1234"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(ArchiveMessages, ServiceLoginPasswordGoesAsTypedOthersScrambled) {
  EXPECT_EQ(loginPassword(" telmux ", " pw "), "pw");
  EXPECT_EQ(loginPassword("JOE", " pw "), modEncryption::fnScramblePassword("pw"));
}

TEST(LoginReplies, ClassifiedInOrder) {
  struct Case {
    QByteArray reply;
    LoginReply want;
  } cases[] = {
      {"LOGIN OK - ACHVIEW", LoginReply::LoginOk},     {"LOGIN OK - ", LoginReply::LoginOk},
      {"INDEX DETAILS - a,1,b,2", LoginReply::IndexDetails}, {"LOGIN INVALID", LoginReply::Invalid},
      {"LOGIN INVALID PASSWORD", LoginReply::Invalid}, {"LOGIN EXIST", LoginReply::Exist},
      {"LOGIN OK", LoginReply::Unexpected},            {"", LoginReply::Unexpected},
  };
  for (const Case& c : cases) EXPECT_EQ(classifyLoginReply(c.reply), c.want) << c.reply.data();
}

TEST(LoginReplies, RightsAreTrimmedUpperCasedTokens) {
  struct Case {
    QByteArray reply;
    bool view, update;
  } cases[] = {
      {"LOGIN OK - achview , achupd ", true, true},
      {"LOGIN OK - ", false, false},
      {"LOGIN OK - ACHUPD", false, true},
      {"LOGIN OK - OTHER,ACHVIEW", true, false},
      {"LOGIN OK - ACHVIEWX", false, false},
  };
  for (const Case& c : cases) {
    const Rights r = parseLoginRights(c.reply);
    EXPECT_EQ(r.view, c.view) << c.reply.data();
    EXPECT_EQ(r.update, c.update) << c.reply.data();
  }
}

TEST(LoginReplies, IndexDetailsByFieldCount) {
  using O = std::optional<QString>;
  struct Case {
    QByteArray reply;
    O c1, l1, c2, l2;
  } cases[] = {
      {"INDEX DETAILS - Name , 20 , Date ,  8 ", "Name", "20", "Date", "8"},
      {"INDEX DETAILS - Name,20, Date ", "Name", "20", " Date ", std::nullopt},
      {"INDEX DETAILS - Name", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"INDEX DETAILS - ", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"INDEX DETAILS - a,1,b,2,extra", "a", "1", "b", "2,extra"},
  };
  for (const Case& c : cases) {
    const IndexDetails d = parseIndexDetails(c.reply);
    EXPECT_EQ(d.parm1Caption, c.c1) << c.reply.data();
    EXPECT_EQ(d.parm1MaxLen, c.l1) << c.reply.data();
    EXPECT_EQ(d.parm2Caption, c.c2) << c.reply.data();
    EXPECT_EQ(d.parm2MaxLen, c.l2) << c.reply.data();
  }
}

TEST(RequestReplies, ClassifiedInOrder) {
  struct Case {
    QByteArray reply;
    RequestReply want;
  } cases[] = {
      {"ACK: PATH NOT FOUND", RequestReply::NotFound},
      {"ACK: FILE NOT FOUND", RequestReply::NotFound},
      {"ACK: PATH NOT FOUND ", RequestReply::Unexpected},
      {"ACK: FILE LOCKED - MARY", RequestReply::FileLocked},
      {"ACK: NUM PATHS - 2:A,B,C", RequestReply::NumPaths},
      {"ACK: INDICES, BYTES - A,B,C,5", RequestReply::IndicesBytes},
      {"LOGOUT COMPLETED", RequestReply::LogoutCompleted},
      {"UNLOCK COMPLETED", RequestReply::UnlockCompleted},
      {"UNLOCK COMPLETED.", RequestReply::Unexpected},
      {"ARCH: PLEASE CONFIRM - A,B,C", RequestReply::Unexpected},
  };
  for (const Case& c : cases) EXPECT_EQ(classifyRequestReply(c.reply), c.want) << c.reply.data();
}

TEST(RequestReplies, LockHolderIsUntrimmed) { EXPECT_EQ(lockHolder("ACK: FILE LOCKED -  MARY "), " MARY "); }

TEST(RequestReplies, NumPathsRecords) {
  struct Case {
    QByteArray reply;
    std::vector<Keys> want;
  } cases[] = {
      {"ACK: NUM PATHS - 2:A1,P1,Q1,A2,P2,Q2", {{"A1", "P1", "Q1"}, {"A2", "P2", "Q2"}}},
      {"ACK: NUM PATHS - 9:A1,P1, Q1 ", {{"A1", "P1", "Q1"}}},
      {"ACK: NUM PATHS - 1:A1", {}},
      {"ACK: NUM PATHS - A1,P1,Q1", {}},
      {"ACK: NUM PATHS - 2:A1,P1,Q1,A2", {{"A1", "P1", "Q1"}}},
      {"ACK: NUM PATHS - 2:A1,P1,Q1,", {{"A1", "P1", "Q1"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(parseNumPaths(c.reply), c.want) << c.reply.data();
}

TEST(RequestReplies, IndicesBytesFieldsAndCount) {
  struct Case {
    QByteArray reply;
    bool valid;
    Keys keys;
    int32_t n;
  } cases[] = {
      {"ACK: INDICES, BYTES - A1, P1 ,Q1, 42 ", true, {"A1", " P1 ", "Q1"}, 42},
      {"ACK: INDICES, BYTES - A1,P1,Q1,0", true, {"A1", "P1", "Q1"}, 0},
      {"ACK: INDICES, BYTES - A1,P1,Q1,-1", false, {}, 0},
      {"ACK: INDICES, BYTES - A1,P1,Q1,12x", false, {}, 0},
      {"ACK: INDICES, BYTES - A1,P1,Q1,", false, {}, 0},
      {"ACK: INDICES, BYTES - A1,P1,42", false, {}, 0},
      {"ACK: INDICES, BYTES - A1,P1,Q1,2147483647", false, {}, 0},
      {"ACK: INDICES, BYTES - A1,P1,Q1,99999999999999999999", false, {}, 0},
  };
  for (const Case& c : cases) {
    const auto r = parseIndicesBytes(c.reply);
    ASSERT_EQ(r.has_value(), c.valid) << c.reply.data();
    if (!r) continue;
    EXPECT_EQ(r->keys, c.keys);
    EXPECT_EQ(r->byteCount, c.n);
  }
}

TEST(ArchiveReplies, ClassifiedAndConfirmRead) {
  EXPECT_EQ(classifyArchiveReply("ARCH: PLEASE PROCEED"), ArchiveReply::PleaseProceed);
  EXPECT_EQ(classifyArchiveReply("ARCH: PLEASE PROCEED "), ArchiveReply::Other);
  EXPECT_EQ(classifyArchiveReply("ARCH: TRANSFER COMPLETED"), ArchiveReply::TransferCompleted);
  EXPECT_EQ(classifyArchiveReply("ARCH: PLEASE CONFIRM - A, P , Q "), ArchiveReply::PleaseConfirm);
  EXPECT_EQ(parseArchConfirm("ARCH: PLEASE CONFIRM - A, P , Q "), (Keys{"A", " P ", "Q"}));
  EXPECT_FALSE(parseArchConfirm("ARCH: PLEASE CONFIRM - A,P"));
}

TEST(InputRules, FieldsAndPorts) {
  EXPECT_TRUE(isFieldSafe("ABC 12"));
  EXPECT_FALSE(isFieldSafe("A,B"));
  EXPECT_FALSE(isFieldSafe(QStringLiteral("A\tB")));
  EXPECT_FALSE(isFieldSafe(QString(QChar(0))));
  struct Case {
    const char* text;
    bool ok;
  } ports[] = {{"1", true}, {"65535", true}, {"0", false}, {"65536", false}, {"", false},
               {"+80", false}, {"8 0", false}, {"80a", false}, {"000080", false}};
  for (const Case& c : ports) EXPECT_EQ(isValidPort(c.text), c.ok) << c.text;
}

// ---- Reassembly ----------------------------------------------------------------------------------

std::vector<QByteArray> assemble(const std::vector<QByteArray>& arrivals, bool quietAtEnd = true) {
  ReplyAssembler a;
  std::vector<QByteArray> out;
  for (const QByteArray& b : arrivals) {
    a.feed(b);
    while (auto r = a.takeReady()) out.push_back(*r);
  }
  if (quietAtEnd)
    while (auto r = a.takeQuiet()) out.push_back(*r);
  return out;
}

TEST(ReplyAssembly, SplitAndBackToBackReplies) {
  using V = std::vector<QByteArray>;
  struct Case {
    const char* name;
    V arrivals, want;
  } cases[] = {
      {"whole fixed reply", {"LOGOUT COMPLETED"}, {"LOGOUT COMPLETED"}},
      {"fixed reply split", {"LOGOUT COMP", "LETED"}, {"LOGOUT COMPLETED"}},
      {"split inside a keyword", {"ACK: IND", "ICES, BYTES - A,P,Q,", "12"}, {"ACK: INDICES, BYTES - A,P,Q,12"}},
      {"two replies back to back", {"LOGIN OK - ACHVIEWINDEX DETAILS - a,1,b,2"},
       {"LOGIN OK - ACHVIEW", "INDEX DETAILS - a,1,b,2"}},
      {"fixed reply then another", {"ARCH: PLEASE PROCEEDARCH: TRANSFER COMPLETED"},
       {"ARCH: PLEASE PROCEED", "ARCH: TRANSFER COMPLETED"}},
      {"trailing blank stays part of the reply", {"ACK: PATH NOT FOUND "}, {"ACK: PATH NOT FOUND "}},
      {"unknown text is one reply", {"HELLO", " WORLD"}, {"HELLO WORLD"}},
      {"fields not all there yet", {"ACK: INDICES, BYTES - A,P"}, {}},
      {"start of a keyword only", {"ARCH: PLEASE "}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(assemble(c.arrivals), c.want) << c.name;
}

TEST(ReplyAssembly, ReplyWithFieldsWaitsForQuiet) {
  ReplyAssembler a;
  a.feed("LOGIN OK - ACH");
  EXPECT_FALSE(a.takeReady());
  a.feed("VIEW");
  EXPECT_FALSE(a.takeReady());
  EXPECT_EQ(a.takeQuiet(), QByteArray("LOGIN OK - ACHVIEW"));
  EXPECT_TRUE(a.empty());
}

TEST(ReplyAssembly, OverlongTextIsHandedOnInPieces) {
  ReplyAssembler a;
  a.feed(QByteArray(ReplyAssembler::kMaxReply + 10, 'z'));
  const auto r = a.takeReady();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->size(), ReplyAssembler::kMaxReply);
  EXPECT_EQ(a.takeQuiet()->size(), 10);
}

}  // namespace
