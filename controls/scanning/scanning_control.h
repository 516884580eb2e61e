#pragma once
// The scanning control: a source manager over the scanner devices SANE offers, source selection,
// the scan area in inches and acquisition of one or more pages. Each delivered page raises
// ImageAcquired while AcquiredImage holds it as a packed device-independent bitmap.
//
// Failures raise rt::RuntimeError with Source() == kSourceId: kErrDriver (ErrorCode and ErrorText
// tell what the device said) or kErrNoSource (nothing to scan from; callers end quietly).
#include "platform/memory/global_memory.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

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
  // Lets the user pick one of the sources; the choice is used by Acquire.
  void SelectSource();
  // Scans every page the source delivers; ImageAcquired is raised once per page.
  void Acquire();

  bool ShowDriverUI() const { return showDriverUI_; }
  void setShowDriverUI(bool v) { showDriverUI_ = v; }
  // Inside ImageAcquired: the page just scanned. The receiver takes the block over; a block not
  // taken is freed when the next page arrives.
  plat::HGLOBAL AcquiredImage();
  int32_t ErrorCode() const { return errorCode_; }
  QString ErrorText() const { return errorText_; }

  void GetScanArea(float& left, float& top, float& right, float& bottom);
  void SetScanArea(float left, float top, float right, float bottom);

  QString CurrentSource() const { return source_; }
  // How SelectSource asks the user; tests replace it. Returns "" for cancel.
  void setSourceChooser(std::function<QString(const QStringList&, const QString&)> chooser) {
    chooser_ = std::move(chooser);
  }

 Q_SIGNALS:
  void ImageAcquired();

 private:
  [[noreturn]] void raise(int32_t number, int32_t code, const QString& text);
  QStringList devices();
  QString deviceForScan();

  bool managerOpen_ = false;
  bool showDriverUI_ = false;
  QString source_;
  plat::HGLOBAL acquired_ = nullptr;
  int32_t errorCode_ = 0;
  QString errorText_;
  // Scan area in inches; negative until set, meaning the device's whole area.
  float area_[4] = {-1, -1, -1, -1};
  std::function<QString(const QStringList&, const QString&)> chooser_;
};
