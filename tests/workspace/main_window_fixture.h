#pragma once
// The main window fixture: a window of its own per test, with its registry, working folder and
// scanner configuration, scripted dialogs, and small image files written by the imaging control.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/registry/registry.h"
#include "runtime/screen.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace mainwindowtest {

using namespace modVars;
using testsupport::RecordedCall;

struct Page {
  int32_t width, height;
  uint32_t colour;  // 0x00BBGGRR
};

// Writes pages with the imaging control in a format (4 TIFF and 24 DCX take several pages).
inline void writeImage(const QString& path, const std::vector<Page>& pages, int16_t format) {
  for (const Page& p : pages) {
    img::ImagingControl ix;
    ix.CreateBlankImage(p.width, p.height, 24, p.colour);
    ix.setSaveFileType(format);
    ix.setSaveMultiPage(format == 4 || format == 24);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
}

// Every page of a file as the imaging control reads it back.
inline std::vector<Page> readImage(const QString& path) {
  std::vector<Page> pages;
  img::ImagingControl ix;
  const int n = ix.FilePageCount(path);
  for (int i = 1; i <= n; ++i) {
    ix.setPageNumber(i);
    ix.setSourceFile(path);
    const QRgb c = ix.bitmap().pixel(1, 1);
    pages.push_back({ix.ImageWidth(), ix.ImageHeight(),
                     static_cast<uint32_t>(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16))});
  }
  return pages;
}

inline bool samePages(const std::vector<Page>& a, const std::vector<Page>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].width != b[i].width || a[i].height != b[i].height || a[i].colour != b[i].colour) return false;
  return true;
}

inline QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline const std::vector<Page> kThreePages = {{30, 20, 0x0000FF}, {40, 25, 0x00FF00}, {50, 30, 0xFF0000}};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setScanners(false);
    plat::reg::SetRegistryFile(dir.file(QStringLiteral("registry")).toStdString());
    setFileAssoc(QStringLiteral("1"));
    rt::App::setWorkingFolder(dir.file(QStringLiteral("work")));
    ws::clearWindowOpeners();
    frmImgClntForm::setCommandLine(QString());
  }
  void TearDown() override {
    if (frmImgClnt.IsLoaded()) {
      gblnDocModified = false;
      unloadNow();
    }
  }
  // Unloads the main window and destroys it at once, so that the next test starts afresh (its
  // scanning control closes the scanner library behind it).
  static bool unloadNow() {
    QPointer<frmImgClntForm> w = frmImgClnt.get();
    const bool done = frmImgClnt.Unload();
    if (done) delete w.data();
    return done;
  }

  // SANE's test backend as the only scanner, or no scanner at all. The scanner library looks its
  // configuration folder up once per process, so every test uses the same folder.
  static void setScanners(bool present) {
    static QTemporaryDir sane;
    QFile conf(QDir(sane.path()).filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (present) conf.write("test\n");
    qputenv("SANE_CONFIG_DIR", sane.path().toLocal8Bit());
  }
  // The "FileAssoc" value; nullopt removes it.
  static void setFileAssoc(std::optional<QString> value) {
    using namespace plat::reg;
    HKEY key = nullptr;
    uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", 0, "1", 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    if (value) {
      const QByteArray b = value->toLatin1();
      RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>(b.constData()), b.size() + 1);
    } else {
      RegDeleteValueA(key, "FileAssoc");
    }
    RegCloseKey(key);
  }
  static QString readValue(plat::reg::HKEY root, const char* key, const char* name) {
    using namespace plat::reg;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return QStringLiteral("<no key>");
    uint8_t buffer[512] = {};
    uint32_t size = sizeof(buffer), type = 0;
    const long rc = RegQueryValueExA(k, name, nullptr, &type, buffer, &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? QString::fromLatin1(reinterpret_cast<const char*>(buffer)) : QStringLiteral("<no value>");
  }

  frmImgClntForm* window() {
    frmImgClntForm* w = frmImgClnt.get();
    if (!w->isVisible()) w->Show();
    return w;
  }
  QString file(const QString& name, const std::vector<Page>& pages, int16_t format) {
    const QString path = dir.file(name);
    writeImage(path, pages, format);
    return path;
  }
  static bool enabled(QAction* a) { return a && a->isEnabled(); }
  static int pageShown(frmImgClntForm* w) { return w->ixMain->ImageWidth(); }

  testsupport::TempDir dir;
  testsupport::ScriptedDialogs dialogs;
};

}  // namespace mainwindowtest
