// Document type registration and the file-type association dialog: the registry file as the
// program's record, and the desktop entry, MIME type and default applications beside it.
#include "controls/imaging/format_table.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/settings/ext_assoc.h"
#include "workspace/settings/frm_ext_assoc.h"
#include "workspace/settings/mod_registry.h"
#include "workspace/settings/register_settings_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QIcon>
#include <QListView>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>
#include <map>

namespace {

using namespace mainwindowtest;
using namespace plat::reg;

void setClassValue(const char* key, const QByteArray& value) {
  HKEY k = nullptr;
  uint32_t disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, "1", 0, KEY_ALL_ACCESS, nullptr, &k, &disposition), ERROR_SUCCESS);
  RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.constData()),
                 static_cast<uint32_t>(value.size() + 1));
  RegCloseKey(k);
}

const QString kQuestion = QStringLiteral(
    "The Image Lumivex can be associated with the following file types.\rOnce associated, the Image Lumivex will be the "
    "default application\rused to open these file types. Do you want to continue?");

class AssociationTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // The desktop knows only these types, whatever is installed here.
    saved_ = extAssoc::mimeLookup();
    extAssoc::mimeLookup() = [](const QString& ext) {
      static const QMap<QString, QString> known = {{".png", "image/png"}, {".tga", "image/x-tga"},
                                                   {".tif", "image/tiff"}, {".bmp", "image/bmp"},
                                                   {".dib", "image/bmp"}};
      return known.value(ext);
    };
  }
  void TearDown() override {
    frmExtAssoc.Unload();
    extAssoc::mimeLookup() = saved_;
    MainWindowTest::TearDown();
  }
  QString mimeapps() const { return QString::fromUtf8(fileBytes(dir.file(QStringLiteral("xdg-config/mimeapps.list")))); }
  extAssoc::MimeLookup saved_;
};

TEST_F(AssociationTest, ExistingAssociationsComeUpTickedAndLocked) {
  setClassValue(".bmp", "  imagelumivex.APPLICATION.1 ");
  setClassValue(".png", "pngfile");
  frmExtAssocForm* d = frmExtAssoc.get();
  EXPECT_EQ(d->Caption(), QStringLiteral("   File Type Associations"));
  EXPECT_EQ(d->lblMsg->text(), QStringLiteral("Associate the following file types with Image Lumivex :"));
  EXPECT_TRUE(d->Box(".bmp")->isChecked());
  EXPECT_FALSE(d->Box(".bmp")->isEnabled());
  EXPECT_FALSE(d->Box(".png")->isChecked());
  EXPECT_TRUE(d->Box("chkPNG")->isEnabled());
  EXPECT_FALSE(d->cmdOK->isEnabled());
  d->Box(".png")->click();
  EXPECT_TRUE(d->cmdOK->isEnabled());
  d->Box(".png")->click();
  EXPECT_FALSE(d->cmdOK->isEnabled());
  // The tab order follows the table.
  QStringList order;
  QWidget* w = d->Box(".bmp");
  for (int guard = 0; order.size() < static_cast<qsizetype>(extAssoc::extensions().size()) && guard < 100;
       ++guard, w = w->nextInFocusChain())
    if (auto* b = qobject_cast<QCheckBox*>(w)) order << b->text();
  QStringList table;
  for (const auto& e : extAssoc::extensions()) table << QString::fromLatin1(e.ext);
  EXPECT_EQ(order, table);
  EXPECT_EQ(d->Box("chkJPEG")->text(), QStringLiteral(".jpeg"));
}

TEST_F(AssociationTest, WithEveryExtensionAssociatedNothingCanBeChosen) {
  for (const auto& e : extAssoc::extensions()) setClassValue(e.ext, "ImageLumivex.Application.1");
  frmExtAssocForm* d = frmExtAssoc.get();
  for (const auto& e : extAssoc::extensions()) {
    EXPECT_TRUE(d->Box(e.ext)->isChecked()) << e.ext;
    EXPECT_FALSE(d->Box(e.ext)->isEnabled()) << e.ext;
  }
  EXPECT_FALSE(d->cmdOK->isEnabled());
}

