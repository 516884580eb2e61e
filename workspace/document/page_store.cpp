#include "workspace/document/page_store.h"

#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "runtime/screen.h"

#include <QFile>
#include <QTemporaryFile>
#include <algorithm>

namespace ws {

namespace {

// Pictures from this size on wait in a file while they are not shown.
constexpr std::size_t kSpillFrom = std::size_t(4) << 20;

}  // namespace

OwnPicture::OwnPicture(img::Bitmap picture)
    : resolutionX_(picture.resolutionX), resolutionY_(picture.resolutionY), resolutionUnit_(picture.resolutionUnit) {
  if (picture.data().size() >= kSpillFrom) {
    // In the program's own working folder (the system's temporary folder often lives in memory),
    // and closed once written: a long document must not hold a descriptor for every page.
    auto file = std::make_unique<QTemporaryFile>(rt::App::WorkingFolder() + QStringLiteral("/page-XXXXXX"));
    const std::vector<uint8_t> dib = img::toPackedDib(picture);
    if (file->open() && file->write(reinterpret_cast<const char*>(dib.data()), static_cast<qint64>(dib.size())) == static_cast<qint64>(dib.size()) &&
        file->flush()) {
      path_ = file->fileName();
      file->close();
      file_ = std::move(file);
      return;
    }
  }
  // Small, or no room for it on disk: it stays in memory.
  held_ = std::move(picture);
}

OwnPicture::~OwnPicture() = default;

img::Bitmap OwnPicture::load() const {
  if (!file_) return held_;
  QFile f(path_);
  if (!f.open(QIODevice::ReadOnly)) rt::Raise(75, QStringLiteral("ImagingControl"), QStringLiteral("Cannot read back the edited page: %1").arg(f.errorString()));
  const QByteArray dib = f.readAll();
  img::Bitmap b = img::fromPackedDib({reinterpret_cast<const uint8_t*>(dib.constData()), static_cast<std::size_t>(dib.size())});
  b.resolutionX = resolutionX_;
  b.resolutionY = resolutionY_;
  b.resolutionUnit = resolutionUnit_;
  return b;
}

void PageStore::clear() {
  pages_.clear();
  ++sources_;
}

void PageStore::takeFile(const QString& path, int32_t pages, std::vector<QByteArray> layers) {
  pages_.clear();
  pages_.resize(static_cast<std::size_t>(std::max(1, pages)));
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    DocumentPage& p = pages_[i];
    p.file = path;
    p.filePage = static_cast<int32_t>(i) + 1;
    p.captionNumber = static_cast<int32_t>(i) + 1;
    p.id = nextId();
    if (i < layers.size()) p.layer = std::move(layers[i]);
  }
  pages_.front().selected = true;
  ++sources_;
}

void PageStore::takePicture(img::Bitmap picture) {
  pages_.assign(1, DocumentPage{});
  DocumentPage& p = pages_.front();
  p.picture = std::make_shared<const OwnPicture>(std::move(picture));
  p.captionNumber = 1;
  p.selected = true;
  p.id = nextId();
}

void PageStore::readAllFrom(const QString& path, bool dropLayers, bool newPictures) {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    DocumentPage& p = pages_[i];
    p.file = path;
    p.filePage = static_cast<int32_t>(i) + 1;
    p.picture.reset();
    // The picture is the one the page had unless its layer was burned into it.
    if (newPictures || (dropLayers && !p.layer.isEmpty())) p.id = nextId();
    if (dropLayers) p.layer.clear();
  }
  ++sources_;
}

img::Bitmap PageStore::picture(int index) const {
  const DocumentPage& p = page(index);
  if (p.picture) return p.picture->load();
  if (p.file.isEmpty()) return img::Bitmap();
  return img::readFilePage(p.file, p.filePage).bitmap;
}

void PageStore::setPicture(int index, img::Bitmap picture) {
  DocumentPage& p = pages_.at(static_cast<std::size_t>(index));
  p.picture = std::make_shared<const OwnPicture>(std::move(picture));
  p.file.clear();
  p.filePage = 0;
  p.id = nextId();
}

void PageStore::setLayer(int index, QByteArray layer) { pages_.at(static_cast<std::size_t>(index)).layer = std::move(layer); }

QString PageStore::caption(int index) const { return fnPageCaption(page(index).captionNumber - 1); }

void PageStore::select(int index, bool on) {
  if (valid(index)) pages_[static_cast<std::size_t>(index)].selected = on;
}

void PageStore::selectOnly(int index) {
  for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i].selected = static_cast<int>(i) == index;
}

std::vector<bool> PageStore::selection() const {
  std::vector<bool> out(pages_.size());
  for (std::size_t i = 0; i < pages_.size(); ++i) out[i] = pages_[i].selected;
  return out;
}

void PageStore::apply(const PageEdit& edit, CaptionRule captions) {
  std::vector<DocumentPage> out(static_cast<std::size_t>(edit.count()));
  for (int i = 0; i < edit.count(); ++i) {
    DocumentPage& p = out[static_cast<std::size_t>(i)];
    const int src = edit.from[static_cast<std::size_t>(i)];
    if (valid(src)) {
      p = std::move(pages_[static_cast<std::size_t>(src)]);
    } else {
      p.id = nextId();
      p.captionNumber = i + 1;
    }
    if (captions == CaptionRule::Renumber) p.captionNumber = i + 1;
    p.selected = i == edit.current;
  }
  pages_ = std::move(out);
}

void PageStore::keepOnly(int index) {
  if (!valid(index)) return;
  DocumentPage kept = std::move(pages_[static_cast<std::size_t>(index)]);
  kept.captionNumber = 1;
  kept.selected = true;
  pages_.assign(1, std::move(kept));
}

}  // namespace ws
