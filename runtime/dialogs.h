#pragma once
// Message boxes, input boxes and the common dialogs all go through one service. The program runs
// with real Qt dialogs; a test installs a scripted service that answers each call in order.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace rt {

// Buttons.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
// Icons.
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
// Default button.
constexpr int vbDefaultButton2 = 256;
constexpr int vbDefaultButton3 = 512;
// Answers.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

inline int MsgBoxButtons(int style) { return style & 0x0F; }
inline int MsgBoxIcon(int style) { return style & 0xF0; }

// Flags of the file dialogs that the program sets.
constexpr int cdlOFNReadOnly = 0x1;
constexpr int cdlOFNOverwritePrompt = 0x2;
constexpr int cdlOFNHideReadOnly = 0x4;
constexpr int cdlOFNPathMustExist = 0x800;
constexpr int cdlOFNFileMustExist = 0x1000;
// Font dialog.
constexpr int cdlCFScreenFonts = 0x1;
constexpr int cdlCFEffects = 0x100;
// Printer dialog.
constexpr int cdlPDReturnDC = 0x100;

enum class DialogKind { Open, Save, Color, Font, Printer, Folder };

// One common-dialog call: what the program asks for, and what the user chose.
struct DialogRequest {
  DialogKind kind = DialogKind::Open;
  QWidget* owner = nullptr;
  QString title;
  int flags = 0;
  // File dialogs: filter "Text|*.txt|All|*.*", 1-based filter index, file name in and out.
  QString filter;
  int filterIndex = 1;
  QString initDir;
  QString fileName;
  // Colour (0x00BBGGRR).
  uint32_t color = 0;
  // Font.
  QString fontName;
  double fontSize = 0;
  bool fontBold = false, fontItalic = false, fontUnderline = false, fontStrikethru = false;
  // The font fields as one font (a size of 0 keeps the font's default size), and back.
  QFont font() const;
  void setFont(const QFont& f);
  // Printer.
  int copies = 1;
  int orientation = 1;  // 1 portrait, 2 landscape
  QString printerName;
  // Pages the user asked for (0 when none was named) among minPage to maxPage, and the file a
  // printer that prints to a file writes.
  int fromPage = 0, toPage = 0, minPage = 1, maxPage = 1;
  QString outputFileName;
  // Folder.
  QString folder;
};

class DialogService {
 public:
  virtual ~DialogService() = default;
  virtual int msgBox(const QString& prompt, int style, const QString& title) = 0;
  // Returns false when the user cancelled.
  virtual bool inputBox(const QString& prompt, const QString& title, QString* text) = 0;
  // Returns false when the user cancelled; fills the request's out fields otherwise.
  virtual bool commonDialog(DialogRequest& request) = 0;
};

// The service in force. Installing returns the previous one.
DialogService& dialogs();
std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service);
std::unique_ptr<DialogService> makeQtDialogService();

// The program's title for message boxes without one.
QString AppTitle();

int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString());
// Returns "" when cancelled, as the runtime does.
QString InputBox(const QString& prompt, const QString& title = QString(), const QString& defaultText = QString());
// "" when cancelled.
QString BrowseForFolder(const QString& title, const QString& startFolder = QString(), QWidget* owner = nullptr);

// The common dialog control: set the properties, call a Show method. With CancelError set, a
// cancel raises run-time error 32755.
class CommonDialog {
 public:
  QString DialogTitle;
  QString Filter;
  int FilterIndex = 1;
  QString InitDir;
  QString FileName;
  int Flags = 0;
  bool CancelError = false;
  uint32_t Color = 0;
  QString FontName;
  double FontSize = 0;
  bool FontBold = false, FontItalic = false, FontUnderline = false, FontStrikethru = false;
  int Copies = 1;
  int Orientation = 1;
  int FromPage = 0, ToPage = 0, Min = 1, Max = 1;
  QString PrinterName;
  QString OutputFileName;
  QWidget* Owner = nullptr;

  // FileTitle: the file name without its folder.
  QString FileTitle() const;

  void ShowOpen();
  void ShowSave();
  void ShowColor();
  void ShowFont();
  void ShowPrinter();

 private:
  void run(DialogKind kind);
};

}  // namespace rt