TEST_F(AssociationTest, OkAssociatesTheTickedKnownExtensions) {
  setClassValue(".png", "pngfile");
  // Someone else's defaults stay as they are.
  QDir().mkpath(dir.file(QStringLiteral("xdg-config")));
  QFile f(dir.file(QStringLiteral("xdg-config/mimeapps.list")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Added Associations]\ntext/plain=editor.desktop;\n\n[Default Applications]\nimage/png=viewer.desktop\n"
          "text/html=browser.desktop\n");
  f.close();
  frmExtAssocForm* d = frmExtAssoc.get();
  for (const char* e : {".png", ".tga", ".jif"}) d->Box(e)->click();
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  d->cmdOK_Click();
  ASSERT_EQ(dialogs.calls().size(), 2u);
  EXPECT_EQ(dialogs.calls()[0].text, kQuestion);
  EXPECT_EQ(dialogs.calls()[0].style, rt::vbYesNo | rt::vbQuestion);
  // The closing message tells how this desktop gives the types back to another program.
  EXPECT_EQ(dialogs.calls()[1].text,
            QStringLiteral("File type association completed successfully.\rTo give these file types to another program, "
                           "choose it in the Default Applications of the desktop's system settings,\ror edit the "
                           "[Default Applications] section of ") +
                dir.file(QStringLiteral("xdg-config/mimeapps.list")) +
                QStringLiteral("\rThe desktop knows no file type for .jif, so no program can be made to open it."));
  EXPECT_EQ(dialogs.calls()[1].style, rt::vbInformation);
  EXPECT_EQ(dialogs.calls()[1].title, QStringLiteral("Information"));
  EXPECT_FALSE(frmExtAssoc.IsLoaded());
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".png", nullptr), QStringLiteral("ImageLumivex.Application.1"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".tga", nullptr), QStringLiteral("ImageLumivex.Application.1"));
  // An extension this system knows nothing of gets no key.
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".jif", nullptr), QStringLiteral("<no key>"));
  EXPECT_EQ(mimeapps(), QStringLiteral("[Added Associations]\ntext/plain=editor.desktop;\n\n[Default Applications]\n"
                                       "image/png=kvtLumivex.desktop\ntext/html=browser.desktop\n"
                                       "image/x-tga=kvtLumivex.desktop\n"));
}

// No to the question, or Cancel, writes nothing and says nothing more; ticks of extensions the
// desktop knows no type for write nothing and say why. The dialog stays with the ticks unless
// cancelled.
TEST_F(AssociationTest, NothingIsWrittenWithoutAYesOrAKnownExtension) {
  struct Case {
    const char* name;
    std::vector<const char*> ticks;
    int answer;
    bool cancel;
    const char* message;
  } cases[] = {{"no to the question", {".png"}, rt::vbNo, false, nullptr},
               {"only an unknown extension", {".jif"}, rt::vbYes, false,
                "The desktop knows no file type for .jif, so no program can be made to open it."},
               {"unknown extensions", {".dcx", ".jif"}, rt::vbYes, false,
                "The desktop knows no file type for .dcx, .jif, so no program can be made to open them."},
               {"cancel", {".png"}, 0, true, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    frmExtAssocForm* d = frmExtAssoc.get();
    for (const char* e : c.ticks) d->Box(e)->click();
    const std::size_t before = dialogs.calls().size();
    if (c.cancel) {
      d->cmdCancel->click();
      EXPECT_FALSE(frmExtAssoc.IsLoaded());
    } else {
      dialogs.answerMsgBox(c.answer);
      if (c.message) dialogs.answerMsgBox(rt::vbOK);
      d->cmdOK_Click();
      // The dialog stays with the user's ticks.
      EXPECT_FALSE(d->IsUnloaded());
      for (const char* e : c.ticks) EXPECT_TRUE(d->Box(e)->isChecked());
      d->Unload();
    }
    ASSERT_EQ(dialogs.calls().size(), before + (c.cancel ? 0 : 1) + (c.message ? 1 : 0));
    if (c.message) {
      EXPECT_EQ(dialogs.calls().back().text, QLatin1String(c.message));
      EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
    }
    for (const char* e : c.ticks) EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, e, nullptr), QStringLiteral("<no key>"));
    EXPECT_TRUE(mimeapps().isEmpty());
  }
}

