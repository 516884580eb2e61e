// The fake archive as a program: serves the files of a folder as archived documents on two loopback
// ports until it is stopped. Usage: fake_archive FOLDER [REQUEST_PORT [ARCHIVE_PORT]]
#include "tests/archive/fake_archive.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: fake_archive FOLDER [REQUEST_PORT [ARCHIVE_PORT]]\n");
    return 2;
  }
  fakearchive::FakeArchive fake(args.size() > 2 ? args[2].toUShort() : 7001, args.size() > 3 ? args[3].toUShort() : 7002);
  if (!fake.listening()) {
    std::fprintf(stderr, "fake_archive: the ports are in use\n");
    return 1;
  }
  fakearchive::ArchiveStore store;
  store.loadFolder(args[1]);
  store.attach(fake);
  std::printf("request server 127.0.0.1:%u, archive server 127.0.0.1:%u, %zu documents\n", fake.requestPort(),
              fake.archivePort(), store.documents.size());
  std::fflush(stdout);
  return app.exec();
}
