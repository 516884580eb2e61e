// Measures of the albums and browsing, driven by bench/albums/run.sh, which runs the reference
// tools on the same files in the same run:
//   bench_albums --thumbs DIR        one browser page of 40 thumbnails: first cell, whole page (ms)
//   bench_albums --display-all DIR   every file of DIR as thumbnails: time and peak memory
//   bench_albums --keyword DIR WORD  keyword search over every album below DIR (ms, hits)
//   bench_albums --make-albums DIR N ROWS   N albums of ROWS rows in sub-folders of DIR
#include "albums/folder_lists.h"
#include "albums/folder_scan.h"
#include "albums/thumb_grid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakRssMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

std::vector<albums::ThumbItem> itemsOf(const QString& dir, int limit) {
  std::vector<albums::ThumbItem> items;
  const QStringList files = albums::listFiles(dir, {});
  for (int i = 0; i < files.size() && (limit <= 0 || i < limit); ++i)
    items.push_back({QDir(dir).filePath(files[i]), 1, albums::cellCaption(i + 1, files[i]), QString(), false});
  return items;
}

int thumbs(const QString& dir, int limit, const char* label) {
  albums::ThumbGrid grid(albums::kBrowseColumns, 0, true);
  grid.resize(626, 484);
  std::vector<albums::ThumbItem> items = itemsOf(dir, limit);
  QElapsedTimer t;
  qint64 first = -1;
  QObject::connect(&grid, &albums::ThumbGrid::cellFilled, [&](int k) {
    if (k == 0) first = t.elapsed();
  });
  t.start();
  grid.showItems(std::move(items));
  grid.waitUntilLoaded(600000);
  const qint64 all = t.elapsed();
  std::printf("%s: %d cells, first visible after %lld ms, all after %lld ms, threads %d, peak memory %ld MB\n", label,
              grid.cellCount(), static_cast<long long>(first), static_cast<long long>(all), QThread::idealThreadCount(),
              peakRssMb());
  return 0;
}

int keyword(const QString& dir, const QString& word) {
  QElapsedTimer t;
  t.start();
  const QStringList found = albums::findAlbumFiles(dir);
  const auto hits = albums::searchAlbums(found, word);
  std::printf("keyword search: %lld albums, %lld hits in %lld ms\n", static_cast<long long>(found.size()),
              static_cast<long long>(hits.size()), static_cast<long long>(t.elapsed()));
  return 0;
}

int makeAlbums(const QString& dir, int n, int rows) {
  for (int a = 0; a < n; ++a) {
    const QString sub = QDir(dir).filePath(QStringLiteral("d%1/e%2").arg(a % 10).arg(a % 7));
    QDir().mkpath(sub);
    QFile f(QDir(sub).filePath(QStringLiteral("album%1.kvt").arg(a)));
    if (!f.open(QIODevice::WriteOnly)) return 1;
    QByteArray text;
    for (int r = 0; r < rows; ++r)
      text += QStringLiteral("/archive/scans/batch%1/page%2.tif, %3, INVOICE %4 CUSTOMER %5 %6\r\n")
                  .arg(a)
                  .arg(r)
                  .arg(r % 9 + 1)
                  .arg(a * 1000 + r)
                  .arg(r % 37)
                  .arg(r == 50 && a % 10 == 0 ? QStringLiteral("HARBOUR") : QStringLiteral("PAID"))
                  .toUtf8();
    f.write(text);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList a = QApplication::arguments();
  if (a.size() >= 3 && a[1] == QStringLiteral("--thumbs")) return thumbs(a[2], albums::kBrowsePageCells, "browser page");
  if (a.size() >= 3 && a[1] == QStringLiteral("--display-all")) return thumbs(a[2], 0, "display all");
  if (a.size() >= 4 && a[1] == QStringLiteral("--keyword")) return keyword(a[2], a[3]);
  if (a.size() >= 5 && a[1] == QStringLiteral("--make-albums")) return makeAlbums(a[2], a[3].toInt(), a[4].toInt());
  std::fprintf(stderr, "usage: bench_albums --thumbs DIR | --display-all DIR | --keyword DIR WORD | --make-albums DIR N ROWS\n");
  return 2;
}
