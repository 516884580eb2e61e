// Every annotation tool used on a page of the main window with the mouse and keys, the document
// saved as TIFF and opened again with every annotation back.

#include "controls/annotation/annotation_control.h"
#include "tests/support/keys.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/mouse.h"

using namespace mainwindowtest;

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  testsupport::sendMouse(w, type, p, button, buttons);
}

void click(QWidget* w, QPoint p) {
  mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
  mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

// Clicks every point after moving to it, and double-clicks the last one.
void clickPath(QWidget* w, const std::vector<QPoint>& points) {
  click(w, points[0]);
  for (size_t i = 1; i < points.size(); ++i) {
    mouse(w, QEvent::MouseMove, points[i], Qt::NoButton);
    click(w, points[i]);
  }
  mouse(w, QEvent::MouseButtonDblClick, points.back(), Qt::LeftButton);
  mouse(w, QEvent::MouseButtonRelease, points.back(), Qt::NoButton);
}

TEST_F(MainWindowTest, EveryAnnotationToolDrawsItsKindAndTheTiffKeepsThemAll) {
  const QString path = file(QStringLiteral("kinds.tif"), {{400, 300, 0xFFFFFF}, {400, 300, 0xFFFFFF}}, 4);
  frmImgClntForm* w = window();
  w->show();
  w->fnOpenImgFile(path);
  ann::AnnotationControl* nx = w->nxMain;
  ASSERT_TRUE(nx->EngineAvailable()) << nx->EngineError().toStdString();
  w->selectMode(ws::MouseMode::Arrow);
  ASSERT_EQ(nx->setStampDefaultText(QStringLiteral("APPROVED")), 0);
  QImage picture(30, 20, QImage::Format_RGB32);
  picture.fill(Qt::darkGreen);
  ASSERT_EQ(nx->setImageToolPicture(picture), 0);
  QWidget* view = w->ixMain;

  struct Tool {
    int32_t tool;
    std::function<void()> gesture;
  } tools[] = {
      {4097, [&] {
         click(view, {20, 20});
         testsupport::typeText(view, QString::fromUtf16(u"Notiz \u00fc\u00df \u4e2d"));
         click(view, {390, 290});  // ends the text; the tool starts a new, empty one there
       }},
      {4098, [&] { drag(view, {20, 60}, {80, 90}); }},
      {4099, [&] { drag(view, {100, 60}, {160, 90}); }},
      {4100, [&] { clickPath(view, {{180, 20}, {240, 20}, {210, 60}}); }},
      {4101, [&] { clickPath(view, {{250, 20}, {300, 50}, {350, 20}}); }},
      {4102, [&] { drag(view, {20, 120}, {120, 140}); }},
      {4103, [&] {
         mouse(view, QEvent::MouseButtonPress, {150, 120}, Qt::LeftButton);
         for (int i = 1; i <= 8; ++i) mouse(view, QEvent::MouseMove, {150 + 8 * i, 120 + (i % 2) * 6}, Qt::LeftButton);
         mouse(view, QEvent::MouseButtonRelease, {214, 120}, Qt::NoButton);
       }},
      {4104, [&] { click(view, {20, 180}); }},
      {4105, [&] { click(view, {200, 180}); }},
      {4106, [&] { drag(view, {260, 180}, {340, 210}); }},
  };
  int expected = 0;
  for (const Tool& t : tools) {
    ASSERT_EQ(nx->setCurrentTool(t.tool), 0) << t.tool;
    t.gesture();
    ++expected;
    ASSERT_EQ(nx->LayerObjectCount(nx->CurrentLayer()), expected) << "tool " << t.tool;
  }
  nx->setCurrentTool(4096);
  EXPECT_EQ(nx->LayerObjectCount(nx->CurrentLayer()), 10);
  EXPECT_TRUE(doc().docModified);

  ASSERT_TRUE(w->mnuFileSave_Click());
  bool closed = false;
  w->fnCloseFile(false, closed);
  ASSERT_TRUE(closed);
  w->fnOpenImgFile(path);
  EXPECT_EQ(nx->LayerObjectCount(nx->CurrentLayer()), 10);
  rt::Variant data;
  int32_t bytes = 0;
  ASSERT_EQ(nx->SaveLayerToVariant(data, nx->CurrentLayer(), bytes), 0);
  EXPECT_FALSE(ws::document().pages().layer(0).isEmpty());
  // The page's pixels are untouched: the annotations live in the layer.
  EXPECT_TRUE(samePages(readImage(path), {{400, 300, 0xFFFFFF}, {400, 300, 0xFFFFFF}}));
}

}  // namespace