// Saving fails when the settings file or mimeapps.list cannot be written (here a folder stands in
// their place): the user is told which file, and the dialog stays with the ticks for another try.
TEST_F(AssociationTest, AFileThatCannotBeWrittenIsNamed) {
  struct Case {
    const char* name;
    QString folder;
    bool isSettingsFile;
  } cases[] = {{"the settings file", dir.file(QStringLiteral("settings-folder")), true},
               {"mimeapps.list", dir.file(QStringLiteral("xdg-config/mimeapps.list")), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(QDir().mkpath(c.folder));
    if (c.isSettingsFile) SetRegistryFile(c.folder.toStdString());
    frmExtAssocForm* d = frmExtAssoc.get();
    d->Box(".png")->click();
    dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
    d->cmdOK_Click();
    ASSERT_FALSE(dialogs.calls().empty());
    const testsupport::RecordedCall box = dialogs.calls().back();
    EXPECT_EQ(box.text, QStringLiteral("The file type associations could not be saved:\r") + c.folder +
                                 QStringLiteral("\rcannot be written."));
    EXPECT_EQ(box.style, rt::vbExclamation);
    EXPECT_FALSE(d->IsUnloaded());
    EXPECT_TRUE(d->Box(".png")->isChecked());
    d->Unload();
    SetRegistryFile(dir.file(QStringLiteral("registry")).toStdString());
    QDir(c.folder).removeRecursively();
  }
}

// Enter from a ticked box asks the question of OK; Escape closes the dialog as Cancel does.
TEST_F(AssociationTest, EnterAndEscapeFromTheKeyboard) {
  frmExtAssocForm* d = frmExtAssoc.get();
  d->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(d));
  QCheckBox* png = d->Box(".png");
  png->setFocus();
  QTest::keyClick(png, Qt::Key_Space);
  ASSERT_TRUE(png->isChecked());
  dialogs.answerMsgBox(rt::vbNo);
  QTest::keyClick(png, Qt::Key_Return);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, kQuestion);
  EXPECT_TRUE(frmExtAssoc.IsLoaded());
  QTest::keyClick(png, Qt::Key_Escape);
  EXPECT_FALSE(frmExtAssoc.IsLoaded());
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".png", nullptr), QStringLiteral("<no key>"));
}

TEST_F(AssociationTest, TheFirstStartRecordsTheOfferOnlyWhenTheDialogWasShown) {
  setFileAssoc(std::nullopt);
  ws::clearWindowOpeners();
  frmImgClntForm* w = frmImgClnt.get();
  w->Show();
  // No dialog to show: the offer is still owed.
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "FileAssoc"), QStringLiteral("<no value>"));
  unloadNow();
  registerSettingsWindows();
  QTimer::singleShot(0, [] { frmExtAssoc->cmdCancel_Click(); });
  window();
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "FileAssoc"), QStringLiteral("1"));
  EXPECT_FALSE(frmExtAssoc.IsLoaded());
}

TEST_F(AssociationTest, TheOfferIsOwedUntilTheSettingsRecordAOne) {
  struct Case {
    std::optional<QString> stored;
    bool offered;
  } cases[] = {{std::nullopt, false}, {QStringLiteral("0"), false}, {QStringLiteral(" 1 "), true}, {QStringLiteral("1"), true},
               {QStringLiteral("10"), false}};
  for (const Case& c : cases) {
    setFileAssoc(c.stored);
    EXPECT_EQ(modRegistry::fnFileAssocOffered(), c.offered) << c.stored.value_or("<none>").toStdString();
  }
  // Without the settings key it is made, recording that nothing was offered yet.
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane", 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
  RegDeleteKeyA(parent, "Lumivex");
  RegCloseKey(parent);
  EXPECT_FALSE(modRegistry::fnFileAssocOffered());
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, modRegistry::kSettingsKey, "FileAssoc"), QStringLiteral("0"));
  modRegistry::fnSetFileAssocOffered();
  EXPECT_TRUE(modRegistry::fnFileAssocOffered());
}

// ---- Registration at start-up ---------------------------------------------------------------------

