#include "archive/batch_folder.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using namespace arch::batch;
using testsupport::fileBytes;

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

QStringList sorted(QStringList l) {
  l.sort();
  return l;
}

TEST(BatchFolder, ClassifiesByTheLastFourCharactersInAnyCase) {
  struct Case {
    const char* name;
    FileKind kind;
  } cases[] = {
      {"A7.TXT", FileKind::Index},       {"a7.txt", FileKind::Index},       {"other.Txt", FileKind::Index},
      {".TXT", FileKind::Index},         {"A7.ACH", FileKind::Image},       {"scan.ach", FileKind::Image},
      {"VERIFIED.STS", FileKind::Marker}, {"verified.sts", FileKind::Marker}, {"X.VERIFIED.STS", FileKind::Unexpected},
      {"A7.TXT.bak", FileKind::Unexpected}, {"A7.TIF", FileKind::Unexpected}, {"TXT", FileKind::Unexpected},
      {"", FileKind::Unexpected},
  };
  for (const Case& c : cases) EXPECT_EQ(classify(QString::fromLatin1(c.name)), c.kind) << c.name;
}

TEST(BatchFolder, IndexFileIsFourCrLfLinesInTheAnsiCodePage) {
  EXPECT_EQ(indexFileBytes(QStringLiteral("  inv-7 "), QStringLiteral("a"), QString()),
            QByteArray("REINDEX\r\nINV-7\r\nA\r\n\r\n"));
  // Upper case of é is É (0xC9 in Windows-1252); what the code page cannot hold becomes '?'.
  EXPECT_EQ(indexFileBytes(QStringLiteral("X"), QStringLiteral("caf\u00e9"), QStringLiteral("\u4e00b")),
            QByteArray("REINDEX\r\nX\r\nCAF\xC9\r\n?B\r\n"));
}

TEST(BatchFolder, ReadsLinesEndedByCrLfLfOrCr) {
  struct Case {
    QByteArray bytes;
    QStringList lines;
  } cases[] = {
      {"REINDEX\r\nA\r\nB\r\nC\r\n", {"REINDEX", "A", "B", "C"}},
      {"REINDEX\nA\nB\nC\n", {"REINDEX", "A", "B", "C"}},
      {"REINDEX\nA\r\nB\rC", {"REINDEX", "A", "B", "C"}},
      {"REINDEX\r\nA\r\n\r\n\r\n", {"REINDEX", "A", "", ""}},
      {"", {}},
      {"\r\n", {""}},
      {"\n\r", {"", ""}},
      // An editor's byte-order mark is no part of the operation.
      {"\xEF\xBB\xBFREINDEX\r\nA\r\n", {"REINDEX", "A"}},
      {"CAF\xC9", {QStringLiteral("CAF\u00c9")}},
      {QByteArray("A\0B\n", 4), {QStringLiteral("A") + QChar(0) + QStringLiteral("B")}},
  };
  for (const Case& c : cases) EXPECT_EQ(readIndexLines(c.bytes), c.lines) << c.bytes.toStdString();
}

TEST(BatchFolder, KeysOfAShortIndexFileAreEmpty) {
  EXPECT_EQ(indexKeys({" REINDEX ", " a7 ", " p ", " q "}), (IndexKeys{"REINDEX", "a7", "p", "q"}));
  EXPECT_EQ(indexKeys({"REINDEX", "A7"}), (IndexKeys{"REINDEX", "A7", "", ""}));
  EXPECT_EQ(indexKeys({}), IndexKeys{});
}

TEST(BatchFolder, SafeFolderNames) {
  struct Case {
    QString id;
    bool safe;
  } cases[] = {
      {"INV7", true},  {" inv 7 ", true}, {"A.B", true},   {"", false},    {"   ", false}, {".", false},
      {"..", false},   {" .. ", false},   {"A/B", false},  {"A\\B", false}, {"A,B", false}, {"A\tB", false},
      {"A\nB", false}, {QStringLiteral("A") + QChar(0x7F), false},
  };
  for (const Case& c : cases) EXPECT_EQ(isSafeFolderName(c.id), c.safe) << c.id.toStdString();
}

class BatchWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir().mkpath(root());
    QDir().mkpath(input());
    put(doc(), QByteArray("II*\0document", 12));
  }
  void TearDown() override { setAlwaysCopyForTest(false); }
  QString root() const { return tmp.file("batch"); }
  QString input() const { return tmp.file("in"); }
  QString doc() const { return tmp.file("in/scan.tif"); }
  testsupport::TempDir tmp;
};

TEST_F(BatchWrite, WritesTheFolderByteForByteAndMovesTheDocumentIn) {
  for (bool copy : {false, true}) {
    SCOPED_TRACE(copy ? "copying move" : "renaming move");
    setAlwaysCopyForTest(copy);
    QDir(root()).removeRecursively();
    QDir().mkpath(root());
    put(doc(), QByteArray("II*\0document", 12));
    QString error;
    ASSERT_TRUE(writeBatchFolder(root(), QStringLiteral("  inv7 "), QStringLiteral("a"), QString(), doc(), &error))
        << error.toStdString();
    EXPECT_EQ(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"INV7"});
    const QString folder = root() + "/INV7";
    EXPECT_EQ(sorted(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)),
              (QStringList{"INV7.ACH", "INV7.TXT"}));
    EXPECT_EQ(fileBytes(folder + "/INV7.TXT"), QByteArray("REINDEX\r\nINV7\r\nA\r\n\r\n"));
    EXPECT_EQ(fileBytes(folder + "/INV7.ACH"), QByteArray("II*\0document", 12));
    EXPECT_FALSE(QFile::exists(doc()));
  }
}

TEST_F(BatchWrite, RefusesAndLeavesEverythingAsItWas) {
  QDir().mkpath(root() + "/TAKEN");
  put(root() + "/TAKEN/keep.txt", "old");
  put(root() + "/AFILE", "a file of that name");
  struct Case {
    const char* name;
    QString id, parm1;
    QString rootDir;
    const char* message;
  } cases[] = {
      {"folder exists", "taken", "", root(), "A batch folder of this Archive ID already exists:\r"},
      {"file of that name exists", "afile", "", root(), "A batch folder of this Archive ID already exists:\r"},
      {"empty id", "  ", "", root(), "Invalid Archive ID!\r"},
      {"dot dot", "..", "", root(), "Invalid Archive ID!\r"},
      {"slash", "a/b", "", root(), "Invalid Archive ID!\r"},
      {"backslash", "a\\b", "", root(), "Invalid Archive ID!\r"},
      {"comma", "a,b", "", root(), "Invalid Archive ID!\r"},
      {"comma in a parameter", "ok", "x,y", root(), "Parm 1 and Parm 2 must not contain commas"},
      {"no root", "ok", "", tmp.file("nowhere"), "Batch Root directory not found!"},
  };
  const QStringList before = sorted(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QString error;
    EXPECT_FALSE(writeBatchFolder(c.rootDir, c.id, c.parm1, QString(), doc(), &error));
    EXPECT_TRUE(error.startsWith(QString::fromLatin1(c.message))) << error.toStdString();
    EXPECT_EQ(sorted(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)), before);
    EXPECT_EQ(fileBytes(doc()), QByteArray("II*\0document", 12));
  }
  EXPECT_EQ(fileBytes(root() + "/TAKEN/keep.txt"), "old");
  EXPECT_EQ(fileBytes(root() + "/AFILE"), "a file of that name");
}

TEST_F(BatchWrite, AMissingDocumentLeavesNoFolder) {
  QString error;
  EXPECT_FALSE(writeBatchFolder(root(), "A1", "", "", tmp.file("in/none.tif"), &error));
  EXPECT_EQ(error, "File does not exists!");
  EXPECT_TRUE(QDir(root()).isEmpty());
}

TEST_F(BatchWrite, MoveNeverReplacesATarget) {
  put(tmp.file("target"), "keep");
  for (bool copy : {false, true}) {
    setAlwaysCopyForTest(copy);
    QString error;
    EXPECT_FALSE(moveFile(doc(), tmp.file("target"), &error));
    EXPECT_EQ(fileBytes(tmp.file("target")), "keep");
    EXPECT_TRUE(QFile::exists(doc()));
    EXPECT_FALSE(QFile::exists(tmp.file("target.part")));
  }
}

