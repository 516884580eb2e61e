#pragma once
// The index window (modeless): lists the image files of the index folder; the user picks one, which
// opens it in the main window, types its archive keys and either sends it to the archive at once
// (Archive Now) or parks it as a batch folder for later (Save Batch).
#include "archive/archive_upload.h"
#include "runtime/form.h"

#include <QListWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A file list: the files of one folder that match a pattern ("*.BMP;*.TIF", any case), by name.
class PatternFileList : public QListWidget {
  Q_OBJECT
 public:
  explicit PatternFileList(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  void setPath(const QString& path);
  void setPattern(const QString& pattern);
  // The selected file's name ("" when none).
  QString FileName() const;
  // Selects a file by name (none when it is not listed).
  void setFileName(const QString& name);
  void Refresh();

 private:
  QString path_, pattern_;
};

class frmArchIndexForm : public rt::Form {
  Q_OBJECT
 public:
  frmArchIndexForm();

  QLabel* lblInputFiles = nullptr;
  PatternFileList* flbInput = nullptr;
  QGroupBox* fraIndex = nullptr;
  QLabel* lblAchID = nullptr;
  QLineEdit* txtAchID = nullptr;
  QLabel* lblParm1 = nullptr;
  QLineEdit* txtParm1 = nullptr;
  QLabel* lblParm2 = nullptr;
  QLineEdit* txtParm2 = nullptr;
  QCheckBox* chkReindex = nullptr;
  QPushButton* cmdArchNow = nullptr;
  QPushButton* cmdArchToBatch = nullptr;
  arch::ArchiveUpload* upload = nullptr;

  // The file selected in the list, with its folder.
  QString fnUploadFile() const;
  bool busy() const { return upload->busy(); }

  void flbInput_Click();
  void cmdArchNow_Click();
  void cmdArchToBatch_Click();
  // Enabling of the two buttons after a text change or a click on ReIndex.
  void fnButtonRule();

 protected:
  void Form_Load() override;
  void Form_QueryUnload(int& cancel, int unloadMode) override;

 private:
  // Captures the file and keys for Archive Now or Save Batch; false (with a message) when they
  // cannot be used or the main window does not show that file.
  bool capture();
  bool showsCapturedFile() const;
  void notShownMessage();
  // Saves the document through the main window; true when it is on disk as the captured file.
  bool saveCaptured();
  void lock(bool locked);
  void uploadFinished(bool stored);
  // After a document has been sent or parked: list refreshed, boxes emptied, the document closed.
  void fnDone(bool closeDocument);
  bool confirmOverwrite(const arch::Keys& existing);

  QString opened_;  // the file this window opened in the main window
  QString file_, achId_, parm1_, parm2_;
};

extern rt::DefaultInstance<frmArchIndexForm> frmArchIndex;