TEST_F(AssociationTest, RegistrationWritesTheDocumentTypeAndTheDesktopFiles) {
  modRegistry::fnRegisterDocType();
  const QString program = rt::App::Path() + QStringLiteral("/kvtLumivex");
  struct Value {
    const char* key;
    const char* name;
    QString data;
  } values[] = {
      {"ImageLumivex.Application.1", nullptr, "Image Lumivex"},
      {"ImageLumivex.Application.1\\shell\\open\\command", nullptr, program + " %1"},
      {"ImageLumivex.Application.1\\shell\\edit\\command", nullptr, program + " %1"},
      {"ImageLumivex.Application.1\\CurVer", nullptr, "ImageLumivex.Application.1"},
      {"ImageLumivex.Application.1\\DefaultIcon", nullptr, program + ",0"},
      {".kvt", nullptr, "ImageLumivex.Application.1"},
      {".kvt", "Perceived Type", "text"},
  };
  for (const Value& v : values) EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, v.key, v.name), v.data) << v.key;

  const QString entry = dir.file(QStringLiteral("xdg-data/applications/kvtLumivex.desktop"));
  const QString text = QString::fromUtf8(fileBytes(entry));
  EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"") + program + QStringLiteral("\" %f\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("image/png;")));
  EXPECT_TRUE(text.contains(QStringLiteral("application/x-lumivex-album;")));
  // The program's own icon, put where the icon theme finds it by the entry's name for it.
  EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=kvtLumivex\n")));
  const QByteArray icon = fileBytes(dir.file(QStringLiteral("xdg-data/icons/hicolor/scalable/apps/kvtLumivex.svg")));
  EXPECT_TRUE(icon.contains("<svg"));
  EXPECT_FALSE(QIcon(dir.file(QStringLiteral("xdg-data/icons/hicolor/scalable/apps/kvtLumivex.svg"))).pixmap(48, 48).isNull());
  EXPECT_EQ(fileBytes(dir.file(QStringLiteral("xdg-data/mime/packages/kvtLumivex.xml"))), extAssoc::albumMimeXml());
  const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (!validate.isEmpty()) {
    QProcess p;
    p.start(validate, {entry});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    EXPECT_TRUE(p.readAll().trimmed().isEmpty());
  }
}

// The dialog offers the types of the files the program reads and no other (.pic, .wmf and .wpg are
// types of formats it cannot read), each column closed up; the desktop entry claims the types of
// what it offers, as the desktop's own MIME database names them, and the album type.
TEST_F(AssociationTest, OnlyTypesTheProgramOpensAreOfferedOrClaimed) {
  const QStringList readable = img::patternExtensions();
  std::map<int, int> rows;
  QStringList offered;
  for (const auto& e : extAssoc::extensions()) {
    offered << QString::fromLatin1(e.ext);
    EXPECT_TRUE(readable.contains(QString::fromLatin1(e.ext).mid(1).toUpper())) << e.ext;
    EXPECT_EQ(e.row, ++rows[e.column]) << e.ext;
  }
  EXPECT_EQ(offered, QStringList({".bmp", ".dib", ".dcx", ".jif", ".jpg", ".jpeg", ".pcx", ".pbm", ".pgm", ".ppm", ".png",
                                  ".tga", ".tif"}));
  frmExtAssocForm* d = frmExtAssoc.get();
  for (const char* e : {".pic", ".wmf", ".wpg"}) EXPECT_FALSE(d->Box(QLatin1String(e))) << e;
  EXPECT_EQ(d->findChildren<QCheckBox*>().size(), offered.size());

  extAssoc::mimeLookup() = saved_;  // the desktop's own database
  auto claims = [](const QByteArray& entry) {
    for (const QString& line : QString::fromUtf8(entry).split('\n'))
      if (line.startsWith(QStringLiteral("MimeType="))) return line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return QStringList();
  };
  const QStringList claimed = claims(extAssoc::desktopEntry(QStringLiteral("/opt/kvtLumivex")));
  QStringList expected;
  for (const QString& e : offered)
    if (const QString t = saved_(e); !t.isEmpty() && !expected.contains(t)) expected << t;
  expected << QString::fromLatin1(extAssoc::kAlbumType);
  EXPECT_EQ(claimed, expected);
  // The entry installed with the program claims the same.
  EXPECT_EQ(claims(extAssoc::desktopFile(extAssoc::kDesktopFile)), expected);
  for (const char* refused : {".wmf", ".wpg"}) {
    const QString t = saved_(QLatin1String(refused));
    EXPECT_TRUE(t.isEmpty() || !claimed.contains(t)) << refused;
  }
}

