// Measures of the albums and browsing, driven by bench/albums/run.sh, which runs the reference
// tools on the same files in the same run:
//   bench_albums --thumbs DIR        one browser page of 40 thumbnails: first cell, whole page (ms)
//   bench_albums --display-all DIR   every file of DIR as thumbnails: time and peak memory
//   bench_albums --keyword DIR WORD  keyword search over every album below DIR (ms, hits)
//   bench_albums --make-albums DIR N ROWS   N albums of ROWS rows in sub-folders of DIR
//   bench_albums --make-files DIR N [photos|pages]  N photographs of 4000 x 3000 (JPEG), N letter
//                                    pages of 2550 x 3300 at 300 dpi (group 4 TIFF), or half of
//                                    each in turn; no two alike
#include "albums/folder_lists.h"
#include "albums/folder_scan.h"
#include "albums/thumb_grid.h"
#include "controls/imaging/bitmap.h"
#include "controls/imaging/codec.h"
#include "controls/imaging/format_codes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>
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


// A cloudy texture of several scales with fine grain, larger than a photograph so that each
// photograph can be a different part of it.
QImage texture(int w, int h) {
  QImage t(w, h, QImage::Format_RGB32);
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  constexpr int kOctaves = 6;
  std::vector<std::vector<float>> lattice(3 * kOctaves);
  std::vector<int> cols(3 * kOctaves);
  for (int i = 0; i < 3 * kOctaves; ++i) {
    const int cell = 512 >> (i % kOctaves);
    cols[static_cast<std::size_t>(i)] = w / cell + 2;
    lattice[static_cast<std::size_t>(i)].resize(static_cast<std::size_t>(cols[static_cast<std::size_t>(i)]) * (h / cell + 2));
    for (float& v : lattice[static_cast<std::size_t>(i)]) v = u(rng);
  }
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(t.scanLine(y));
    for (int x = 0; x < w; ++x) {
      int c3[3];
      for (int c = 0; c < 3; ++c) {
        float sum = 0, amp = 90;
        for (int o = 0; o < kOctaves; ++o, amp *= 0.55f) {
          const int i = c * kOctaves + o, cell = 512 >> o, n = cols[static_cast<std::size_t>(i)];
          const float fx = float(x % cell) / cell, fy = float(y % cell) / cell;
          const float* r0 = &lattice[static_cast<std::size_t>(i)][static_cast<std::size_t>(y / cell) * n + x / cell];
          sum += amp * ((r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r0[n] * (1 - fx) + r0[n + 1] * fx) * fy);
        }
        c3[c] = std::clamp(static_cast<int>(128 + sum) + static_cast<int>(rng() % 17) - 8, 0, 255);
      }
      line[x] = qRgb(c3[0], c3[1], c3[2]);
    }
  }
  return t;
}

int makeFiles(const QString& dir, int n, const QString& kind) {
  QDir().mkpath(dir);
  constexpr int kPhotoW = 4000, kPhotoH = 3000, kPageW = 2550, kPageH = 3300;
  const QImage base = texture(kPhotoW + 1000, kPhotoH + 1000);
  std::atomic<int> next{0}, failed{0};
  auto work = [&] {
    for (int i; (i = next++) < n;) {
      const bool photo = kind == QLatin1String("photos") || (kind != QLatin1String("pages") && i % 2 == 0);
      const QString path = QDir(dir).filePath(QStringLiteral("f%1.%2").arg(i, 4, 10, QLatin1Char('0')).arg(photo ? QStringLiteral("jpg") : QStringLiteral("tif")));
      if (photo) {
        // Each photograph a different part of the texture, tinted, with its number on it.
        QImage p = base.copy((i * 997) % 1000, (i * 613) % 1000, kPhotoW, kPhotoH);
        QPainter g(&p);
        g.fillRect(p.rect(), QColor((i * 53) % 256, (i * 97) % 256, (i * 31) % 256, 60));
        g.setPen(Qt::white);
        g.setFont(QFont(QStringLiteral("DejaVu Sans"), 200));
        g.drawText(p.rect(), Qt::AlignCenter, QString::number(i));
        g.end();
        if (!p.save(path, "JPG", 90)) ++failed;
      } else {
        // A letter of 80 lines, its words and line lengths differing from page to page.
        QImage p(kPageW, kPageH, QImage::Format_Grayscale8);
        p.fill(Qt::white);
        QPainter g(&p);
        g.setPen(Qt::black);
        g.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 20));
        std::mt19937 rng(static_cast<uint32_t>(i));
        for (int line = 0; line < 80; ++line) {
          QString text = QStringLiteral("Page %1 line %2:").arg(i).arg(line);
          const int words = 3 + static_cast<int>(rng() % 9);
          for (int k = 0; k < words; ++k) text += QStringLiteral(" word%1").arg(rng() % 100000);
          g.drawText(150, 150 + line * 38, text);
        }
        g.end();
        img::Bitmap b = img::Bitmap::fromQImage(p.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
        b.resolutionX = b.resolutionY = 300;
        img::SaveOptions o;
        o.format = img::kFormatTiff;
        o.tiffCompression = img::kTiffG4;
        try {
          img::writeFile(path, b, o);
        } catch (...) {
          ++failed;
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < std::max(1, QThread::idealThreadCount()); ++t) threads.emplace_back(work);
  for (std::thread& t : threads) t.join();
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList a = QApplication::arguments();
  if (a.size() >= 3 && a[1] == QStringLiteral("--thumbs")) return thumbs(a[2], albums::kBrowsePageCells, "browser page");
  if (a.size() >= 3 && a[1] == QStringLiteral("--display-all")) return thumbs(a[2], 0, "display all");
  if (a.size() >= 4 && a[1] == QStringLiteral("--keyword")) return keyword(a[2], a[3]);
  if (a.size() >= 4 && a[1] == QStringLiteral("--make-files")) return makeFiles(a[2], a[3].toInt(), a.value(4));
  if (a.size() >= 5 && a[1] == QStringLiteral("--make-albums")) return makeAlbums(a[2], a[3].toInt(), a[4].toInt());
  std::fprintf(stderr, "usage: bench_albums --thumbs DIR | --display-all DIR | --keyword DIR WORD | --make-albums DIR N ROWS | --make-files DIR N [photos|pages]\n");
  return 2;
}
