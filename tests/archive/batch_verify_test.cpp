#include "archive/batch_folder.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace arch::batch;

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

// Files whose content is "IMAGE" load; anything else fails with the loader's text.
QString fakeLoad(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll() == "IMAGE" ? QString() : QStringLiteral("Unknown file format");
}

QByteArray index(const QByteArray& achId, const QByteArray& parm1 = "P", const QByteArray& parm2 = "Q",
                 const QByteArray& op = "REINDEX") {
  return op + "\r\n" + achId + "\r\n" + parm1 + "\r\n" + parm2 + "\r\n";
}

struct Case {
  const char* name;
  std::vector<std::pair<const char*, QByteArray>> files;
  std::vector<const char*> subfolders;
  QStringList rows;
};

TEST(BatchVerify, FixtureTrees) {
  const QString ready = statusReady();
  const QByteArray twenty(20, 'A');
  const Case cases[] = {
      {"made by save batch", {{"A1.TXT", index("A1")}, {"A1.ACH", "IMAGE"}}, {}, {ready}},
      {"verified before", {{"A1.TXT", index("A1")}, {"A1.ACH", "IMAGE"}, {"VERIFIED.STS", ""}}, {}, {ready}},
      {"longest keys", {{"A1.TXT", index(twenty, QByteArray(50, 'p'), QByteArray(12, 'q'))}, {"A1.ACH", "IMAGE"}}, {},
       {ready}},
      {"lower-case names and LF lines", {{"a1.txt", "REINDEX\nA1\n\n\n"}, {"a1.ach", "IMAGE"}}, {}, {ready}},
      {"one file", {{"A1.TXT", index("A1")}}, {}, {"Unexpected number of files"}},
      {"four files",
       {{"A1.TXT", index("A1")}, {"A1.ACH", "IMAGE"}, {"VERIFIED.STS", ""}, {"X", ""}},
       {},
       {"Unexpected number of files"}},
      {"empty folder", {}, {}, {"Unexpected number of files"}},
      {"two index files", {{"A1.TXT", index("A1")}, {"B.TXT", index("B")}}, {},
       {"Index file - more than one found", "Image file - not found"}},
      {"two images", {{"A1.ACH", "IMAGE"}, {"B.ACH", "IMAGE"}}, {},
       {"Index file - not found", "Image file - more than one found"}},
      {"missing image", {{"A1.TXT", index("A1")}, {"VERIFIED.STS", ""}}, {}, {"Image file - not found"}},
      {"empty operation word", {{"A1.TXT", index("A1", "P", "Q", "")}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - invalid OPS parameter"}},
      {"long operation word", {{"A1.TXT", index("A1", "P", "Q", "REINDEXREIN")}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - invalid OPS parameter"}},
      {"empty archive id", {{"A1.TXT", index(" ")}, {"A1.ACH", "IMAGE"}}, {}, {"Index file - invalid AchID"}},
      {"archive id of 21", {{"A1.TXT", index(twenty + "B")}, {"A1.ACH", "IMAGE"}}, {}, {"Index file - invalid AchID"}},
      {"archive id with a slash", {{"A1.TXT", index("A/1")}, {"A1.ACH", "IMAGE"}}, {}, {"Index file - invalid AchID"}},
      {"archive id ..", {{"A1.TXT", index("..")}, {"A1.ACH", "IMAGE"}}, {}, {"Index file - invalid AchID"}},
      {"parm 1 of 51", {{"A1.TXT", index("A1", QByteArray(51, 'p'))}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - invalid Name"}},
      {"parm 1 with a comma", {{"A1.TXT", index("A1", "P,1")}, {"A1.ACH", "IMAGE"}}, {}, {"Index file - invalid Name"}},
      {"parm 2 of 13", {{"A1.TXT", index("A1", "P", QByteArray(13, 'q'))}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - invalid Date"}},
      {"three lines", {{"A1.TXT", "REINDEX\r\nA1\r\nP\r\n"}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - unexpected number of lines"}},
      {"five lines", {{"A1.TXT", index("A1") + "EXTRA\r\n"}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - unexpected number of lines"}},
      {"empty index file", {{"A1.TXT", ""}, {"A1.ACH", "IMAGE"}}, {}, {"Index file - unexpected number of lines"}},
      {"two bad lines", {{"A1.TXT", "\r\n\r\n"}, {"A1.ACH", "IMAGE"}}, {},
       {"Index file - invalid OPS parameter", "Index file - invalid AchID", "Index file - unexpected number of lines"}},
      {"unreadable image", {{"A1.TXT", index("A1")}, {"A1.ACH", "this is text"}}, {}, {"Unknown file format"}},
      {"unexpected file", {{"A1.TXT", index("A1")}, {"A1.ACH", "IMAGE"}, {"notes.doc", ""}}, {},
       {"Unexpected file found - notes.doc"}},
      {"subfolder", {{"A1.TXT", index("A1")}, {"A1.ACH", "IMAGE"}}, {"A2.ACH"}, {"Unexpected file found - A2.ACH"}},
  };
  testsupport::TempDir tmp;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = tmp.file(QString::number(n++));
    QDir().mkpath(folder);
    for (const auto& [name, bytes] : c.files) put(folder + '/' + name, bytes);
    for (const char* sub : c.subfolders) QDir().mkpath(folder + '/' + sub);
    QStringList rows = verifyFolder(folder, QStringLiteral("Name"), QStringLiteral("Date"), fakeLoad);
    // Rows of one folder come in the order its files are listed: compare them as a set.
    QStringList want = c.rows;
    rows.sort();
    want.sort();
    EXPECT_EQ(rows, want);
    const bool marked = QFile::exists(folder + "/VERIFIED.STS") || QFile::exists(folder + "/verified.sts");
    EXPECT_EQ(marked, c.rows == QStringList{ready});
    if (marked) {
      EXPECT_EQ(QFileInfo(folder + "/VERIFIED.STS").size(), 0);
    }
  }
}

TEST(BatchVerify, EveryPassJudgesAFolderAfresh) {
  testsupport::TempDir tmp;
  const QString folder = tmp.file("A1");
  QDir().mkpath(folder);
  put(folder + "/A1.TXT", index("A1"));
  put(folder + "/A1.ACH", "IMAGE");
  EXPECT_EQ(verifyFolder(folder, "", "", fakeLoad), QStringList{statusReady()});
  // Changed by hand after verification: the marker stays until the next pass, which removes it.
  put(folder + "/A1.TXT", index("A1", "P", QByteArray(13, 'q')));
  EXPECT_TRUE(readyItem(folder));
  EXPECT_EQ(verifyFolder(folder, "", "", fakeLoad), QStringList{"Index file - invalid "});
  EXPECT_FALSE(QFile::exists(folder + "/VERIFIED.STS"));
  EXPECT_FALSE(readyItem(folder));
  // A marked folder that now holds too many files loses its marker as well.
  put(folder + "/A1.TXT", index("A1"));
  ASSERT_EQ(verifyFolder(folder, "", "", fakeLoad), QStringList{statusReady()});
  put(folder + "/EXTRA", "");
  EXPECT_EQ(verifyFolder(folder, "", "", fakeLoad), QStringList{"Unexpected number of files"});
  EXPECT_FALSE(QFile::exists(folder + "/VERIFIED.STS"));
}

}  // namespace
