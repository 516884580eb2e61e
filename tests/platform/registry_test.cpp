#include "platform/registry/registry.h"
#include "tests/support/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace plat::reg;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegistryFile(dir.file("registry").toStdString()); }
  void TearDown() override { SetRegistryFile(dir.file("unused").toStdString()); }

  // Writes a text value the way the program does: ANSI, byte count including the terminator.
  static long setText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                          static_cast<uint32_t>(text.size() + 1));
  }
  static std::string getText(HKEY root, const char* sub, const char* name, long* rc = nullptr) {
    HKEY k = nullptr;
    long r = RegOpenKeyExA(root, sub, 0, KEY_ALL_ACCESS, &k);
    std::string out;
    if (r == ERROR_SUCCESS) {
      uint8_t buf[256];
      uint32_t size = sizeof buf, type = 0;
      r = RegQueryValueExA(k, name, nullptr, &type, buf, &size);
      // The reader takes the byte count minus one as the length of the text.
      if (r == ERROR_SUCCESS && size > 0) out.assign(reinterpret_cast<char*>(buf), size - 1);
      RegCloseKey(k);
    }
    if (rc) *rc = r;
    return out;
  }

  testsupport::TempDir dir;
};

TEST_F(RegistryTest, CreateSetQueryAndKeepAcrossReload) {
  HKEY k = nullptr;
  uint32_t disp = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", 0, "1", REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &k, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
  EXPECT_EQ(setText(k, "FileAssoc", "1"), ERROR_SUCCESS);
  EXPECT_EQ(setText(k, "RemoteHost", "archive.local"), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);

  // Read back from the file by a fresh store; names compare without case.
  SetRegistryFile(dir.file("registry").toStdString());
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "software\\quorvane\\LUMIVEX", "fileassoc"), "1");
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "RemoteHost"), "archive.local");
  // The parent keys exist too.
  HKEY parent = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane", 0, KEY_READ, &parent), ERROR_SUCCESS);
  RegCloseKey(parent);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", 0, "1", 0, KEY_ALL_ACCESS, nullptr,
                            &k, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
  RegCloseKey(k);
}

TEST_F(RegistryTest, MissingKeysAndValuesAndBadHandles) {
  long rc = 0;
  getText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", "x", &rc);
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".kvt", 0, "1", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  uint32_t size = 0;
  EXPECT_EQ(RegQueryValueExA(k, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
  EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
  EXPECT_EQ(setText(k, "x", "y"), ERROR_INVALID_HANDLE);
  int notAKey = 0;
  EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(&notAKey), "x", nullptr, nullptr, nullptr, &size),
            ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, SmallBufferGivesMoreDataAndTheSizeNeeded) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "K", 0, "1", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  setText(k, "", "default value");
  uint32_t size = 4, type = 0;
  uint8_t buf[4];
  EXPECT_EQ(RegQueryValueExA(k, nullptr, nullptr, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 14u);
  size = 0;
  EXPECT_EQ(RegQueryValueExA(k, "", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 14u);
  const uint32_t dword = 7;
  EXPECT_EQ(RegSetValueExA(k, "n", 0, REG_DWORD, reinterpret_cast<const uint8_t*>(&dword), 4), ERROR_SUCCESS);
  uint32_t back = 0;
  size = 4;
  EXPECT_EQ(RegQueryValueExA(k, "N", nullptr, &type, reinterpret_cast<uint8_t*>(&back), &size), ERROR_SUCCESS);
  EXPECT_EQ(back, 7u);
  EXPECT_EQ(type, REG_DWORD);
  RegCloseKey(k);
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
  HKEY k = nullptr;
  RegCreateKeyExA(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell\\open", 0, "1", 0, KEY_ALL_ACCESS, nullptr,
                  &k, nullptr);
  setText(k, "v", "1");
  EXPECT_EQ(RegDeleteValueA(k, "V"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(k, "V"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
  // A key with sub-keys stays.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell\\open"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ADamagedStoreCostsOnlyItsDamagedLines) {
  {
    QFile f(dir.file("registry"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Key "A" with value "x" = "1\0", then garbage, then key "B" with value "y".
    f.write("LUMIVEX-REGISTRY 1\n"
            "K\tHKEY_LOCAL_MACHINE\t41\t\n"
            "V\t1\t78\t3100\n"
            "V\tnotanumber\t79\t00\n"
            "garbage line\n"
            "K\tHKEY_NOWHERE\t43\t\n"
            "V\t1\t7a\t3200\n"
            "K\tHKEY_LOCAL_MACHINE\t42\t\n"
            "V\t1\t79\t3300\n");
  }
  SetRegistryFile(dir.file("registry").toStdString());
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "A", "x"), "1");
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "B", "y"), "3");
  long rc = 0;
  getText(HKEY_LOCAL_MACHINE, "A", "y", &rc);
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
}

// Key "A" with value "x" = "1", key "B" with value "y" = "3", in the store's own text.
const QByteArray kRecords = "K\tHKEY_LOCAL_MACHINE\t41\t\n"
                            "V\t1\t78\t3100\n"
                            "K\tHKEY_LOCAL_MACHINE\t42\t\n"
                            "V\t1\t79\t3300\n";

TEST_F(RegistryTest, AStoreWithAnUnexpectedHeaderKeepsItsValuesAndIsSetAsideOnce) {
  const struct {
    const char* what;
    QByteArray text;
    bool setAside;
  } cases[] = {
      {"byte-order mark", "\xEF\xBB\xBFLUMIVEX-REGISTRY 1\n" + kRecords, false},
      // An editor on another system may have saved it: every line end of every kind is a line end.
      {"CR LF line ends", QByteArray("LUMIVEX-REGISTRY 1\n" + kRecords).replace("\n", "\r\n"), false},
      {"CR LF and a byte-order mark", "\xEF\xBB\xBF" + QByteArray("LUMIVEX-REGISTRY 1\n" + kRecords).replace("\n", "\r\n"), false},
      {"lone CR line ends", QByteArray("LUMIVEX-REGISTRY 1\n" + kRecords).replace("\n", "\r"), false},
      {"mixed line ends, the last without one", "LUMIVEX-REGISTRY 1\r\n" + kRecords.chopped(1), false},
      {"newer version", "LUMIVEX-REGISTRY 2\n" + kRecords + "X\tsomething newer\n", true},
      {"damaged byte in the header", "LUMIVEX-REGISTRY\x01 1\n" + kRecords, true},
      {"header missing", kRecords, true},
      {"damaged line", "LUMIVEX-REGISTRY 1\n" + kRecords + "V\t1\t7a\tzz\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::TempDir here;
    const QString file = here.file("registry");
    {
      QFile f(file);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.text);
    }
    SetRegistryFile(file.toStdString());
    EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "A", "x"), "1");
    EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "B", "y"), "3");
    const QStringList aside = QDir(here.path()).entryList({"registry.damaged-*"}, QDir::Files);
    const std::string notice = TakeStoreNotice();
    if (!c.setAside) {
      EXPECT_TRUE(aside.isEmpty());
      EXPECT_EQ(notice, "");
      continue;
    }
    ASSERT_EQ(aside.size(), 1);
    // The file as it was, byte for byte, and the store rewritten with what could be read.
    QFile kept(here.file(aside.front()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), c.text);
    EXPECT_NE(notice.find(aside.front().toStdString()), std::string::npos) << notice;
    EXPECT_EQ(TakeStoreNotice(), "");  // said once
    SetRegistryFile(file.toStdString());
    EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "B", "y"), "3");
    EXPECT_EQ(TakeStoreNotice(), "");  // the rewritten store is sound
    EXPECT_EQ(QDir(here.path()).entryList({"registry.damaged-*"}, QDir::Files).size(), 1);
  }
}

