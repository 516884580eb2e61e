#include "annotation/elements/text_editor_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include "platform/graphics/gdi_objects.h"
#include "platform/windows/window.h"

namespace {

QColor colourOf(plat::COLORREF c) { return QColor(plat::GetRValue(c), plat::GetGValue(c), plat::GetBValue(c)); }

// The editor widget: window class "scv6_editor" of the engine.
class EditorWidget : public QPlainTextEdit {
 public:
  explicit EditorWidget(QWidget* parent) : QPlainTextEdit(parent) { setObjectName("scv6_editor"); }
  std::function<void()> lostFocus;

 protected:
  void focusOutEvent(QFocusEvent* e) override {
    QPlainTextEdit::focusOutEvent(e);
    // A popup of the editor's own (its context menu) takes the focus without ending the edit.
    if (e->reason() != Qt::PopupFocusReason && lostFocus) lostFocus();
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Tab) {  // Tab leaves the keys of the editor alone
      e->ignore();
      return;
    }
    QPlainTextEdit::keyPressEvent(e);
  }
};

}  // namespace

struct AnnEditorWindow::Impl : QObject {
  QPointer<EditorWidget> editor;
  std::function<void()> onEnd;
  bool ending = false;
  QString original;
  // Cleared when the window goes, so that an end already queued does nothing.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);
  ~Impl() override { *alive = false; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // A press anywhere outside the editor ends the edit; the press itself goes on to its target.
    if (event->type() == QEvent::MouseButtonPress && editor) {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && w != editor && !editor->isAncestorOf(w)) End();
    }
    return false;
  }

  void End() {
    if (ending) return;
    ending = true;
    // The element's handler may destroy this window: it runs after the event that ended it.
    QTimer::singleShot(0, qApp, [cb = onEnd, alive = alive] {
      if (*alive && cb) cb();
    });
  }

  void Grow() {
    if (!editor) return;
    QFontMetrics fm(editor->font());
    int lines = 0;
    for (QTextBlock b = editor->document()->begin(); b.isValid(); b = b.next())
      lines += b.layout() ? std::max(1, b.layout()->lineCount()) : 1;
    const int height = (lines + 1) * fm.lineSpacing() + 2 * editor->frameWidth();
    int width = editor->width();
    for (QTextBlock b = editor->document()->begin(); b.isValid(); b = b.next())
      width = std::max(width, fm.horizontalAdvance(b.text()) + fm.averageCharWidth() + 2 * editor->frameWidth() +
                                  editor->verticalScrollBar()->sizeHint().width());
    if (height > editor->height() || width > editor->width())
      editor->resize(std::max(width, editor->width()), std::max(height, editor->height()));
  }
};

AnnEditorWindow::AnnEditorWindow(plat::HWND host, const plat::RECT& device, const Style& style,
                                 const std::u16string& text, int32_t caret, std::function<void()> onEnd)
    : d_(std::make_unique<Impl>()) {
  d_->onEnd = std::move(onEnd);
  QWidget* parent = plat::WidgetOf(host);
  auto* e = new EditorWidget(parent);
  d_->editor = e;
  e->setGeometry(device.left, device.top, std::max(1, device.right - device.left),
                 std::max(1, device.bottom - device.top));
  e->setFrameShape(QFrame::NoFrame);
  e->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  e->setFont(plat::FontFromLogFont(style.font));
  QPalette pal = e->palette();
  pal.setColor(QPalette::Base, colourOf(style.back));
  pal.setColor(QPalette::Text, colourOf(style.text));
  e->setPalette(pal);
  d_->original = QString::fromStdU16String(text);
  e->setPlainText(d_->original);
  QTextOption option = e->document()->defaultTextOption();
  option.setAlignment(style.justification == 1 ? Qt::AlignRight : style.justification == 2 ? Qt::AlignHCenter
                                                                                            : Qt::AlignLeft);
  e->document()->setDefaultTextOption(option);
  QTextCursor cursor = e->textCursor();
  cursor.setPosition(std::clamp(caret, 0, int(d_->original.size())));
  e->setTextCursor(cursor);
  Impl* impl = d_.get();
  e->lostFocus = [impl] { impl->End(); };
  QObject::connect(e->document(), &QTextDocument::contentsChanged, impl, [impl] { impl->Grow(); });
  impl->Grow();
  e->show();
  e->setFocus(Qt::OtherFocusReason);
  if (qApp) qApp->installEventFilter(impl);
}

AnnEditorWindow::~AnnEditorWindow() {
  if (qApp) qApp->removeEventFilter(d_.get());
  d_->ending = true;
  if (d_->editor) {
    d_->editor->lostFocus = nullptr;
    d_->editor->hide();
    d_->editor->deleteLater();
  }
}


std::u16string AnnEditorWindow::Text() const {
  return d_->editor ? d_->editor->toPlainText().toStdU16String() : std::u16string();
}

plat::RECT AnnEditorWindow::ClientRect() const {
  if (!d_->editor) return {};
  QRect g = d_->editor->geometry();
  return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

