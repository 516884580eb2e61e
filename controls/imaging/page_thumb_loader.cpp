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
  enum : char { kNew = 0, kBusy = 1, kMade = 2 };
  std::mutex m;
  bool stopped = false;
  bool onlyAsked = false;
  PageThumbLoader* owner = nullptr;  // cleared under m when the owner stops
  std::vector<char> state;           // by page index
  std::deque<int32_t> preferred;     // 1-based pages to take first
  int32_t cursor = 0;                // next page index in file order
  int running = 0;                   // workers at work
  int inFlight = 0;                  // pages taken and not yet delivered to the owner

  // The next page to make, or 0 when none is left. Called with m held.
  int32_t next() {
    while (!preferred.empty()) {
      const int32_t p = preferred.front();
      preferred.pop_front();
      if (p < 1 || p > static_cast<int32_t>(state.size())) continue;
      char& st = state[static_cast<std::size_t>(p - 1)];
      // Asked again for a page made before: its thumbnail let the picture go and wants it back.
      if (st == kNew || (onlyAsked && st == kMade)) {
        st = kBusy;
        ++inFlight;
        return p;
      }
    }
    while (!onlyAsked && cursor < static_cast<int32_t>(state.size())) {
      const int32_t i = cursor++;
      if (state[static_cast<std::size_t>(i)] == kNew) {
        state[static_cast<std::size_t>(i)] = kBusy;
        ++inFlight;
        return i + 1;
      }
    }
    return 0;
  }
};

PageThumbLoader::PageThumbLoader(const QString& path, int32_t pageCount, int maxSide, Ready onReady, int threads,
                                 Scope scope)
    : path_(path), count_(std::max(0, pageCount)), scope_(scope), maxSide_(maxSide), onReady_(std::move(onReady)),
      shared_(std::make_shared<Shared>()), pool_(std::make_unique<QThreadPool>()) {
  shared_->owner = this;
  shared_->onlyAsked = scope == Scope::OnlyAsked;
  shared_->state.assign(static_cast<std::size_t>(count_), Shared::kNew);
  delivered_.assign(static_cast<std::size_t>(count_), 0);
  workers_ = std::clamp(threads > 0 ? threads : QThread::idealThreadCount(), 1, std::max(1, count_));
  pool_->setMaxThreadCount(workers_);
  if (scope == Scope::AllPages && count_ > 0) {
    std::lock_guard<std::mutex> lock(shared_->m);
    startWorkers(workers_);
  }
}

// Called with shared_->m held.
void PageThumbLoader::startWorkers(int count) {
  for (int w = 0; w < count; ++w) {
    std::shared_ptr<Shared> s = shared_;
    ++s->running;
    const QString path = path_;
    const int maxSide = maxSide_;
    pool_->start([s, path, maxSide] {
      for (;;) {
        int32_t page = 0;
        {
          std::lock_guard<std::mutex> lock(s->m);
          if (!s->stopped) page = s->next();
          if (page == 0) {
            --s->running;
            break;
          }
        }
        auto t = std::make_shared<PageThumb>(makePageThumb(path, page, maxSide));
        std::lock_guard<std::mutex> lock(s->m);
        s->state[static_cast<std::size_t>(page - 1)] = Shared::kMade;
        if (s->stopped || !s->owner) {
          --s->running;
          break;
        }
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
  // Workers that ran out of pages have ended; asked-for pages bring them back.
  if (!shared_->stopped && !pages.empty() && shared_->running < workers_)
    startWorkers(std::min(workers_ - shared_->running, static_cast<int>(pages.size())));
}

bool PageThumbLoader::finished() const {
  if (scope_ == Scope::AllPages) return ready_ >= count_;
  std::lock_guard<std::mutex> lock(shared_->m);
  return shared_->preferred.empty() && shared_->inFlight == 0;
}

void PageThumbLoader::deliver(PageThumb& t) {
  {
    std::lock_guard<std::mutex> lock(shared_->m);
    if (shared_->stopped) return;
    --shared_->inFlight;
  }
  if (t.page >= 1 && t.page <= count_ && !delivered_[static_cast<std::size_t>(t.page - 1)]) {
    delivered_[static_cast<std::size_t>(t.page - 1)] = 1;
    ++ready_;
  }
  if (onReady_) onReady_(t);
}

}  // namespace img
