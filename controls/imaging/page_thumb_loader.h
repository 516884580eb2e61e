#pragma once
// Display pictures of the pages of one multi-page file, made in the background: a few workers
// (each with its own file handle, kept per thread by the codecs) take the pages in order, pages
// asked for first going ahead of the rest, and hand each picture to the owner's thread as it is
// ready. Stopping takes effect at once: no page is started afterwards and no picture of the old
// file reaches the owner.
#include "controls/imaging/codec.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QThreadPool;

namespace img {

// One page's result: the picture reduced to at most maxSide (empty bitmap when the page could not
// be read) and the size of the full page.
struct PageThumb {
  int32_t page = 1;  // 1-based
  Decoded decoded;
  int32_t fullWidth = 0;
  int32_t fullHeight = 0;
};

// What a worker makes of one page; also what a caller uses to make a page one by one.
PageThumb makePageThumb(const QString& path, int32_t page, int maxSide);

class PageThumbLoader : public QObject {
 public:
  using Ready = std::function<void(PageThumb&)>;
  // AllPages makes every page, those asked for first. OnlyAsked makes just the pages asked for,
  // again whenever they are asked for again: a long document's strip holds pictures only for the
  // thumbnails near its view.
  enum class Scope { AllPages, OnlyAsked };
  // Starts making pages 1..pageCount of path on `threads` workers (0: one per core). onReady runs
  // on the thread that made the loader, once per page made, in the order the pages are done.
  PageThumbLoader(const QString& path, int32_t pageCount, int maxSide, Ready onReady, int threads = 0,
                  Scope scope = Scope::AllPages);
  // Stops and waits for the pages the workers hold at that moment.
  ~PageThumbLoader() override;

  // These pages (1-based) are made next, in this order, before the rest.
  void prefer(const std::vector<int32_t>& pages);
  void stop();
  // Pages made at least once.
  int32_t readyCount() const { return ready_; }
  int32_t pageCount() const { return count_; }
  // Every page made (AllPages), or every page asked for made (OnlyAsked).
  bool finished() const;
  Scope scope() const { return scope_; }
  QString path() const { return path_; }

 private:
  struct Shared;
  void deliver(PageThumb& t);
  void startWorkers(int count);

  QString path_;
  int32_t count_ = 0;
  int32_t ready_ = 0;
  std::vector<char> delivered_;
  Scope scope_ = Scope::AllPages;
  int maxSide_ = 0;
  int workers_ = 1;
  Ready onReady_;
  std::shared_ptr<Shared> shared_;
  std::unique_ptr<QThreadPool> pool_;
};

}  // namespace img
