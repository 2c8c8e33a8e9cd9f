#pragma once

// A label that can be clicked, as the picture boxes and link labels of the windows are, and
// that tells when the pointer enters or leaves it.

#include <QLabel>

namespace kestrix::ui {

class ClickLabel final : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  // A left-button click: pressed and released over the label.
  void clicked();
  void hovered(bool inside);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace kestrix::ui
