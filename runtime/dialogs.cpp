#include "runtime/dialogs.h"

#include "runtime/errors.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace rt {

namespace {

std::unique_ptr<DialogService>& current() {
  static std::unique_ptr<DialogService> s;
  return s;
}

// "Images|*.tif;*.bmp|All|*.*" -> "Images (*.tif *.bmp);;All (*.*)"
QStringList qtFilters(const QString& filter) {
  QStringList out;
  const QStringList parts = filter.split('|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out;
}

// The window a box belongs to: the active one, unless it is already on its way out (a form unloaded
// a moment ago stays active until it is destroyed, and would take the box with it).
QWidget* activeOwner() {
  QWidget* w = QApplication::activeWindow();
  return w && w->isVisible() ? w : nullptr;
}

class QtDialogService : public DialogService {
 public:
  int msgBox(const QString& prompt, int style, const QString& title) override {
    QMessageBox box(activeOwner());
    box.setText(prompt);
    box.setWindowTitle(title);
    switch (MsgBoxIcon(style)) {
      case vbCritical: box.setIcon(QMessageBox::Critical); break;
      case vbQuestion: box.setIcon(QMessageBox::Question); break;
      case vbExclamation: box.setIcon(QMessageBox::Warning); break;
      case vbInformation: box.setIcon(QMessageBox::Information); break;
      default: break;
    }
    struct B { QMessageBox::StandardButton qt; int answer; };
    std::vector<B> buttons;
    switch (MsgBoxButtons(style)) {
      case vbOKCancel: buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
      case vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
      case vbYesNoCancel:
        buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
        break;
      case vbYesNo: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
      case vbRetryCancel: buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
      default: buttons = {{QMessageBox::Ok, vbOK}}; break;
    }
    for (const B& b : buttons) box.addButton(b.qt);
    const std::size_t def = (style & vbDefaultButton3) ? 2 : (style & vbDefaultButton2) ? 1 : 0;
    if (def < buttons.size()) box.setDefaultButton(buttons[def].qt);
    box.exec();
    for (const B& b : buttons)
      if (box.clickedButton() == box.button(b.qt)) return b.answer;
    // Closed with Escape or the title bar: the cancel answer where there is one.
    for (const B& b : buttons)
      if (b.answer == vbCancel || b.answer == vbNo) return b.answer;
    return buttons.front().answer;
  }

  bool inputBox(const QString& prompt, const QString& title, QString* text) override {
    bool ok = false;
    const QString t = QInputDialog::getText(activeOwner(), title, prompt, QLineEdit::Normal, *text, &ok);
    if (ok) *text = t;
    return ok;
  }

  bool commonDialog(DialogRequest& r) override {
    QWidget* owner = r.owner ? r.owner : activeOwner();
    switch (r.kind) {
      case DialogKind::Open:
      case DialogKind::Save: {
        QFileDialog dlg(owner, r.title, r.initDir.isEmpty() ? QFileInfo(r.fileName).path() : r.initDir);
        dlg.setAcceptMode(r.kind == DialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dlg.setFileMode(r.kind == DialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!(r.flags & cdlOFNOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite);
        const QStringList filters = qtFilters(r.filter);
        if (!filters.isEmpty()) {
          dlg.setNameFilters(filters);
          if (r.filterIndex >= 1 && r.filterIndex <= filters.size()) dlg.selectNameFilter(filters[r.filterIndex - 1]);
        }
        if (!r.fileName.isEmpty()) dlg.selectFile(r.fileName);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
        r.fileName = dlg.selectedFiles().front();
        r.filterIndex = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
        return true;
      }
      case DialogKind::Color: {
        const QColor c = QColorDialog::getColor(QColor(r.color & 0xFF, (r.color >> 8) & 0xFF, (r.color >> 16) & 0xFF),
                                                owner, r.title);
        if (!c.isValid()) return false;
        r.color = static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
                  (static_cast<uint32_t>(c.blue()) << 16);
        return true;
      }
      case DialogKind::Font: {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, r.font(), owner, r.title);
        if (!ok) return false;
        r.setFont(chosen);
        return true;
      }
      case DialogKind::Printer: {
        QPrinter printer;
        printer.setCopyCount(r.copies);
        printer.setPageOrientation(r.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
        if (!r.printerName.isEmpty()) printer.setPrinterName(r.printerName);
        QPrintDialog dlg(&printer, owner);
        dlg.setWindowTitle(r.title);
        dlg.setMinMax(std::max(1, r.minPage), std::max(1, r.maxPage));
        dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
        if (dlg.exec() != QDialog::Accepted) return false;
        r.copies = printer.copyCount();
        r.orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
        r.printerName = printer.printerName();
        r.outputFileName = printer.outputFileName();
        // "All" names every page the caller offered; a range names its own.
        const bool range = printer.printRange() == QPrinter::PageRange;
        r.fromPage = range ? printer.fromPage() : std::max(1, r.minPage);
        r.toPage = range ? printer.toPage() : std::max(1, r.maxPage);
        return true;
      }
      case DialogKind::Folder: {
        const QString dir = QFileDialog::getExistingDirectory(owner, r.title, r.folder);
        if (dir.isEmpty()) return false;
        r.folder = dir;
        return true;
      }
    }
    return false;
  }
};

}  // namespace

DialogService& dialogs() {
  if (!current()) current() = makeQtDialogService();
  return *current();
}

std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service) {
  std::unique_ptr<DialogService> previous = std::move(current());
  current() = std::move(service);
  return previous;
}

std::unique_ptr<DialogService> makeQtDialogService() { return std::make_unique<QtDialogService>(); }

QString AppTitle() { return QStringLiteral("kvtLumivex"); }

int MsgBox(const QString& prompt, int style, const QString& title) {
  return dialogs().msgBox(prompt, style, title.isEmpty() ? AppTitle() : title);
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  QString text = defaultText;
  if (!dialogs().inputBox(prompt, title.isEmpty() ? AppTitle() : title, &text)) return QString();
  return text;
}

QString BrowseForFolder(const QString& title, const QString& startFolder, QWidget* owner) {
  DialogRequest r;
  r.kind = DialogKind::Folder;
  r.title = title;
  r.folder = startFolder;
  r.owner = owner;
  return dialogs().commonDialog(r) ? r.folder : QString();
}

QString CommonDialog::FileTitle() const { return QFileInfo(FileName).fileName(); }

void CommonDialog::run(DialogKind kind) {
  DialogRequest r;
  r.kind = kind;
  r.owner = Owner;
  r.title = DialogTitle;
  r.flags = Flags;
  r.filter = Filter;
  r.filterIndex = FilterIndex;
  r.initDir = InitDir;
  r.fileName = FileName;
  r.color = Color;
  r.fontName = FontName;
  r.fontSize = FontSize;
  r.fontBold = FontBold;
  r.fontItalic = FontItalic;
  r.fontUnderline = FontUnderline;
  r.fontStrikethru = FontStrikethru;
  r.copies = Copies;
  r.orientation = Orientation;
  r.fromPage = FromPage;
  r.toPage = ToPage;
  r.minPage = Min;
  r.maxPage = Max;
  r.printerName = PrinterName;
  r.outputFileName = OutputFileName;
  if (!dialogs().commonDialog(r)) {
    if (CancelError) Raise(kErrCancel, QStringLiteral("CommonDialog"));
    // Without CancelError a cancelled file dialog leaves an empty file name behind.
    if (kind == DialogKind::Open || kind == DialogKind::Save) FileName.clear();
    return;
  }
  FileName = r.fileName;
  FilterIndex = r.filterIndex;
  Color = r.color;
  FontName = r.fontName;
  FontSize = r.fontSize;
  FontBold = r.fontBold;
  FontItalic = r.fontItalic;
  FontUnderline = r.fontUnderline;
  FontStrikethru = r.fontStrikethru;
  Copies = r.copies;
  Orientation = r.orientation;
  FromPage = r.fromPage;
  ToPage = r.toPage;
  PrinterName = r.printerName;
  OutputFileName = r.outputFileName;
}

void CommonDialog::ShowOpen() { run(DialogKind::Open); }
void CommonDialog::ShowSave() { run(DialogKind::Save); }
void CommonDialog::ShowColor() { run(DialogKind::Color); }
void CommonDialog::ShowFont() { run(DialogKind::Font); }

QFont DialogRequest::font() const {
  QFont f(fontName);
  if (fontSize > 0) f.setPointSizeF(fontSize);
  f.setBold(fontBold);
  f.setItalic(fontItalic);
  f.setUnderline(fontUnderline);
  f.setStrikeOut(fontStrikethru);
  return f;
}

void DialogRequest::setFont(const QFont& f) {
  fontName = f.family();
  fontSize = f.pointSizeF();
  fontBold = f.bold();
  fontItalic = f.italic();
  fontUnderline = f.underline();
  fontStrikethru = f.strikeOut();
}

void CommonDialog::ShowPrinter() { run(DialogKind::Printer); }

}  // namespace rt
