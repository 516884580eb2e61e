#include "runtime/form.h"
#include "runtime/screen.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

int gLoads = 0;
int gUnloads = 0;
bool gRefuseUnload = false;

class frmProbeForm : public rt::Form {
 public:
  QString lblText;
  int activations = 0;

 protected:
  void Form_Load() override {
    ++gLoads;
    lblText = "loaded";
  }
  void Form_Activate() override { ++activations; }
  void Form_QueryUnload(int& cancel, int) override { cancel = gRefuseUnload ? 1 : 0; }
  void Form_Unload(int&) override { ++gUnloads; }
};

rt::DefaultInstance<frmProbeForm> frmProbe;

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLoads = gUnloads = 0;
    gRefuseUnload = false;
  }
  void TearDown() override {
    gRefuseUnload = false;
    frmProbe.Unload();
    QApplication::processEvents();
  }
};

TEST_F(FormTest, DefaultInstanceLoadsOnFirstUseAndAgainAfterUnload) {
  EXPECT_FALSE(frmProbe.IsLoaded());
  EXPECT_EQ(frmProbe->lblText, "loaded");  // touching a member loads the form
  EXPECT_EQ(gLoads, 1);
  frmProbe->lblText = "changed";
  EXPECT_EQ(frmProbe->lblText, "changed");
  EXPECT_EQ(gLoads, 1);
  EXPECT_TRUE(frmProbe.Unload());
  EXPECT_EQ(gUnloads, 1);
  EXPECT_FALSE(frmProbe.IsLoaded());
  // The next use loads a fresh instance with its designed state.
  EXPECT_EQ(frmProbe->lblText, "loaded");
  EXPECT_EQ(gLoads, 2);
}

TEST_F(FormTest, QueryUnloadCanRefuse) {
  frmProbe->Show();
  gRefuseUnload = true;
  EXPECT_FALSE(frmProbe.Unload());
  EXPECT_TRUE(frmProbe.IsLoaded());
  EXPECT_FALSE(frmProbe->close());  // the title-bar close is refused too
  gRefuseUnload = false;
  EXPECT_TRUE(frmProbe->close());
  EXPECT_FALSE(frmProbe.IsLoaded());
}

TEST_F(FormTest, ModalShowReturnsWhenTheFormUnloads) {
  QTimer::singleShot(0, [] { frmProbe.Unload(); });
  frmProbe->Show(rt::vbModal);
  EXPECT_FALSE(frmProbe.IsLoaded());
  EXPECT_EQ(gUnloads, 1);
}

TEST_F(FormTest, ModalShowReturnsWhenTheFormHides) {
  frmProbeForm* f = frmProbe.get();
  QTimer::singleShot(0, [f] { f->Hide(); });
  f->Show(rt::vbModal);
  EXPECT_TRUE(frmProbe.IsLoaded());
  EXPECT_EQ(f->activations, 1);
}

TEST_F(FormTest, GeometryIsInTwips) {
  const double tx = rt::Screen::TwipsPerPixelX();
  const double ty = rt::Screen::TwipsPerPixelY();
  EXPECT_GT(tx, 0);
  frmProbe->Show();
  frmProbe->Move(100 * tx, 50 * ty, 300 * tx, 200 * ty);
  EXPECT_DOUBLE_EQ(frmProbe->ScaleWidth(), frmProbe->width() * tx);
  EXPECT_NEAR(frmProbe->Width(), 300 * tx, tx);
  EXPECT_NEAR(frmProbe->Height(), 200 * ty, ty);
  frmProbe->setCaption("   Probe");
  EXPECT_EQ(frmProbe->Caption(), "   Probe");
}

TEST(Screen, BusyPointerIsRestoredWhenWorkEndsByError) {
  try {
    rt::BusyPointer busy;
    EXPECT_EQ(rt::Screen::MousePointer(), rt::vbHourglass);
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(rt::Screen::MousePointer(), rt::vbDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
