#pragma once
// The network manager window: runs one archive operation each time it is shown (retrieve with
// lock, log out, unlock, or commit of the open document) and closes itself when it has ended.
#include "archive/archive_upload.h"
#include "archive/exchange_link.h"
#include "runtime/dialogs.h"
#include "runtime/form.h"

#include <QFile>
#include <QTimer>
#include <cstdint>

class QLabel;

class frmTCPIPForm : public rt::Form {
  Q_OBJECT
 public:
  frmTCPIPForm();

  QLabel* lblProcess = nullptr;
  arch::ExchangeLink* sckReq = nullptr;  // the request server, with its timer
  arch::ArchiveUpload* upload = nullptr;  // the commit to the archive server

 protected:
  void Form_Load() override;
  void Form_QueryUnload(int& cancel, int unloadMode) override;

 private:
  void tmrReq_Timer(int16_t state);
  void sckReq_Connect();
  void sckReq_Reply(const QByteArray& reply);
  void sckReq_Bytes(const QByteArray& bytes);
  void startCommit();

  // Ends the operation: connection and working file closed, default pointer, optional message,
  // window closed.
  void finish(const QString& message = QString(), int style = rt::vbExclamation,
              const QString& title = QStringLiteral("Error"));
  void dropWorkingFile();

  bool retrieving() const;
  QString user() const;

  QTimer commitStep_;  // the commit's first step, shortly after loading
  QFile working_;
  int32_t lngBytes = 0;       // N: the download is N + 1 bytes
  qint64 received_ = 0;
  bool proceedSent_ = false;  // document bytes are only taken after the go-ahead
  bool ended_ = false;
};

extern rt::DefaultInstance<frmTCPIPForm> frmTCPIP;
