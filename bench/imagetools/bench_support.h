#pragma once
// What the image tools' benchmarks share: the photograph-like test picture, a stop watch on a
// widget's painting, and running the event loop for a while.
#include "controls/imaging/bitmap.h"
#include "controls/imaging/ops_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <functional>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>

namespace bench {

namespace ops = img::ops;
constexpr int kW = 6000, kH = 4000;

// A photograph-like picture: a cloudy texture of several scales in each channel, fine grain,
// and a few hundred sharp-edged blots, so that it holds millions of distinct colours and edges as
// a photograph does (a smooth gradient has few colours and flatters anything that caches them).
inline img::Bitmap picture() {
  img::Bitmap b(kW, kH, 24);
  std::mt19937 rng(7);
  // Random lattices of falling cell sizes, interpolated bilinearly per channel.
  constexpr int kOctaves = 6;
  struct Lattice {
    int cell, cols;
    std::vector<float> v;
  };
  std::vector<Lattice> lattices;
  for (int c = 0; c < 3; ++c)
    for (int o = 0; o < kOctaves; ++o) {
      Lattice l{1024 >> o, 0, {}};
      l.cols = kW / l.cell + 2;
      l.v.resize(static_cast<std::size_t>(l.cols) * (kH / l.cell + 2));
      std::uniform_real_distribution<float> u(-1.0f, 1.0f);
      for (float& x : l.v) x = u(rng);
      lattices.push_back(std::move(l));
    }
  // The blots first, as offsets from mid-grey; the texture and grain go over them.
  cv::Mat m(kH, kW, CV_8UC3, b.row(0), static_cast<std::size_t>(b.stride()));
  for (int i = 0; i < 300; ++i) {
    const cv::Point at(static_cast<int>(rng() % kW), static_cast<int>(rng() % kH));
    const cv::Scalar colour(1 + rng() % 255, 1 + rng() % 255, 1 + rng() % 255);
    if (i % 2) cv::circle(m, at, static_cast<int>(20 + rng() % 300), colour, cv::FILLED);
    else cv::rectangle(m, cv::Rect(at.x, at.y, static_cast<int>(20 + rng() % 400), static_cast<int>(20 + rng() % 400)), colour, cv::FILLED);
  }
  cv::parallel_for_(cv::Range(0, kH), [&](const cv::Range& r) {
    for (int y = r.start; y < r.end; ++y) {
      uint8_t* p = b.row(y);
      for (int x = 0; x < kW; ++x, p += 3) {
        const uint32_t grain = ops::positionBits(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) & 0xFFFFFF;
        for (int c = 0; c < 3; ++c) {
          float sum = 0, amp = 90;
          for (int o = 0; o < kOctaves; ++o, amp *= 0.55f) {
            const Lattice& l = lattices[static_cast<std::size_t>(c * kOctaves + o)];
            const int cx = x / l.cell, cy = y / l.cell;
            const float fx = float(x % l.cell) / l.cell, fy = float(y % l.cell) / l.cell;
            const float* r0 = &l.v[static_cast<std::size_t>(cy) * l.cols + cx];
            const float* r1 = r0 + l.cols;
            sum += amp * ((r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy);
          }
          const int g = static_cast<int>((grain >> (8 * c)) & 0xFF) % 25 - 12;
          const int blot = p[c] ? (p[c] - 128) * 3 / 5 : 0;
          p[c] = static_cast<uint8_t>(std::clamp(static_cast<int>(128 + sum) + blot + g, 0, 255));
        }
      }
    }
  });
  return b;
}

inline double msOf(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Stops the clock when the watched viewer has painted, once armed: the paint event is handled
// here first so that the time taken is the end of the painting.
class PaintWatch : public QObject {
 public:
  // when, if given, must hold as well for a paint to count.
  explicit PaintWatch(QWidget* target, std::function<bool()> when = {}) : target_(target), when_(std::move(when)) {
    target->installEventFilter(this);
  }
  void reset() { armed_ = done_ = false; }
  void arm() { armed_ = true, done_ = false; }
  bool done() const { return done_; }
  std::chrono::steady_clock::time_point end() const { return end_; }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o != target_ || e->type() != QEvent::Paint || !armed_ || (when_ && !when_())) return false;
    static_cast<QObject*>(target_)->event(e);
    end_ = std::chrono::steady_clock::now();
    armed_ = false;
    done_ = true;
    return true;
  }

 private:
  QWidget* target_;
  std::function<bool()> when_;
  bool armed_ = false, done_ = false;
  std::chrono::steady_clock::time_point end_;
};

// Keeps the event loop running for ms milliseconds.
inline void runEventsFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, ms);
}

// Runs the event loop until the watch has seen its widget painted (false after 20 s without).
inline bool waitPainted(const PaintWatch& watch) {
  QElapsedTimer guard;
  guard.start();
  while (!watch.done() && guard.elapsed() < 20000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  return watch.done();
}

inline double msSince(std::chrono::steady_clock::time_point t0, std::chrono::steady_clock::time_point t1) {
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace bench
