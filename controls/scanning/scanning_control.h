#pragma once
// The scanning control: a source manager over the scanner devices SANE offers and their sources
// (flatbed, document feeder), source selection, the scan area in inches and acquisition of one or
// more pages on a worker thread. Each delivered page raises ImageAcquired on the user-interface
// thread, while the acquisition goes on, with AcquiredImage holding it as a packed
// device-independent bitmap. A progress window shows while a page is read and can cancel.
//
// Failures raise rt::RuntimeError with Source() == kSourceId: kErrDriver (ErrorCode and ErrorText
// tell what the device said) or kErrNoSource (nothing to scan from, or cancelled; callers end
// quietly).
#include "platform/memory/global_memory.h"
#include "runtime/errors.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace scan {
class ScanWorker;
}

class ScanningControl : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kSourceId = "Fdrx3.Feedrix.1";
  static constexpr int32_t kErrObjectBase = static_cast<int32_t>(0x80040000u);
  static constexpr int32_t kErrDriver = kErrObjectBase + 1000;
  static constexpr int32_t kErrNoSource = kErrObjectBase + 1004;

  explicit ScanningControl(QObject* parent = nullptr);
  ~ScanningControl() override;

  void OpenSourceManager();
  void CloseSourceManager();
  int32_t SourceCount();
  // Opens the source manager and counts the sources on a worker thread, since asking every
  // backend (network ones included) can take seconds. SourcesChecked is raised on this object's
  // thread with the answer; until then IsCheckingSources is true. Every other member that talks to
  // the scanner library first waits for a check in progress, and so does the destructor.
  void BeginSourceCheck();
  bool IsCheckingSources() const { return checkPending_; }
  // The answer of the last check: the number of sources, or nullopt after a failure.
  std::optional<int32_t> CheckedSourceCount() const { return checkedCount_; }
  // The failure of the last check, as OpenSourceManager or SourceCount would have raised it.
  std::optional<rt::RuntimeError> SourceCheckError() const { return checkError_; }
  // Runs on the worker thread of every check before it asks anything; an rt::RuntimeError it raises
  // is the check's failure. Tests slow the check down or make it fail with it.
  static void setSourceCheckHook(std::function<void()> hook) { checkHook() = std::move(hook); }
  // Lets the user pick a device and, where it has several, its source; Acquire uses the choice.
  void SelectSource();
  // Scans every page the source delivers; ImageAcquired is raised once per page. Returns when the
  // last page has been handled, the user cancelled or the device failed.
  void Acquire();
  // Stops the acquisition in progress (the page being read is dropped).
  void Cancel();
  bool IsAcquiring() const { return worker_ != nullptr; }

  bool ShowDriverUI() const { return showDriverUI_; }
  void setShowDriverUI(bool v) { showDriverUI_ = v; }
  // Inside ImageAcquired: the page just scanned. The receiver takes the block over; a block not
  // taken is freed when the next page arrives.
  plat::HGLOBAL AcquiredImage();
  // The last failure of the scanner library; a check in progress may set it from its thread.
  int32_t ErrorCode() const;
  QString ErrorText() const;

  void GetScanArea(float& left, float& top, float& right, float& bottom);
  void SetScanArea(float left, float top, float right, float bottom);

  // The chosen device ("test:0") and its source ("" for the device's own choice).
  QString CurrentSource() const { return source_; }
  QString CurrentFeed() const { return feed_; }
  // The items the source picker offers: "device" or "device - source", and which one is chosen.
  QStringList SourceItems();
  // How SelectSource asks the user: the items and the current one; returns the chosen item or ""
  // for cancel. Tests replace it.
  void setSourceChooser(std::function<QString(const QStringList&, const QString&)> chooser) {
    chooser_ = std::move(chooser);
  }
  // Whether Acquire shows its progress window (tests switch it off).
  void setShowProgress(bool on) { showProgress_ = on; }

 Q_SIGNALS:
  void ImageAcquired();
  void SourcesChecked();

 private:
  [[noreturn]] void raise(int32_t number, int32_t code, const QString& text);
  QStringList devices();
  void openManager();
  QStringList listDevices();
  // Joins the worker of a check in progress; its answer is still raised later.
  void waitSourceCheck();
  QString deviceForScan();

  bool managerOpen_ = false;
  bool showDriverUI_ = false;
  bool showProgress_ = true;
  bool cancelled_ = false;
  QString source_;
  QString feed_;
  plat::HGLOBAL acquired_ = nullptr;
  mutable std::mutex errorLock_;
  int32_t errorCode_ = 0;
  QString errorText_;
  // Scan area in inches; negative until set, meaning the device's whole area.
  float area_[4] = {-1, -1, -1, -1};
  std::function<QString(const QStringList&, const QString&)> chooser_;
  scan::ScanWorker* worker_ = nullptr;
  std::thread checker_;
  bool checkPending_ = false;
  std::optional<int32_t> checkedCount_;
  std::optional<rt::RuntimeError> checkError_;
  static std::function<void()>& checkHook() {
    static std::function<void()> hook;
    return hook;
  }
};
