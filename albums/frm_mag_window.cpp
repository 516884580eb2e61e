#include "albums/frm_mag_window.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/screen.h"
#include "workspace/magnifier_link.h"

rt::DefaultInstance<frmMagWindowForm> frmMagWindow;

namespace {
constexpr double kWidthTwips = 3375;
constexpr double kHeightTwips = 2265;
}  // namespace

frmMagWindowForm::frmMagWindowForm() {
  setObjectName(QStringLiteral("frmMagWindow"));
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  resize(rt::Screen::ToPixelsX(kWidthTwips), rt::Screen::ToPixelsY(kHeightTwips));
  edtMag = new img::ImagingControl(this);
  edtMag->setObjectName(QStringLiteral("edtMag"));
  // The magnifier is only the picture: it follows the pointer, never a scroll bar.
  edtMag->setScrollBars(false);
  connect(edtMag, &img::ImagingControl::MouseUp, this, [this] { edtMag_MouseUp(); });
}

// The view fills the window as it is when loaded.
void frmMagWindowForm::Form_Load() { edtMag->setGeometry(0, 0, width(), height()); }

void frmMagWindowForm::edtMag_MouseUp() { Unload(); }

void frmMagWindowForm::NewCrop(float x, float y, int16_t a, int16_t b) {
  edtMag->setViewRedraw(false);
  edtMag->setViewOffsetX(a);
  edtMag->setViewOffsetY(b);
  move(rt::Screen::ToPixelsX(x), rt::Screen::ToPixelsY(y));
  edtMag->setViewRedraw(true);
  edtMag->RedrawView();
}

void frmMagWindowForm::showFitted(QWidget* owner, plat::HGLOBAL picture, QRect screenRect) {
  setGeometry(screenRect);
  edtMag->setGeometry(0, 0, screenRect.width(), screenRect.height());
  edtMag->setImageHandle(picture);
  edtMag->setViewSizeMode(4);
  Show(rt::vbModeless, owner);
  // Showing with an owner may place the window anew: it goes back over the thumbnail.
  setGeometry(screenRect);
}

namespace {

class PageMagnifier : public ws::Magnifier {
 public:
  void show(QWidget* owner, plat::HGLOBAL picture, float zoom) override {
    frmMagWindowForm* m = frmMagWindow.get();
    m->edtMag->setImageHandle(picture);
    m->edtMag->SetZoom(zoom);
    m->Show(rt::vbModeless, owner);
  }
  bool isShown() const override { return frmMagWindow.IsLoaded() && frmMagWindow.get()->isVisible(); }
  double widthTwips() const override { return frmMagWindow.get()->Width(); }
  double heightTwips() const override { return frmMagWindow.get()->Height(); }
  float zoom() const override { return frmMagWindow.get()->edtMag->ZoomFactor(); }
  void newCrop(float x, float y, int16_t a, int16_t b) override {
    if (frmMagWindow.IsLoaded()) frmMagWindow->NewCrop(x, y, a, b);
  }
  void unload() override { frmMagWindow.Unload(); }
};

}  // namespace

void installMagnifier() {
  static PageMagnifier page;
  ws::setMagnifier(&page);
}