// ---- Archival side ---------------------------------------------------------------------------------

TEST(BatchArchival, ReadyItemNeedsTheMarkerOneDocumentAndAnArchiveId) {
  testsupport::TempDir tmp;
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, QByteArray>> files;
    bool ready;
    IndexKeys keys;
  } cases[] = {
      {"verified", {{"A1.TXT", "REINDEX\r\nA1\r\nP\r\nQ\r\n"}, {"A1.ACH", "x"}, {"VERIFIED.STS", ""}}, true,
       {"REINDEX", "A1", "P", "Q"}},
      {"changed operation word is read but not used",
       {{"A1.TXT", "ANYTHING\nA1\n\n"}, {"a1.ach", "x"}, {"verified.sts", ""}}, true, {"ANYTHING", "A1", "", ""}},
      {"short index file", {{"A1.TXT", "REINDEX\r\nA1"}, {"A1.ACH", "x"}, {"VERIFIED.STS", ""}}, true,
       {"REINDEX", "A1", "", ""}},
      {"no marker", {{"A1.TXT", "REINDEX\r\nA1\r\n\r\n\r\n"}, {"A1.ACH", "x"}}, false, {}},
      {"empty archive id", {{"A1.TXT", "REINDEX\r\n  \r\nP\r\nQ\r\n"}, {"A1.ACH", "x"}, {"VERIFIED.STS", ""}}, false, {}},
      {"comma in a key", {{"A1.TXT", "REINDEX\r\nA1\r\nP,X\r\nQ\r\n"}, {"A1.ACH", "x"}, {"VERIFIED.STS", ""}}, false,
       {}},
      {"no document", {{"A1.TXT", "REINDEX\r\nA1\r\n\r\n\r\n"}, {"VERIFIED.STS", ""}}, false, {}},
      {"two documents", {{"A1.TXT", "REINDEX\r\nA1\r\n\r\n\r\n"}, {"A1.ACH", "x"}, {"B.ACH", "y"}, {"VERIFIED.STS", ""}},
       false, {}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = tmp.file(QString::number(n++));
    QDir().mkpath(folder);
    for (const auto& [name, bytes] : c.files) put(folder + '/' + name, bytes);
    const auto item = readyItem(folder);
    ASSERT_EQ(item.has_value(), c.ready);
    if (!item) continue;
    EXPECT_EQ(item->keys, c.keys);
    EXPECT_EQ(QFileInfo(item->image).fileName().toUpper(), "A1.ACH");
  }
}

TEST(BatchArchival, RemovingASentFolderDeletesOnlyWhatItKnows) {
  testsupport::TempDir tmp;
  const QString folder = tmp.file("A1");
  QDir().mkpath(folder);
  for (const char* name : {"A1.TXT", "A1.ACH", "VERIFIED.STS"}) put(folder + '/' + name, "REINDEX\r\nA1\r\n\r\n\r\n");
  QFile::setPermissions(folder + "/A1.ACH", QFileDevice::ReadOwner);  // read-only goes too
  auto item = readyItem(folder);
  ASSERT_TRUE(item);
  QString error;
  EXPECT_TRUE(removeSentFolder(*item, &error)) << error.toStdString();
  EXPECT_FALSE(QFileInfo::exists(folder));

  // Something added by hand stays, with its folder; the marker is gone so it is not sent again.
  QDir().mkpath(folder + "/sub");
  for (const char* name : {"A1.TXT", "A1.ACH", "VERIFIED.STS"}) put(folder + '/' + name, "REINDEX\r\nA1\r\n\r\n\r\n");
  item = readyItem(folder);
  ASSERT_TRUE(item);
  EXPECT_FALSE(removeSentFolder(*item, &error));
  EXPECT_TRUE(error.startsWith("The batch folder could not be removed after its archival:\r"));
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"sub"});
  EXPECT_FALSE(readyItem(folder));
}

}  // namespace
