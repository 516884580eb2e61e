#include "archive/archive_upload.h"

#include "archive/read_file_bytes.h"
#include "runtime/dialogs.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QFileInfo>
#include <QPointer>

namespace arch {
namespace {

void hourglass() { rt::Screen::setMousePointer(rt::vbHourglass); }
void defaultPointer() { rt::Screen::setMousePointer(rt::vbDefault); }

}  // namespace

ArchiveUpload::ArchiveUpload(QObject* parent) : QObject(parent), link(new ExchangeLink(this)) {
  connect(link, &ExchangeLink::fired, this, [this](int16_t s) { fired(s); });
  connect(link, &ExchangeLink::connected, this, [this] { connected(); });
  connect(link, &ExchangeLink::reply, this, [this](const QByteArray& r) { reply(r); });
}

void ArchiveUpload::start(const Request& request) {
  if (busy_) return;
  busy_ = true;
  request_ = request;
  headerSent_ = bytesSent_ = false;
  hourglass();
  link->open(modTCP::gstrRemoteHost, modTCP::gstrAchPort.toInt());
}

void ArchiveUpload::abort() {
  if (!busy_) return;
  busy_ = false;
  link->close();
  defaultPointer();
}

void ArchiveUpload::end(bool stored, const QString& message, int style, const QString& title) {
  busy_ = false;
  link->close();
  defaultPointer();
  QPointer<ArchiveUpload> self(this);
  if (!message.isEmpty()) rt::MsgBox(message, style, title);
  if (self) Q_EMIT finished(stored);
}

void ArchiveUpload::connected() {
  if (busy_) sendHeader();
}

void ArchiveUpload::sendHeader() {
  const QFileInfo fi(request_.file);
  if (!fi.isFile()) {
    end(false, QStringLiteral("File does not exists!"), rt::vbExclamation);
    return;
  }
  size_ = fi.size();
  hourglass();
  headerSent_ = true;
  bytesSent_ = false;
  link->request(msgArchHeader(request_.operation, request_.id1, request_.id2, request_.parm1, request_.parm2, size_));
}

void ArchiveUpload::reply(const QByteArray& text) {
  if (!busy_) return;
  const ArchiveReply kind = classifyArchiveReply(text);
  if (kind == ArchiveReply::PleaseProceed && headerSent_ && !bytesSent_) {
    headerSent_ = false;
    link->step(kProceed);
    return;
  }
  if (kind == ArchiveReply::TransferCompleted && bytesSent_) {
    link->step(kCompleted);
    return;
  }
  if (kind == ArchiveReply::PleaseConfirm && headerSent_ && !bytesSent_ && confirmOverwrite) {
    if (const auto existing = parseArchConfirm(text)) {
      defaultPointer();
      QPointer<ArchiveUpload> self(this);
      const bool yes = confirmOverwrite(*existing);
      if (!self || !busy_) return;
      if (!yes) {
        end(false);
        return;
      }
      request_.operation = QStringLiteral("REINDEX");
      sendHeader();
      return;
    }
  }
  end(false, wireText(text), rt::vbOKOnly, QStringLiteral("Error"));
}

void ArchiveUpload::fired(int16_t state) {
  if (!busy_) return;
  switch (state) {
    case kProceed: {
      hourglass();
      const auto data = ReadFileBytes(request_.file);
      if (!data) {
        end(false, QStringLiteral("File does not exists!"), rt::vbExclamation);
        return;
      }
      // The count announced is the count sent: a file that changed since the header is not sent.
      if (data->size() != size_ + 1) {
        end(false, QStringLiteral("The file changed while it was being archived. Operation aborted!"),
            rt::vbExclamation);
        return;
      }
      bytesSent_ = true;
      link->request(*data, timing().transferWatchdogMs);
      return;
    }
    case kCompleted:
      end(true);
      return;
    case kNotContacted:
    case kNetworkFailed:
      end(false, failureText(state, QStringLiteral("Archive Server")), rt::vbExclamation);
      return;
    default:
      return;
  }
}

}  // namespace arch
