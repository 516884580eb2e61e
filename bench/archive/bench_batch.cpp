// Verifies and archives many batch folders against a running archive (the fake, in its own
// process) and compares the time per folder with the same transfers made with a plain blocking
// socket in the same run: header, go-ahead, the document and its zero byte, completion, one
// connection per folder.
// Usage: bench_archive_batch ARCHIVE_PORT [FOLDERS] [STEP_MS]
#include "archive/exchange_link.h"
#include "archive/frm_arch_batch.h"
#include "archive/frm_arch_verify.h"
#include "runtime/dialogs.h"
#include "workspace/mod_vars.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

namespace {

// Every message box is answered with OK at once.
class AutoOk : public rt::DialogService {
 public:
  int msgBox(const QString& prompt, int, const QString&) override {
    last = prompt;
    return rt::vbOK;
  }
  bool inputBox(const QString&, const QString&, QString*) override { return false; }
  bool commonDialog(rt::DialogRequest&) override { return false; }
  QString last;
};

QByteArray picture() {
  QImage img(200, 150, QImage::Format_RGB888);
  img.fill(QColor(40, 120, 200));
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  img.save(&b, "BMP");
  return bytes;
}

void makeFolders(const QString& root, int count, const QByteArray& doc) {
  for (int i = 0; i < count; ++i) {
    const QString id = QStringLiteral("DOC%1").arg(i, 5, 10, QLatin1Char('0'));
    QDir().mkpath(root + '/' + id);
    QFile t(root + '/' + id + '/' + id + ".TXT");
    t.open(QIODevice::WriteOnly);
    t.write("REINDEX\r\n" + id.toLatin1() + "\r\nBENCH\r\n\r\n");
    QFile a(root + '/' + id + '/' + id + ".ACH");
    a.open(QIODevice::WriteOnly);
    a.write(doc);
  }
}

bool plainUpload(int port, const QByteArray& id, const QByteArray& doc) {
  QTcpSocket s;
  s.connectToHost(QStringLiteral("127.0.0.1"), port);
  if (!s.waitForConnected(5000)) return false;
  s.write("ARCH: OPS, INDICES, BYTES - REINDEX," + id + ',' + id + ",BENCH,," + QByteArray::number(doc.size()));
  if (!s.waitForReadyRead(5000) || s.readAll() != "ARCH: PLEASE PROCEED") return false;
  s.write(doc + '\0');
  if (!s.waitForReadyRead(5000) || s.readAll() != "ARCH: TRANSFER COMPLETED") return false;
  s.close();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_archive_batch ARCHIVE_PORT [FOLDERS]\n");
    return 2;
  }
  const int port = QByteArray(argv[1]).toInt();
  const int count = argc > 2 ? QByteArray(argv[2]).toInt() : 1000;
  auto* answers = new AutoOk;
  rt::setDialogService(std::unique_ptr<rt::DialogService>(answers));
  // Steps of 1 ms by default: the time measured is the exchange's own, not the protocol's 50 ms pacing.
  arch::timing().stepMs = argc > 3 ? QByteArray(argv[3]).toInt() : 1;
  modTCP::gstrRemoteHost = QStringLiteral("127.0.0.1");
  modTCP::gstrAchPort = QString::number(port);
  QTemporaryDir tmp;
  const QByteArray doc = picture();

  QElapsedTimer t;
  t.start();
  for (int i = 0; i < count; ++i)
    if (!plainUpload(port, QStringLiteral("DOC%1").arg(i, 5, 10, QLatin1Char('0')).toLatin1(), doc)) {
      std::fprintf(stderr, "plain upload %d failed\n", i);
      return 1;
    }
  const qint64 plainNs = t.nsecsElapsed();

  modVars::gstrBatchDir = tmp.path();
  makeFolders(tmp.path(), count, doc);
  t.restart();
  frmArchVerifyForm* v = frmArchVerify.get();
  v->tmrVerify_Timer();
  const qint64 verifyNs = t.nsecsElapsed();
  int ready = 0;
  for (int i = 0; i < v->lsvItem->topLevelItemCount(); ++i)
    ready += v->lsvItem->topLevelItem(i)->text(1) == QLatin1String("Ready for archival");
  v->Unload();

  t.restart();
  frmArchBatch->cmdStart_Click();
  while (frmArchBatch.IsLoaded() && frmArchBatch->running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const qint64 batchNs = t.nsecsElapsed();
  const int left = static_cast<int>(QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());

  const auto ms = [count](qint64 ns) { return ns / 1e6 / count; };
  std::printf("steps of %d ms; ", arch::timing().stepMs);
  std::printf("%d folders, document %lld bytes; %d verified, %d left after archival; last message: %s\n", count,
              static_cast<long long>(doc.size()), ready, left, answers->last.toStdString().c_str());
  std::printf("verify:                 %8.3f ms per folder\n", ms(verifyNs));
  std::printf("archive (batch window): %8.3f ms per folder\n", ms(batchNs));
  std::printf("plain socket:           %8.3f ms per folder\n", ms(plainNs));
  return ready == count && left == 0 ? 0 : 1;
}