// An empty file holds nothing to lose: it is an empty store, neither set aside nor reported.
TEST_F(RegistryTest, AnEmptyStoreIsNotDamaged) {
  for (const QByteArray& text : {QByteArray(), QByteArray("\n"), QByteArray("\xEF\xBB\xBF")}) {
    testsupport::TempDir here;
    const QString file = here.file("registry");
    {
      QFile f(file);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(text);
    }
    SetRegistryFile(file.toStdString());
    EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "A", "x"), "");
    EXPECT_EQ(TakeStoreNotice(), "");
    EXPECT_TRUE(QDir(here.path()).entryList({"registry.damaged-*"}, QDir::Files).isEmpty());
  }
}

TEST_F(RegistryTest, AChangeByAnotherCopyOfTheProgramIsKept) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, "", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(setText(k, "mine", "1"), ERROR_SUCCESS);
  // Another copy writes the file in between.
  {
    QFile f(dir.file("registry"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("LUMIVEX-REGISTRY 1\n" + kRecords);
  }
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "B", "y"), "3");
  EXPECT_EQ(setText(k, "later", "2"), ERROR_SUCCESS);
  RegCloseKey(k);
  SetRegistryFile(dir.file("registry").toStdString());
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "A", "x"), "1");
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "A", "later"), "2");
  EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "B", "y"), "3");
}

// Run by the test below in a child process: writes values of its own into the shared store.
TEST_F(RegistryTest, ChildWritesValues) {
  const QByteArray file = qgetenv("LUMIVEX_REGISTRY_CHILD");
  if (file.isEmpty()) GTEST_SKIP() << "only run as the child of the two-copies test";
  SetRegistryFile(file.toStdString());
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, "", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(setText(k, ("child" + std::to_string(i)).c_str(), "c"), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, TwoCopiesWritingAtOnceLoseNothing) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LUMIVEX_REGISTRY_CHILD", dir.file("registry"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, "", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=RegistryTest.ChildWritesValues"});
  ASSERT_TRUE(child.waitForStarted());
  // This copy keeps writing while the other one runs, and once more after it ended.
  int written = 0;
  while (child.state() != QProcess::NotRunning && written < 100000) {
    ASSERT_EQ(setText(k, ("parent" + std::to_string(written)).c_str(), "p"), ERROR_SUCCESS);
    ++written;
    child.waitForFinished(1);
  }
  ASSERT_EQ(setText(k, ("parent" + std::to_string(written++)).c_str(), "p"), ERROR_SUCCESS);
  RegCloseKey(k);
  ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
  ASSERT_EQ(child.exitCode(), 0);
  SetRegistryFile(dir.file("registry").toStdString());
  for (int i = 0; i < written; ++i)
    EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "Shared", ("parent" + std::to_string(i)).c_str()), "p") << i;
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(getText(HKEY_LOCAL_MACHINE, "Shared", ("child" + std::to_string(i)).c_str()), "c") << i;
}

TEST_F(RegistryTest, AStoreThatCannotBeWrittenReportsAndKeepsNothing) {
  SetRegistryFile("/proc/no-such-place/registry");
  HKEY k = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "X", 0, "1", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_WRITE_FAULT);
  EXPECT_EQ(k, nullptr);
}

}  // namespace
