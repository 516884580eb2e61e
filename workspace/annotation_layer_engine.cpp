#include "workspace/annotation_layer_engine.h"

#include "controls/annotation/annotation_control.h"
#include "runtime/variant.h"

#include <QCoreApplication>
#include <QPointer>

namespace ws {

namespace {

class AnnotationLayerEngine final : public LayerEngine {
 public:
  QByteArray takeIn(const QByteArray& read) override {
    ann::AnnotationControl* control = this->control();
    control->ClearAll();
    intptr_t layer = 0;
    QByteArray written;
    if (control->LoadLayerFromVariant(rt::Variant(read), layer) == 0 && layer != 0) {
      rt::Variant saved;
      int32_t bytes = 0;
      if (control->SaveLayerToVariant(saved, layer, bytes) == 0) written = saved.Bytes();
    }
    control->ClearAll();
    return written;
  }

  int32_t burnIn(img::Bitmap& picture, const QByteArray& layer) override {
    return control()->BurnLayerInto(rt::Variant(layer), picture);
  }

 private:
  // The control goes with the application, while the windows it made can still be destroyed.
  ann::AnnotationControl* control() {
    if (!control_) {
      control_ = new ann::AnnotationControl(nullptr, nullptr);
      control_->setParent(QCoreApplication::instance());
    }
    return control_;
  }
  QPointer<ann::AnnotationControl> control_;
};

}  // namespace

LayerEngine& annotationLayerEngine() {
  static auto* engine = new AnnotationLayerEngine;
  return *engine;
}

}  // namespace ws
