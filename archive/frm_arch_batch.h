#pragma once
// The batch archival window: one Start sends every verified batch folder to the archive server, one
// folder per connection, and deletes each folder once the server has confirmed its document.
#include "archive/archive_upload.h"
#include "archive/batch_folder.h"
#include "runtime/form.h"

#include <QTimer>
#include <cstdint>
#include <optional>

class QGroupBox;
class QProgressBar;
class QPushButton;

class frmArchBatchForm : public rt::Form {
  Q_OBJECT
 public:
  frmArchBatchForm();

  QPushButton* cmdStart = nullptr;
  QGroupBox* fraProgress = nullptr;
  QProgressBar* pbrBatch = nullptr;
  QString pbrBatchTag;                  // "ASSIGNED" once the bar's range is set
  arch::ArchiveUpload* upload = nullptr;  // the archive server

  void cmdStart_Click();
  bool running() const { return running_; }

 protected:
  void Form_QueryUnload(int& cancel, int unloadMode) override;

 private:
  void uploadFinished(bool stored);
  void stop();

  QTimer tmrBatch;  // state 10: the next folder is due
  std::optional<arch::batch::Item> chosen_;
  bool running_ = false;
};

extern rt::DefaultInstance<frmArchBatchForm> frmArchBatch;
