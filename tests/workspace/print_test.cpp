// Printing: the page range, the jobs and the placement, and the pages printed to PDF files read
// back with poppler's tools.
#include "tests/support/main_window_fixture.h"
#include "runtime/replacing_file.h"
#include "workspace/print_plan.h"
#include "workspace/file_commands.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace {

using namespace mainwindowtest;
using namespace modVars;

TEST(PrintPlan, TheRangeIsNormalisedToTheDocument) {
  struct Case {
    int from, to, pages;
    int wantFrom, wantTo;
  } cases[] = {
      {2, 4, 5, 2, 4}, {0, 9, 5, 5, 5}, {7, 0, 5, 5, 5}, {7, 9, 5, 5, 5}, {3, 9, 5, 3, 5}, {4, 2, 5, 4, 4},
      {3, 0, 5, 3, 3}, {0, 2, 5, 2, 2}, {0, 0, 5, 1, 1}, {1, 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    const ws::PrintRange r = ws::fnPrintRange(c.from, c.to, c.pages);
    EXPECT_EQ(r.from, c.wantFrom) << c.from << ".." << c.to << " of " << c.pages;
    EXPECT_EQ(r.to, c.wantTo) << c.from << ".." << c.to << " of " << c.pages;
  }
}

TEST(PrintPlan, EveryCopyPrintsTheRangeAsOneJobPerPage) {
  const std::vector<ws::PrintJob> jobs = ws::fnPrintJobs(2, {2, 3});
  ASSERT_EQ(jobs.size(), 4u);
  const std::pair<int, int> want[] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_EQ(jobs[i].copy, want[i].first);
    EXPECT_EQ(jobs[i].page, want[i].second);
  }
  EXPECT_TRUE(ws::fnPrintJobs(0, {1, 3}).empty());
}

TEST(PrintPlan, APictureFitsThePageByTheSmallerRatio) {
  struct Case {
    int w, h;
    double pageW, pageH;
    int wantW, wantH;
  } cases[] = {
      {800, 600, 12240, 15840, 10800, 8100},   // wider than the page: reduced to its width
      {100, 50, 12240, 15840, 1500, 750},      // fits: natural size
      {600, 2000, 12240, 15840, 4320, 14400},  // taller than the page: reduced to its height
      {1000, 900, 15840, 12240, 12000, 10800}, // wide, but the height is what limits it
      {900, 1000, 12240, 8000, 5904, 6560},    // tall, but limited by the short page
  };
  for (const Case& c : cases) {
    const ws::PrintPlacement p = ws::fnPrintPlacement(c.w, c.h, 15, 15, c.pageW, c.pageH);
    EXPECT_EQ(p.left, 720);
    EXPECT_EQ(p.top, 720);
    EXPECT_EQ(p.width, c.wantW) << c.w << "x" << c.h;
    EXPECT_EQ(p.height, c.wantH) << c.w << "x" << c.h;
    EXPECT_LE(p.width, c.pageW - 1440);
    EXPECT_LE(p.height, c.pageH - 1440);
  }
}

// ---- Printing to PDF ---------------------------------------------------------------------------------

struct Box {
  int left = -1, top = -1, right = -1, bottom = -1;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

class PrintTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
      GTEST_SKIP() << "poppler-utils are not installed";
  }
  // Answers the printer dialog with these pages and copies, printing to out.pdf.
  void printerAnswers(int from, int to, int copies, int orientation = 1) {
    const QString out = dir.file(QStringLiteral("out.pdf"));
    dialogs.answerDialog(rt::DialogKind::Printer, [=](rt::DialogRequest& r) {
      EXPECT_EQ(r.title, QStringLiteral("Select Printer"));
      r.fromPage = from;
      r.toPage = to;
      r.copies = copies;
      r.orientation = orientation;
      r.outputFileName = out;
      return true;
    });
  }
  QStringList printed() const {
    return QDir(dir.path()).entryList({QStringLiteral("out*.pdf")}, QDir::Files, QDir::Name);
  }
  int pdfPages(const QString& name) const {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {dir.file(name)});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
      if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
    return -1;
  }
  // A page (from 1) rendered at 72 dots per inch (one dot a point) and the box of its coloured pixels.
  Box marker(const QString& name, QSize* pageSize = nullptr, int page = 1) const {
    QProcess p;
    const QString prefix = dir.file(name + QStringLiteral(".render"));
    const QString n = QString::number(page);
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), QStringLiteral("-f"), n,
                                         QStringLiteral("-l"), n, QStringLiteral("-singlefile"), dir.file(name), prefix});
    p.waitForFinished(30000);
    const QImage img(prefix + QStringLiteral(".png"));
    if (pageSize) *pageSize = img.size();
    Box b;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QColor c = img.pixelColor(x, y);
        if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
          if (b.left < 0 || x < b.left) b.left = x;
          if (b.top < 0) b.top = y;
          b.right = std::max(b.right, x + 1);
          b.bottom = y + 1;
        }
      }
    return b;
  }
};

