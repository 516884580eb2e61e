#include "archive/frm_tcpip.h"

#include "archive/archive_protocol.h"
#include "archive/frm_arch_ret_opt.h"
#include "runtime/dialogs.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

rt::DefaultInstance<frmTCPIPForm> frmTCPIP;

namespace {

using namespace modVars;
using modTCP::gstrTCPCommand;

void hourglass() { rt::Screen::setMousePointer(rt::vbHourglass); }
void defaultPointer() { rt::Screen::setMousePointer(rt::vbDefault); }

void clearKeys() {
  ws::document().state().achId.clear();
  ws::document().state().parm1.clear();
  ws::document().state().parm2.clear();
}

}  // namespace

frmTCPIPForm::frmTCPIPForm() {
  setCaption(QStringLiteral("   Network Manager"));
  lblProcess = new QLabel(QStringLiteral("Initializing..."), this);
  lblProcess->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblProcess);
  setFixedSize(360, 90);
  sckReq = new arch::ExchangeLink(this);
  upload = new arch::ArchiveUpload(this);
  commitStep_.setSingleShot(true);
  connect(sckReq, &arch::ExchangeLink::fired, this, [this](int16_t s) { tmrReq_Timer(s); });
  connect(sckReq, &arch::ExchangeLink::connected, this, [this] { sckReq_Connect(); });
  connect(sckReq, &arch::ExchangeLink::reply, this, [this](const QByteArray& r) { sckReq_Reply(r); });
  connect(sckReq, &arch::ExchangeLink::bytes, this, [this](const QByteArray& b) { sckReq_Bytes(b); });
  connect(&commitStep_, &QTimer::timeout, this, [this] { startCommit(); });
  // The upload has shown its failures; a commit ends with the window either way.
  connect(upload, &arch::ArchiveUpload::finished, this, [this](bool stored) {
    if (stored)
      finish(QStringLiteral("Document archived successfully"), rt::vbInformation, QStringLiteral("Information"));
    else
      finish();
  });
}

bool frmTCPIPForm::retrieving() const { return gstrTCPCommand == QLatin1String("RETRIEVE"); }

QString frmTCPIPForm::user() const { return ws::document().state().login.user.trimmed(); }

void frmTCPIPForm::Form_Load() {
  if (gstrTCPCommand == QLatin1String("RETRIEVE"))
    sckReq->step(100);
  else if (gstrTCPCommand == QLatin1String("LOGOUT"))
    sckReq->step(120);
  else if (gstrTCPCommand == QLatin1String("UNLOCK"))
    sckReq->step(130);
  else if (gstrTCPCommand == QLatin1String("ARCHIVE"))
    commitStep_.start(arch::timing().stepMs);
  else
    // A word without an operation must not leave a modal window open with nothing to end it.
    QTimer::singleShot(0, this, [this] {
      ended_ = true;
      Unload();
    });
}

// Closing the window while an operation runs cancels it: nothing is reported as done.
void frmTCPIPForm::Form_QueryUnload(int&, int) {
  if (ended_) return;
  ended_ = true;
  sckReq->close();
  commitStep_.stop();
  upload->abort();
  if (retrieving()) dropWorkingFile();
  defaultPointer();
}

void frmTCPIPForm::dropWorkingFile() {
  // A partial download must never be taken for the document.
  if (working_.isOpen()) working_.close();
  QFile::remove(modTCP::fnWorkingFilePath());
}

void frmTCPIPForm::finish(const QString& message, int style, const QString& title) {
  ended_ = true;
  // The commit's link has been closed by the upload already.
  sckReq->close();
  if (working_.isOpen()) working_.close();
  defaultPointer();
  if (!message.isEmpty()) rt::MsgBox(message, style, title);
  Unload();
}

// ---- Request side ----------------------------------------------------------------------------------

void frmTCPIPForm::tmrReq_Timer(int16_t state) {
  switch (state) {
    case 100:
    case 120:
    case 130:
      lblProcess->setText(state == 100   ? QStringLiteral("Retrieving Image From Archive...")
                          : state == 120 ? QStringLiteral("Logging user out...")
                                         : QStringLiteral("Unlocking AchID..."));
      hourglass();
      // Logout and unlock report a server that cannot be reached as a network error.
      sckReq->open(modTCP::gstrRemoteHost, modTCP::gstrRetPort.toInt(),
                   state == 100 ? arch::kNotContacted : arch::kNetworkFailed);
      break;
    case 101:
      hourglass();
      sckReq->request(arch::msgInit(user(), ws::document().state().achId, ws::document().state().parm1, ws::document().state().parm2, ws::document().state().login.update));
      break;
    case 102:
      hourglass();
      proceedSent_ = true;
      sckReq->request(arch::msgAckPleaseProceed());
      break;
    case 121:
      hourglass();
      sckReq->request(arch::msgLogout(user()));
      break;
    case 131:
      hourglass();
      // The lock is held on the ID the document was retrieved under, even when a commit stored it
      // under another one since.
      sckReq->request(arch::msgUnlock(ws::document().state().origAchId.isEmpty() ? ws::document().state().achId : ws::document().state().origAchId));
      break;
    case 103:
    case 122:
    case 132:
      ws::document().state().network = ws::NetworkResult::Succeeded;
      finish();
      break;
    case arch::kNetworkFailed:
      // A download cut short leaves no working file; without a connection none was begun.
      if (retrieving()) dropWorkingFile();
      [[fallthrough]];
    case arch::kNotContacted:
      finish(arch::failureText(state, QStringLiteral("Request Server")));
      break;
    default:
      break;
  }
}

