// The toolbar's pictures (the desktop's icon theme first, the program's own drawings where it has
// none) and Help > Contents opening the guide.
#include "tests/support/desktop_programs.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/command_table.h"
#include "workspace/program_guide.h"
#include "workspace/toolbar_icons.h"

#include <QDesktopServices>
#include <QHelpEvent>
#include <QIcon>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <map>
#include <optional>

namespace {

using namespace mainwindowtest;

QImage picture(const QIcon& icon) { return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32); }

// An icon theme made for the test, of 16-pixel icons given by name.
class TestIconTheme {
 public:
  explicit TestIconTheme(const std::map<QString, QImage>& icons) : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
    const QString theme = dir_.file(QStringLiteral("lumivex-test"));
    QDir().mkpath(theme + QStringLiteral("/16x16/actions"));
    QFile index(theme + QStringLiteral("/index.theme"));
    index.open(QIODevice::WriteOnly);
    index.write("[Icon Theme]\nName=lumivex-test\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    for (const auto& [name, image] : icons) image.save(theme + QStringLiteral("/16x16/actions/") + name + QStringLiteral(".png"));
    QIcon::setThemeSearchPaths({dir_.path()});
    QIcon::setThemeName(QStringLiteral("lumivex-test"));
  }
  ~TestIconTheme() {
    QIcon::setThemeSearchPaths(paths_);
    QIcon::setThemeName(name_);
  }

 private:
  testsupport::TempDir dir_;
  QStringList paths_;
  QString name_;
};

// A 16-pixel picture: a frame of lines in one colour on a clear ground.
QImage lines(QColor colour) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int i = 2; i < 14; ++i)
    for (const QPoint p : {QPoint(i, 2), QPoint(i, 13), QPoint(2, i), QPoint(13, i)}) image.setPixelColor(p, colour);
  return image;
}

QImage solid(QColor colour) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

// The theme of one icon, object-rotate-left, solid magenta.
class OneIconTheme : public TestIconTheme {
 public:
  OneIconTheme() : TestIconTheme({{QStringLiteral("object-rotate-left"), solid(Qt::magenta)}}) {}
};

TEST(ToolbarIcons, EveryButtonHasAPictureOfItsOwn) {
  OneIconTheme theme;  // a theme without the buttons' names: the program's drawings show
  QList<QImage> seen;
  for (const ws::ButtonRow& r : ws::buttonRows()) {
    SCOPED_TRACE(r.key);
    const QIcon fallback = ws::toolbarFallbackIcon(QString::fromLatin1(r.key));
    ASSERT_FALSE(fallback.isNull());
    const QImage own = picture(fallback);
    ASSERT_FALSE(own.isNull());
    // Something is drawn, and no two buttons share a drawing.
    QImage blank(own.size(), own.format());
    blank.fill(Qt::transparent);
    EXPECT_NE(own, blank);
    EXPECT_FALSE(seen.contains(own));
    seen << own;
    if (QString::fromLatin1(r.key) != QLatin1String("rotateleft")) {
      EXPECT_EQ(picture(ws::toolbarIcon(r.key)), own);
    }
  }
}

TEST(ToolbarIcons, TheThemesIconComesFirst) {
  OneIconTheme theme;
  EXPECT_EQ(ws::toolbarIconName(QStringLiteral("rotateleft")), QStringLiteral("object-rotate-left"));
  EXPECT_EQ(picture(ws::toolbarIcon(QStringLiteral("rotateleft"))).pixelColor(8, 8), QColor(Qt::magenta));
  EXPECT_EQ(picture(ws::toolbarIcon(QStringLiteral("rotateright"))),
            picture(ws::toolbarFallbackIcon(QStringLiteral("rotateright"))));
  EXPECT_TRUE(ws::toolbarIcon(QStringLiteral("nosuchkey")).isNull());
}

