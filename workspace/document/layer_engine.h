#pragma once
// What the document needs of the annotation engine without any view: taking in a layer read from
// a file, and burning a page's layer into that page's picture before it is written in a format
// that cannot keep annotations. The program's engine is annotation_layer_engine.h; tests give a
// fake.
#include "controls/imaging/bitmap.h"

#include <QByteArray>
#include <cstdint>

namespace ws {

class LayerEngine {
 public:
  virtual ~LayerEngine() = default;
  // The layer as the engine writes it; empty when the engine cannot take it in.
  virtual QByteArray takeIn(const QByteArray& read) = 0;
  // Draws every annotation of the layer into the picture, which keeps its size and depth; returns
  // the engine's result (0 success).
  virtual int32_t burnIn(img::Bitmap& picture, const QByteArray& layer) = 0;
};

}  // namespace ws