// A range, its copies and a backward range print into one file, sheet after sheet in order.
TEST_F(PrintTest, ARangeAndItsCopiesPrintIntoOneFileInOrder) {
  // Five red pages of different widths tell the pages apart.
  std::vector<Page> pages;
  for (int i = 0; i < 5; ++i) pages.push_back({20 + 10 * i, 20, 0x0000FF});
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("five.tif"), pages, 4));
  struct Case {
    int from, to, copies;
    std::vector<int> widths;  // of the pages printed, sheet by sheet
  } cases[] = {
      {2, 4, 1, {30, 40, 50}},
      {2, 3, 2, {30, 40, 30, 40}},
      {4, 2, 2, {50, 50}},  // a backward range prints its first page: two sheets, not four
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << ".." << c.to << " x" << c.copies);
    const std::size_t asked = dialogs.calls().size();
    printerAnswers(c.from, c.to, c.copies);
    ws::mnuFilePrint_Click(*w);
    EXPECT_EQ(dialogs.calls().size(), asked + 1) << "the printer dialog only";
    ASSERT_EQ(printed(), QStringList({"out.pdf"}));
    ASSERT_EQ(pdfPages(QStringLiteral("out.pdf")), static_cast<int>(c.widths.size()));
    for (std::size_t i = 0; i < c.widths.size(); ++i)
      // Natural size: a pixel is 15 twips, three quarters of a point.
      EXPECT_NEAR(marker(QStringLiteral("out.pdf"), nullptr, static_cast<int>(i) + 1).width(), c.widths[i] * 0.75, 1)
          << "sheet " << i + 1;
    QFile::remove(dir.file(QStringLiteral("out.pdf")));
  }
}

TEST_F(PrintTest, AnEarlierFileIsReplacedWholeAndAReadOnlyOneIsKept) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("two.tif"), {{40, 20, 0x0000FF}, {60, 20, 0x0000FF}}, 4));
  const QString out = dir.file(QStringLiteral("out.pdf"));
  testsupport::writeFileBytes(out, "an earlier file");
  printerAnswers(1, 2, 1);
  ws::mnuFilePrint_Click(*w);
  EXPECT_EQ(pdfPages(QStringLiteral("out.pdf")), 2);
  EXPECT_TRUE(fileBytes(out).startsWith("%PDF"));
  for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(rt::isSaveTempName(name)) << name.toStdString() << " was left behind";

  const QByteArray before = fileBytes(out);
  ASSERT_TRUE(QFile::setPermissions(out, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  printerAnswers(1, 1, 1);
  dialogs.answerMsgBox(rt::vbOK);
  ws::mnuFilePrint_Click(*w);
  ASSERT_EQ(dialogs.calls().back().kind, testsupport::RecordedCall::MsgBox);
  EXPECT_EQ(dialogs.calls().back().icon(), rt::vbExclamation);
  EXPECT_EQ(fileBytes(out), before) << "the read-only file is left as it was";
}

TEST_F(PrintTest, APictureIsPlacedHalfAnInchInAtItsSizeOrFittedToThePage) {
  frmImgClntForm* w = window();
  struct Case {
    const char* name;
    int width, height, orientation;
  } cases[] = {{"natural", 100, 50, 1}, {"wide", 800, 600, 1}, {"landscape", 1000, 900, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w->fnOpenImgFile(file(QString::fromLatin1(c.name) + QStringLiteral(".bmp"), {{c.width, c.height, 0x0000FF}}, 5));
    printerAnswers(0, 0, 1, c.orientation);
    ws::mnuFilePrint_Click(*w);
    QSize page;
    const Box b = marker(QStringLiteral("out.pdf"), &page);
    if (c.orientation == 2) {
      EXPECT_GT(page.width(), page.height());
    }
    EXPECT_NEAR(b.left, 36, 1);
    EXPECT_NEAR(b.top, 36, 1);
    const double natW = c.width * 0.75, natH = c.height * 0.75;
    const double scale = std::min({1.0, (page.width() - 72) / natW, (page.height() - 72) / natH});
    EXPECT_NEAR(b.width(), natW * scale, 1.5);
    EXPECT_NEAR(b.height(), natH * scale, 1.5);
    EXPECT_LE(b.right, page.width() - 35);
    EXPECT_LE(b.bottom, page.height() - 35);
    bool ok = false;
    w->fnCloseFile(true, ok);
    QFile::remove(dir.file(QStringLiteral("out.pdf")));
  }
}

TEST_F(PrintTest, TheEditedPageShownIsWhatPrints) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("two.tif"), {{40, 20, 0xFFFFFF}, {40, 20, 0xFFFFFF}}, 4));
  w->ixMain->CreateBlankImage(60, 20, 24, 0x0000FF);
  doc().pageModified = true;
  printerAnswers(1, 1, 1);
  ws::mnuFilePrint_Click(*w);
  EXPECT_NEAR(marker(QStringLiteral("out.pdf")).width(), 45, 1);
  EXPECT_EQ(pageWidth(0), 60);
}

TEST_F(PrintTest, CancelOrNoCopiesPrintNothing) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{40, 20, 0x0000FF}}, 5));
  dialogs.cancelDialog(rt::DialogKind::Printer);
  ws::mnuFilePrint_Click(*w);
  printerAnswers(1, 1, 0);
  ws::mnuFilePrint_Click(*w);
  EXPECT_TRUE(printed().isEmpty());
  EXPECT_EQ(dialogs.calls().size(), 2u);
}

}  // namespace