// A theme's picture shows where it can be read at the toolbar's size: dark lines or a strong colour.
// Where the theme has only a blank or a pale grey picture, or a picture under a name that does not
// say what the button does (a scanner device for Scan New, a zoom for Magnify, the fitting zooms
// that look alike), the program's own drawing shows.
TEST(ToolbarIcons, FaintOrMisleadingThemePicturesGiveWayToTheProgramsOwn) {
  TestIconTheme theme({{QStringLiteral("object-rotate-left"), lines(QColor(30, 30, 30))},
                       {QStringLiteral("object-rotate-right"), lines(QColor(230, 120, 0))},
                       {QStringLiteral("go-next"), lines(QColor(150, 150, 150))},
                       {QStringLiteral("go-previous"), solid(Qt::transparent)},
                       {QStringLiteral("document-open"), lines(QColor(210, 200, 170))},
                       {QStringLiteral("scanner"), solid(Qt::black)},
                       {QStringLiteral("zoom-in"), solid(Qt::black)},
                       {QStringLiteral("zoom-fit-best"), solid(Qt::black)},
                       {QStringLiteral("zoom-fit-width"), solid(Qt::black)},
                       {QStringLiteral("zoom-fit-height"), solid(Qt::black)}});
  struct Case {
    const char* key;
    bool themes;
  } cases[] = {{"rotateleft", true},   {"rotateright", true}, {"next", false},      {"previous", false},
               {"open", false},        {"scannew", false},    {"selmagnify", false}, {"zoompage", false},
               {"zoomwidth", false},   {"zoomheight", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const QString key = QLatin1String(c.key);
    const QImage shown = picture(ws::toolbarIcon(key));
    EXPECT_EQ(shown == picture(ws::toolbarFallbackIcon(key)), !c.themes);
  }
  // Pale lines are faint over a light bar, not over a dark one.
  EXPECT_TRUE(ws::isFaintIcon(QIcon(QPixmap::fromImage(lines(QColor(150, 150, 150)))), QColor(239, 239, 239)));
  EXPECT_FALSE(ws::isFaintIcon(QIcon(QPixmap::fromImage(lines(QColor(230, 230, 230)))), QColor(40, 40, 40)));
  EXPECT_TRUE(ws::isFaintIcon(QIcon(), QColor(239, 239, 239)));
}

class ToolbarWindowTest : public MainWindowTest {};

// The shown window's buttons carry the pictures and tell what they do when the pointer rests on them.
TEST_F(ToolbarWindowTest, ButtonsShowTheirPictureAndToolTip) {
  OneIconTheme theme;
  frmImgClntForm* w = window();
  w->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  struct Case {
    const char* bar;
    const char* key;
    const char* tip;
  } cases[] = {{"tbrImage", "rotateleft", "Rotate Left"}, {"tbrImage", "flip", "Flip Image"},
               {"tbrMode", "selmagnify", "Magnify"}, {"tbrScan", "scannew", "Scan New"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto* bar = w->findChild<QToolBar*>(QString::fromLatin1(c.bar));
    ASSERT_TRUE(bar);
    QAction* action = nullptr;
    for (QAction* a : bar->actions())
      if (a->data().toString() == QLatin1String(c.key)) action = a;
    ASSERT_TRUE(action);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    ASSERT_TRUE(button);
    EXPECT_EQ(picture(button->icon()), picture(ws::toolbarIcon(QString::fromLatin1(c.key))));
    const QPoint middle = button->rect().center();
    QHelpEvent help(QEvent::ToolTip, middle, button->mapToGlobal(middle));
    QApplication::sendEvent(button, &help);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QLatin1String(c.tip));
    QToolTip::hideText();
  }
}

// Catches the URLs the program hands to the desktop's browser.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> opened;
 public Q_SLOTS:
  void open(const QUrl& url) { opened << url; }
};

// The desktop's programs as the test wants them: PATH holds only a folder of the test's own, where
// a stand-in xdg-open may be put, and no browser is named in the environment.
class GuideTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    programs_.emplace(dir.file(QStringLiteral("bin")));
  }
  void TearDown() override {
    programs_.reset();
    MainWindowTest::TearDown();
  }
  // An xdg-open that notes the file it was given and ends with this status.
  void putXdgOpen(int status) {
    const QString path = dir.file(QStringLiteral("bin/xdg-open"));
    QFile script(path);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"" + dir.file(QStringLiteral("opened")).toLocal8Bit() + "\"\nexit " +
                 QByteArray::number(status) + "\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
  }
  QString openedByXdgOpen() const { return QString::fromUtf8(fileBytes(dir.file(QStringLiteral("opened")))); }

 private:
  std::optional<testsupport::OnlyTheseDesktopPrograms> programs_;
};

