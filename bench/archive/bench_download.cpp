// Downloads one document from a running archive (the fake, in its own process) twice: with a plain
// blocking socket read into a file, then through the network window as the program does, and prints
// both throughputs and the program's peak memory above its idle size during the window's download.
// Usage: bench_archive_download REQUEST_PORT ARCHIVE_ID
#include "archive/frm_tcpip.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// VmRSS or VmHWM of this process in KiB.
long statusKb(const char* field) {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size() + 1));
  return -1;
}

// Starts a new peak: VmHWM falls back to the current size.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double mbPerS(qint64 bytes, qint64 ns) { return ns > 0 ? bytes / 1e6 / (ns / 1e9) : 0; }

struct Run {
  qint64 bytes = 0, totalNs = 0, transferNs = 0;
};

Run plainRead(int port, const QString& id, const QString& path) {
  Run r;
  QElapsedTimer total;
  total.start();
  QTcpSocket s;
  s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
  if (!s.waitForConnected(5000)) return r;
  s.write("INIT - BENCH," + id.toLatin1() + ",,,FALSE");
  QByteArray reply;
  while (s.waitForReadyRead(2000)) {
    reply += s.readAll();
    if (reply.count(',') >= 4 || reply.startsWith("ACK: F") || reply.startsWith("ACK: P")) break;
  }
  const qint64 n = reply.mid(reply.lastIndexOf(',') + 1).trimmed().toLongLong() + 1;
  QFile out(path);
  out.open(QIODevice::WriteOnly | QIODevice::Truncate);
  QElapsedTimer transfer;
  transfer.start();
  s.write("ACK: PLEASE PROCEED");
  while (r.bytes < n && (s.bytesAvailable() > 0 || s.waitForReadyRead(5000))) {
    const QByteArray b = s.readAll();
    out.write(b);
    r.bytes += b.size();
  }
  out.close();
  r.transferNs = transfer.nsecsElapsed();
  r.totalNs = total.nsecsElapsed();
  return r;
}

Run windowRead(const QString& id) {
  Run r;
  modTCP::gstrTCPCommand = QStringLiteral("RETRIEVE");
  ws::document().state().achId = id;
  ws::documentState().network = ws::NetworkResult::Failed;
  QElapsedTimer total, transfer;
  total.start();
  frmTCPIPForm* w = frmTCPIP.get();
  QObject::connect(w->sckReq, &arch::ExchangeLink::bytes, w, [&](const QByteArray& b) {
    if (r.bytes == 0) transfer.start();
    r.bytes += b.size();
  });
  w->Show(rt::vbModal);
  r.totalNs = total.nsecsElapsed();
  r.transferNs = transfer.isValid() ? transfer.nsecsElapsed() : 0;
  if (!ws::document().networkSucceeded()) r.bytes = -1;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_archive_download REQUEST_PORT ARCHIVE_ID\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const QString id = QString::fromLatin1(argv[2]);
  QTemporaryDir dir;
  rt::App::setWorkingFolder(dir.path());
  modTCP::gstrRemoteHost = QStringLiteral("127.0.0.1");
  modTCP::gstrRetPort = QString::number(port);
  frmImgClnt->Show();
  ws::document().setLogin({QStringLiteral("BENCH"), ws::document().state().login.view, ws::document().state().login.update});
  QCoreApplication::processEvents();

  // The first read warms the server and the page cache up; the second is measured.
  plainRead(port, id, dir.filePath(QStringLiteral("plain.bin")));
  const Run plain = plainRead(port, id, dir.filePath(QStringLiteral("plain.bin")));
  QFile::remove(dir.filePath(QStringLiteral("plain.bin")));
  QCoreApplication::processEvents();
  const long idle = statusKb("VmRSS:");
  resetPeak();
  const Run ours = windowRead(id);
  const long peak = statusKb("VmHWM:");
  std::printf("document: %lld bytes\n", static_cast<long long>(plain.bytes));
  std::printf("plain socket read:  transfer %.0f MB/s, whole exchange %.0f ms\n", mbPerS(plain.bytes, plain.transferNs),
              plain.totalNs / 1e6);
  std::printf("network window:     transfer %.0f MB/s, whole exchange %.0f ms (its steps and reply settling included)\n",
              mbPerS(ours.bytes, ours.transferNs), ours.totalNs / 1e6);
  std::printf("throughput ratio (window / plain, transfer): %.2f\n",
              mbPerS(plain.bytes, plain.transferNs) > 0 ? mbPerS(ours.bytes, ours.transferNs) / mbPerS(plain.bytes, plain.transferNs) : 0);
  std::printf("peak memory above idle during the window's download: %.1f MB (idle %.1f MB)\n", (peak - idle) / 1024.0,
              idle / 1024.0);
  const bool ok = ours.bytes == plain.bytes && ours.bytes > 0;
  if (!ok) std::printf("the window's download failed\n");
  ws::document().setLogin({});
  frmImgClnt.Unload();
  return ok ? 0 : 1;
}
