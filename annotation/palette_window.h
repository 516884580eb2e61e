#pragma once
// The engine's floating tool palette: eleven tool buttons, two a row in six rows, the image tool
// alone in the last. It tells the engine of clicks, right clicks and closing; the engine checks
// and greys its buttons.
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

class QToolButton;

class AnnToolPalette : public QWidget {
 public:
  struct Handlers {
    std::function<void(int32_t tool)> clicked;
    std::function<void(int32_t tool)> rightClicked;
    std::function<void()> closed;
    std::function<QString(int32_t tool)> toolTip;
  };
  explicit AnnToolPalette(Handlers handlers);

  // The button of a tool (4096 to 4106), or null.
  QToolButton* Button(int32_t tool) const;
  void SetPressed(int32_t tool);
  void SetToolEnabled(int32_t tool, bool enabled);
  // The picture of a tool's button (32 x 32), also used for the tool cursors.
  static QImage ToolImage(int32_t tool);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Handlers handlers_;
  std::array<QToolButton*, 11> buttons_{};
};