TEST_F(GuideTest, HelpContentsOpensTheGuideBesideTheProgram) {
  UrlCatcher urls;
  const QString beside = QDir(rt::App::Path()).filePath(QStringLiteral("guide/index.html"));
  EXPECT_EQ(ws::guidePlaces().value(0), beside);
  ASSERT_TRUE(QFileInfo(beside).isFile()) << "the build puts the guide beside the program";
  frmImgClntForm* w = window();
  w->Menu(QStringLiteral("mnuHelpContents"))->trigger();
  ASSERT_EQ(urls.opened.size(), 1);
  EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(beside));
  EXPECT_TRUE(dialogs.calls().empty());
  // It is the guide of this program, with the sections a user looks for.
  const QString text = QString::fromUtf8(fileBytes(beside));
  for (const char* section : {"Opening", "Thumbnails", "Annotations", "Edit", "Scanning", "Printing", "Converting",
                              "image tools", "Albums", "archive"})
    EXPECT_TRUE(text.contains(QLatin1String(section))) << section;
}

TEST_F(GuideTest, TheFirstPlaceHoldingTheGuideIsOpenedAndAMissingGuideIsExplained) {
  UrlCatcher urls;
  const QStringList places{dir.file(QStringLiteral("a/guide/index.html")), dir.file(QStringLiteral("b/guide/index.html"))};
  dialogs.answerMsgBox(rt::vbOK);
  ws::openGuide(places);
  EXPECT_TRUE(urls.opened.isEmpty());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("The guide of Image Lumivex was not found. It was looked for in:\r") +
                                         places[0] + QLatin1Char('\r') + places[1]);
  EXPECT_EQ(dialogs.calls()[0].style, rt::vbExclamation);

  QDir().mkpath(dir.file(QStringLiteral("b/guide")));
  QFile(places[1]).open(QIODevice::WriteOnly);
  ws::openGuide(places);
  ASSERT_EQ(urls.opened.size(), 1);
  EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(places[1]));
}

// Help > Contents hands the guide to xdg-open and says so when nothing could show it: xdg-open
// failing, or no xdg-open and nothing else that opens files. The message names the file, so that
// the user can open it by hand.
TEST_F(GuideTest, AGuideNoBrowserCouldShowIsNamedInAMessage) {
  const QString guide = QDir(rt::App::Path()).filePath(QStringLiteral("guide/index.html"));
  struct Case {
    const char* name;
    int xdgOpenStatus;  // -1: none installed
    bool shown;
  } cases[] = {{"xdg-open shows it", 0, true}, {"xdg-open fails", 4, false}, {"no xdg-open, nothing opens files", -1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(dir.file(QStringLiteral("bin/xdg-open")));
    QFile::remove(dir.file(QStringLiteral("opened")));
    if (c.xdgOpenStatus >= 0) putXdgOpen(c.xdgOpenStatus);
    const std::size_t before = dialogs.calls().size();
    if (!c.shown) dialogs.answerMsgBox(rt::vbOK);
    window()->Menu(QStringLiteral("mnuHelpContents"))->trigger();
    if (c.xdgOpenStatus >= 0) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return !openedByXdgOpen().isEmpty() && (c.shown || dialogs.calls().size() > before); }));
      EXPECT_EQ(openedByXdgOpen(), guide);
    }
    if (c.shown) {
      // The answer comes when xdg-open has ended: half a second is long past that.
      EXPECT_FALSE(QTest::qWaitFor([&] { return dialogs.calls().size() > before; }, 500)) << "nothing to say";
      continue;
    }
    ASSERT_EQ(dialogs.calls().size(), before + 1);
    EXPECT_EQ(dialogs.calls().back().text,
              QStringLiteral("No browser could show the guide of Image Lumivex. Open this file in a browser:\r") + guide);
    EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.calls().back().style, rt::vbExclamation);
  }
}

}  // namespace

#include "toolbar_help_test.moc"
