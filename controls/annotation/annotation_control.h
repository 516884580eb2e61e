#pragma once
// The annotation control: hosts the annotation engine (libannolyx.so, loaded at run time from
// beside the program) for one imaging control of its window at a time. It attaches by name to
// that imaging control, hands the engine the view's geometry, turns the view's Qt input into the
// engine's window messages, draws the engine's layers over the view and relays the engine's
// events. Members answer the engine's result code (0 success); when the engine library cannot be
// loaded every member fails with kErrNoEngine and the control stays inert.
#include "runtime/variant.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QImage;
class QWidget;
namespace img {
class Bitmap;
class ImagingControl;
}

namespace ann {

// The engine library could not be loaded (or lacks its entry points).
inline constexpr int32_t kErrNoEngine = 1096;

class AnnotationControl : public QObject {
  Q_OBJECT

 public:
  // Finds an imaging control of the window by name ("ixMain", "ixTemp", "ixTmb(3)"); null when
  // there is none.
  using Resolver = std::function<img::ImagingControl*(const QString& name)>;

  explicit AnnotationControl(QWidget* window, Resolver resolver);
  ~AnnotationControl() override;

  // Where the engine library is looked for; by default libannolyx.so beside the program.
  static void setLibraryPath(const QString& path);
  static QString libraryPath();
  // True when the engine is loaded and running.
  bool EngineAvailable() const;
  // Why the engine is not available ("" when it is).
  QString EngineError() const;

  // ---- Attachment -------------------------------------------------------------------------
  QString AttachControlName() const;
  // "" detaches. A name without an imaging control detaches as well.
  void setAttachControlName(const QString& name);
  img::ImagingControl* AttachedControl() const;
  // The attached control has just loaded a page: the annotations that came with it (if any)
  // become a new current layer. Runs by itself on the attached control's PageLoaded. Returns the
  // engine's result (0 also when there were none).
  int32_t AttachedPageLoaded();
  // Writes the current layer into the attached control's page, so that the next TIFF save of
  // that control carries it; with no current layer the page's annotations are removed.
  int32_t StoreCurrentLayerInAttached();

  // ---- Layers ---------------------------------------------------------------------------------
  // Every member that hands the page's annotations to the program or leaves them (the current
  // layer, storing, saving, loading, another layer, clearing, burning in, another attached view)
  // first ends a text being typed, so that its text is in the layer as after a click elsewhere.
  // A press anywhere outside the attached view, or the view losing the keyboard focus, ends it
  // too, before the command of that press runs.
  intptr_t CurrentLayer();
  void setCurrentLayer(intptr_t layer);
  // Creates an empty layer, makes it current and returns it (0 on failure).
  intptr_t NewLayer();
  int32_t SelectLayer(intptr_t& layer);
  int32_t DeleteLayer(intptr_t layer);
  // Removes every layer; CurrentLayer is 0 afterwards.
  void ClearAll();
  int32_t LayerObjectCount(intptr_t layer) const;

  // ---- Store ----------------------------------------------------------------------------------
  // The layer as a byte array in the engine's layer stream; on failure the Variant is left Empty.
  int32_t SaveLayerToVariant(rt::Variant& data, intptr_t layer, int32_t& bytes);
  // A new layer from a byte array, made current.
  int32_t LoadLayerFromVariant(const rt::Variant& data, intptr_t& layer);

  // ---- Tools ----------------------------------------------------------------------------------
  int32_t CurrentTool() const { return tool_; }
  int32_t setCurrentTool(int32_t tool);
  int32_t SetToolAttribute(int32_t tool, int32_t attribute, int32_t value);
  int32_t GetToolAttribute(int32_t tool, int32_t attribute, int32_t& value) const;
  QString StampDefaultText() const { return stampText_; }
  int32_t setStampDefaultText(const QString& text);
  QString ButtonDefaultText() const { return buttonText_; }
  int32_t setButtonDefaultText(const QString& text);
  // The picture the image tool places (a null image: none).
  int32_t setImageToolPicture(const QImage& picture);
  QFont StampFont() const { return stampFont_; }
  int32_t setStampFont(const QFont& font);
  QFont TextFont() const { return textFont_; }
  int32_t setTextFont(const QFont& font);
  QFont ButtonFont() const { return buttonFont_; }
  int32_t setButtonFont(const QFont& font);

  // ---- Selection and clipboard -------------------------------------------------------------------
  bool HasSelection() const;
  bool CanPaste() const;
  int32_t DeleteSelected();
  int32_t CutSelected();
  int32_t CopySelected();
  int32_t PasteAnnotations();
  int32_t SelectAll(intptr_t& layer, bool select);

  // ---- Burn-in ------------------------------------------------------------------------------------
  void SetBurnInDepth(int16_t bitsPerPixel) { burnDepth_ = bitsPerPixel; }
  int16_t BurnInDepth() const { return burnDepth_; }
  // Draws the layers into the attached control's picture for good. The layer must be one of the
  // engine's; callers select all first.
  int32_t BurnIn(intptr_t& layer);
  // Draws every annotation of a layer (as SaveLayerToVariant writes it) into a picture that no
  // view shows, at the picture's own depth. The engine's layers are cleared before and after: a
  // control that burns pages this way attaches to nothing.
  int32_t BurnLayerInto(const rt::Variant& layer, img::Bitmap& picture);

  bool AnnotationOption281() const { return option281_; }
  void setAnnotationOption281(bool on) { option281_ = on; }

 Q_SIGNALS:
  // The engine's event codes (1001 added, 1002 changed, 1003 deleted, ...).
  void AnnotationEvent(int32_t code, int32_t value);
  void CurrentLayerChanged(intptr_t layer);
  // A stamp is about to be placed: the stamp text may still be changed.
  void StampPlacing();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Overlay;
  class HostView;
  class PressWatch;
  struct Engine;
  friend class Overlay;
  friend class HostView;
  friend class PressWatch;
  friend struct Engine;

  void detach();
  // Ends the text editing (or drawing) in progress on the current layer.
  void endTextEditing();
  bool outsideAttached(QObject* watched) const;
  void paintLayers(QWidget* on);
  int32_t fontToEngine(int32_t key, const QFont& font);
  int32_t textToEngine(int32_t key, const QString& text);

  QWidget* window_;
  Resolver resolver_;
  std::unique_ptr<Engine> engine_;
  QString attachName_;
  QPointer<img::ImagingControl> attached_;
  // The attached view as the object whose events are filtered: events still arrive while it is
  // being destroyed, when it is no longer an imaging control and must not be treated as one.
  const QObject* filtered_ = nullptr;
  QPointer<Overlay> overlay_;
  QPointer<PressWatch> pressWatch_;
  int32_t tool_ = 0;
  int16_t burnDepth_ = 24;
  // The picture BurnLayerInto draws into while it runs; the attached view's otherwise.
  img::Bitmap* burnTarget_ = nullptr;
  bool option281_ = false;
  QString stampText_;
  QString buttonText_;
  QFont stampFont_;
  QFont textFont_;
  QFont buttonFont_;
};

}  // namespace ann
