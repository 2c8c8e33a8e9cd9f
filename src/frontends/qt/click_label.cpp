#include "frontends/qt/click_label.h"

#include <QMouseEvent>

namespace kestrix::ui {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) emit clicked();
}

void ClickLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  emit hovered(true);
}

void ClickLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  emit hovered(false);
}

}  // namespace kestrix::ui