// File > Open's "Image Files" filter in the dialog the program shows: it lists the files the
// program opens by every extension of their formats and in any case, and no file of a format it
// cannot read.
TEST_F(MainWindowTest, TheOpenDialogListsEveryFileTheProgramOpens) {
  rt::DialogRequest asked;
  dialogs.answerDialog(rt::DialogKind::Open, [&](rt::DialogRequest& r) {
    asked = r;
    return false;
  });
  window()->Menu(QStringLiteral("mnuFileOpen"))->trigger();
  ASSERT_EQ(asked.filterIndex, 1);
  const struct {
    const char* name;
    bool listed;
  } files[] = {{"scan.tiff", true}, {"SCAN2.TIF", true}, {"photo.jpeg", true}, {"photo2.JPG", true}, {"old.jif", true},
               {"fax.pcx", true},   {"x.gif", false},    {"x.wmf", false},     {"x.wpg", false},     {"x.pic", false},
               {"notes.txt", false}};
  const QString folder = dir.file(QStringLiteral("files"));
  QDir().mkpath(folder);
  QStringList expected;
  for (const auto& f : files) {
    QFile(QDir(folder).filePath(QLatin1String(f.name))).open(QIODevice::WriteOnly);
    if (f.listed) expected << QLatin1String(f.name);
  }
  expected.sort(Qt::CaseInsensitive);
  asked.initDir = folder;
  asked.owner = nullptr;
  QStringList listed;
  QTimer::singleShot(0, [&] {
    // Whatever is up is closed again, so that a failure ends the test rather than hanging it.
    QWidget* modal = QApplication::activeModalWidget();
    const auto closeIt = qScopeGuard([modal] {
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
    });
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_TRUE(dialog);
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    ASSERT_TRUE(view);
    auto names = [view] {
      QStringList out;
      for (int i = 0; i < view->model()->rowCount(view->rootIndex()); ++i)
        out << view->model()->index(i, 0, view->rootIndex()).data().toString();
      out.sort(Qt::CaseInsensitive);
      return out;
    };
    // The folder is read in the background: what it lists is taken once it lists what it should.
    (void)QTest::qWaitFor([&] { return names() == expected; });
    listed = names();
  });
  EXPECT_FALSE(rt::makeQtDialogService()->commonDialog(asked));
  EXPECT_EQ(listed, expected);
}

// The MIME database of a fresh process, as a file manager started afterwards sees it.
TEST(AlbumMimeType, IsFoundAfterTheDatabaseUpdate) {
  if (qEnvironmentVariableIsSet("LUMIVEX_MIME_PROBE")) {
    // The child: report the type of the file named.
    const QMimeType t = QMimeDatabase().mimeTypeForFile(qEnvironmentVariable("LUMIVEX_MIME_PROBE"));
    QFile out(qEnvironmentVariable("LUMIVEX_MIME_PROBE") + QStringLiteral(".type"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(t.name().toUtf8() + '\n' + t.parentMimeTypes().join(',').toUtf8());
    return;
  }
  const QString update = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
  if (update.isEmpty()) GTEST_SKIP() << "update-mime-database is not installed";
  testsupport::TempDir dir;
  qputenv("XDG_DATA_HOME", dir.file(QStringLiteral("data")).toLocal8Bit());
  ASSERT_TRUE(extAssoc::writeDesktopRegistration(QStringLiteral("/usr/bin/kvtLumivex")));
  QProcess u;
  u.start(update, {dir.file(QStringLiteral("data/mime"))});
  ASSERT_TRUE(u.waitForFinished(60000));
  const QString album = dir.file(QStringLiteral("holiday.kvt"));
  QFile(album).open(QIODevice::WriteOnly);
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LUMIVEX_MIME_PROBE"), album);
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=AlbumMimeType.*")});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QStringList found = QString::fromUtf8(fileBytes(album + QStringLiteral(".type"))).split('\n');
  ASSERT_EQ(found.size(), 2);
  EXPECT_EQ(found[0], QStringLiteral("application/x-lumivex-album"));
  EXPECT_EQ(found[1], QStringLiteral("text/plain"));
  qunsetenv("XDG_DATA_HOME");
}

}  // namespace
