#include "controls/imaging/page_thumb_loader.h"

#include "runtime/errors.h"

#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <deque>
#include <mutex>

namespace img {

PageThumb makePageThumb(const QString& path, int32_t page, int maxSide) {
  PageThumb t;
  t.page = page;
  try {
    t.decoded = readFilePageForDisplay(path, page, maxSide, t.fullWidth, t.fullHeight);
  } catch (const rt::RuntimeError&) {
    t.decoded = Decoded();
    t.fullWidth = t.fullHeight = 0;
  }
  return t;
}

struct PageThumbLoader::Shared {
  std::mutex m;
  bool stopped = false;
  PageThumbLoader* owner = nullptr;  // cleared under m when the owner stops
  std::vector<char> taken;           // by page index
  std::deque<int32_t> preferred;     // 1-based pages to take first
  int32_t cursor = 0;                // next page index in file order

  // The next page to make, or 0 when none is left. Called with m held.
  int32_t next() {
    while (!preferred.empty()) {
      const int32_t p = preferred.front();
      preferred.pop_front();
      if (p >= 1 && p <= static_cast<int32_t>(taken.size()) && !taken[static_cast<std::size_t>(p - 1)]) {
        taken[static_cast<std::size_t>(p - 1)] = 1;
        return p;
      }
    }
    while (cursor < static_cast<int32_t>(taken.size())) {
      const int32_t i = cursor++;
      if (!taken[static_cast<std::size_t>(i)]) {
        taken[static_cast<std::size_t>(i)] = 1;
        return i + 1;
      }
    }
    return 0;
  }
};

PageThumbLoader::PageThumbLoader(const QString& path, int32_t pageCount, int maxSide, Ready onReady, int threads,
                                 QObject* parent)
    : QObject(parent), path_(path), count_(std::max(0, pageCount)), onReady_(std::move(onReady)),
      shared_(std::make_shared<Shared>()), pool_(std::make_unique<QThreadPool>()) {
  shared_->owner = this;
  shared_->taken.assign(static_cast<std::size_t>(count_), 0);
  const int workers = std::clamp(threads > 0 ? threads : QThread::idealThreadCount(), 1, std::max(1, count_));
  pool_->setMaxThreadCount(workers);
  for (int w = 0; w < workers && count_ > 0; ++w) {
    std::shared_ptr<Shared> s = shared_;
    pool_->start([s, path, maxSide] {
      for (;;) {
        int32_t page = 0;
        {
          std::lock_guard<std::mutex> lock(s->m);
          if (s->stopped) break;
          page = s->next();
        }
        if (page == 0) break;
        auto t = std::make_shared<PageThumb>(makePageThumb(path, page, maxSide));
        std::lock_guard<std::mutex> lock(s->m);
        if (s->stopped || !s->owner) break;
        // Posted while the owner is known to live: it clears owner under the same lock before it
        // goes, and Qt drops the events of an object that is deleted.
        PageThumbLoader* owner = s->owner;
        QMetaObject::invokeMethod(owner, [owner, t] { owner->deliver(*t); }, Qt::QueuedConnection);
      }
      // The kept file handle of this worker thread goes with the work.
      releaseTiffFile(path);
    });
  }
}

PageThumbLoader::~PageThumbLoader() {
  stop();
  pool_->waitForDone();
}

void PageThumbLoader::stop() {
  std::lock_guard<std::mutex> lock(shared_->m);
  shared_->stopped = true;
  shared_->owner = nullptr;
}

void PageThumbLoader::prefer(const std::vector<int32_t>& pages) {
  std::lock_guard<std::mutex> lock(shared_->m);
  shared_->preferred.assign(pages.begin(), pages.end());
}

void PageThumbLoader::deliver(PageThumb& t) {
  {
    std::lock_guard<std::mutex> lock(shared_->m);
    if (shared_->stopped) return;
  }
  ++ready_;
  if (onReady_) onReady_(t);
}

}  // namespace img