void frmTCPIPForm::sckReq_Connect() {
  if (retrieving()) {
    const QString path = modTCP::fnWorkingFilePath();
    QFile::remove(path);
    working_.setFileName(path);
    if (!working_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      finish(QStringLiteral("The working file could not be created:") + QLatin1Char('\r') + path);
      return;
    }
    lngBytes = 0;
    received_ = 0;
    sckReq->step(101);
  } else if (gstrTCPCommand == QLatin1String("LOGOUT")) {
    sckReq->step(121);
  } else {
    sckReq->step(131);
  }
}

void frmTCPIPForm::sckReq_Reply(const QByteArray& reply) {
  using arch::RequestReply;
  const auto unexpected = [&] {
    if (retrieving()) dropWorkingFile();
    finish(QStringLiteral("Unexpected message received from Image Server:") + QLatin1Char('\r') + arch::wireText(reply));
  };
  const RequestReply kind = arch::classifyRequestReply(reply);
  // A reply that belongs to another command is not taken for this one's success.
  bool fits = retrieving();
  if (kind == RequestReply::LogoutCompleted) fits = gstrTCPCommand == QLatin1String("LOGOUT");
  if (kind == RequestReply::UnlockCompleted) fits = gstrTCPCommand == QLatin1String("UNLOCK");
  if (!fits) return unexpected();
  switch (kind) {
    case RequestReply::NotFound:
      clearKeys();
      dropWorkingFile();
      finish(QStringLiteral("Image Not Found!"));
      return;
    case RequestReply::FileLocked:
      clearKeys();
      dropWorkingFile();
      finish(QStringLiteral("File is locked by:") + QLatin1Char('\r') + arch::lockHolder(reply), rt::vbInformation,
             QStringLiteral("Information"));
      return;
    case RequestReply::NumPaths: {
      const std::vector<arch::Keys> records = arch::parseNumPaths(reply);
      clearKeys();
      defaultPointer();
      frmArchRetOptForm* chooser = frmArchRetOpt.get();
      for (const arch::Keys& k : records) chooser->addItem(k);
      QPointer<frmTCPIPForm> self(this);
      chooser->Show(rt::vbModal);
      if (!self || ended_) return;
      if (!ws::document().state().achId.isEmpty() || !ws::document().state().parm1.isEmpty() || !ws::document().state().parm2.isEmpty()) {
        hourglass();
        sckReq->step(101);
      } else {
        dropWorkingFile();
        finish();
      }
      return;
    }
    case RequestReply::IndicesBytes: {
      const auto r = arch::parseIndicesBytes(reply);
      if (!r || sckReq->hasPendingText()) {
        dropWorkingFile();
        finish(arch::networkErrorsText());
        return;
      }
      ws::document().state().achId = r->keys.achId;
      ws::document().state().origAchId = r->keys.achId;
      ws::document().state().parm1 = r->keys.parm1;
      ws::document().state().parm2 = r->keys.parm2;
      lngBytes = r->byteCount;
      sckReq->setRaw(true);
      sckReq->step(102);
      return;
    }
    case RequestReply::LogoutCompleted:
      sckReq->step(122);
      return;
    case RequestReply::UnlockCompleted:
      sckReq->step(132);
      return;
    case RequestReply::Unexpected:
      unexpected();
      return;
  }
}

void frmTCPIPForm::sckReq_Bytes(const QByteArray& bytes) {
  const qint64 total = static_cast<qint64>(lngBytes) + 1;
  // Bytes before the go-ahead, more than announced, or a file that cannot take them end the
  // download as a network failure.
  if (!proceedSent_ || received_ + bytes.size() > total || working_.write(bytes) != bytes.size()) {
    dropWorkingFile();
    finish(arch::networkErrorsText());
    return;
  }
  received_ += bytes.size();
  if (received_ == total) {
    if (!working_.flush()) {
      dropWorkingFile();
      finish(arch::networkErrorsText());
      return;
    }
    working_.close();
    sckReq->step(103);
    return;
  }
  // Every arrival re-arms the watchdog: a stalled download ends instead of hanging.
  sckReq->wait(arch::kNetworkFailed, arch::timing().watchdogMs);
}

// ---- Commit side -----------------------------------------------------------------------------------

void frmTCPIPForm::startCommit() {
  lblProcess->setText(QStringLiteral("Committing Image To Archive..."));
  // The document as it is on disk now: the working file, or where Save As put it. The header names
  // the ID it was retrieved under first, then the one it is to have.
  const QString file = ws::document().state().path.isEmpty() ? modTCP::fnWorkingFilePath() : ws::document().state().path;
  upload->start({QStringLiteral("REINDEX"), ws::document().state().origAchId, ws::document().state().achId, ws::document().state().parm1, ws::document().state().parm2, file});
}
