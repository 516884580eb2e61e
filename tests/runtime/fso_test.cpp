#include "runtime/errors.h"
#include "runtime/fso.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace rt::fso;
using testsupport::TempDir;

using testsupport::fileBytes;
using testsupport::writeFileBytes;
int errorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const rt::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST(FileSystem, FailuresCarryTheRuntimeNumbers) {
  TempDir dir;
  writeFileBytes(dir.file("a"), "x");
  writeFileBytes(dir.file("b"), "y");
  EXPECT_EQ(errorOf([&] { DeleteFile(dir.file("missing")); }), rt::kErrFileNotFound);
  EXPECT_EQ(errorOf([&] { MoveFile(dir.file("a"), dir.file("b")); }), rt::kErrFileExists);
  EXPECT_EQ(errorOf([&] { MoveFile(dir.file("missing"), dir.file("c")); }), rt::kErrFileNotFound);
  EXPECT_EQ(errorOf([&] { CreateFolder(dir.path()); }), rt::kErrFileExists);
  EXPECT_EQ(errorOf([&] { OpenTextFile(dir.file("missing")); }), rt::kErrFileNotFound);
  EXPECT_EQ(errorOf([&] { CreateTextFile(dir.file("nofolder/x.txt")); }), rt::kErrPathNotFound);
  EXPECT_EQ(fileBytes(dir.file("b")), "y");  // the failed move touched nothing
}

TEST(FileSystem, MoveDeleteAndWalk) {
  TempDir dir;
  writeFileBytes(dir.file("a.tif"), "x");
  MoveFile(dir.file("a.tif"), dir.file("B.TIF"));
  EXPECT_FALSE(FileExists(dir.file("a.tif")));
  EXPECT_TRUE(FileExists(dir.file("B.TIF")));
  CreateFolder(dir.file("sub"));
  EXPECT_EQ(FilesIn(dir.path()), QStringList{"B.TIF"});
  EXPECT_EQ(SubFoldersIn(dir.path()), QStringList{"sub"});
  QFile::setPermissions(dir.file("B.TIF"), QFileDevice::ReadOwner);
  EXPECT_EQ(errorOf([&] { DeleteFile(dir.file("B.TIF")); }), rt::kErrPermissionDenied);
  // A read-only file is not rewritten or appended to by a text stream either.
  EXPECT_EQ(errorOf([&] { CreateTextFile(dir.file("B.TIF")); }), rt::kErrPermissionDenied);
  EXPECT_EQ(errorOf([&] { OpenTextFile(dir.file("B.TIF"), ForAppending); }), rt::kErrPermissionDenied);
  EXPECT_EQ(fileBytes(dir.file("B.TIF")), "x");
  DeleteFile(dir.file("B.TIF"), true);
  EXPECT_FALSE(FileExists(dir.file("B.TIF")));
  EXPECT_EQ(GetExtensionName("/x/y/page.Tif"), "Tif");
  EXPECT_EQ(BuildPath("/x/", "y"), "/x/y");
}

TEST(TextStream, ReadsEveryLineEnding) {
  TempDir dir;
  writeFileBytes(dir.file("t.txt"), "one\r\ntwo\nthree\rfour\r\n\r\nlast");
  auto in = OpenTextFile(dir.file("t.txt"));
  QStringList lines;
  while (!in->AtEndOfStream()) lines << in->ReadLine();
  EXPECT_EQ(lines, (QStringList{"one", "two", "three", "four", "", "last"}));
  EXPECT_EQ(errorOf([&] { in->ReadLine(); }), 62);
}

TEST(TextStream, WritesAnsiWithCrLfAndReadsItBack) {
  TempDir dir;
  auto out = CreateTextFile(dir.file("t.txt"));
  out->WriteLine(QString::fromUtf8("Café €5"));
  out->Write("x");
  out->Close();
  EXPECT_EQ(fileBytes(dir.file("t.txt")), QByteArray("Caf\xE9 \x80" "5\r\nx"));
  auto in = OpenTextFile(dir.file("t.txt"));
  EXPECT_EQ(in->ReadLine(), QString::fromUtf8("Café €5"));
}

TEST(TextStream, AWriteThatIsNotClosedLeavesTheTargetAsItWas) {
  TempDir dir;
  writeFileBytes(dir.file("album.kvt"), "precious\r\n");
  {
    auto out = CreateTextFile(dir.file("album.kvt"));
    out->WriteLine("half");
  }
  EXPECT_EQ(fileBytes(dir.file("album.kvt")), "precious\r\n");
  EXPECT_EQ(FilesIn(dir.path()), QStringList{"album.kvt"});  // no temporary file left behind
  auto app = OpenTextFile(dir.file("album.kvt"), ForAppending);
  app->WriteLine("more");
  app->Close();
  EXPECT_EQ(fileBytes(dir.file("album.kvt")), "precious\r\nmore\r\n");
}

}  // namespace
