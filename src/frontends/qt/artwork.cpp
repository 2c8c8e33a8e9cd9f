#include "frontends/qt/artwork.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kestrix::ui {
namespace {

const QColor kDeepBlue(0, 40, 120);
const QColor kBlue(0, 80, 200);
const QColor kGreen(0, 160, 0);

// The add-in's shield (as on its toolbar button): blue, a white K, a green tick; `box` is the
// shield's bounding square.
void DrawShield(QPainter& painter, const QRectF& box) {
  const double w = box.width(), x = box.x(), y = box.y();
  QPainterPath shield;
  shield.moveTo(x, y);
  shield.lineTo(x + w, y);
  shield.lineTo(x + w, y + 0.55 * w);
  shield.quadTo(x + w, y + 0.85 * w, x + 0.5 * w, y + w);
  shield.quadTo(x, y + 0.85 * w, x, y + 0.55 * w);
  shield.closeSubpath();
  painter.setPen(QPen(kDeepBlue, w / 20));
  painter.setBrush(kBlue);
  painter.drawPath(shield);

  painter.setPen(QPen(Qt::white, w / 9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawLine(QPointF(x + 0.3 * w, y + 0.2 * w), QPointF(x + 0.3 * w, y + 0.75 * w));
  painter.drawPolyline(
      QPolygonF({QPointF(x + 0.68 * w, y + 0.2 * w), QPointF(x + 0.36 * w, y + 0.47 * w),
                 QPointF(x + 0.68 * w, y + 0.75 * w)}));
  painter.setPen(QPen(kGreen, w / 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(
      QPolygonF({QPointF(x + 0.55 * w, y + 0.72 * w), QPointF(x + 0.65 * w, y + 0.82 * w),
                 QPointF(x + 0.88 * w, y + 0.55 * w)}));
}

}  // namespace

QIcon DrawProgramIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128}) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double margin = side / 16.0;
    DrawShield(painter, QRectF(margin, margin, side - 2 * margin, side - 2 * margin));
    painter.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

QPixmap DrawLogo(bool initial_look) {
  QImage image(59, 225, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 225);
  sky.setColorAt(0, QColor(235, 242, 255));
  sky.setColorAt(1, QColor(150, 180, 230));
  painter.fillRect(image.rect(), sky);
  DrawShield(painter, QRectF(7, 8, 45, 45));

  // The name, read from the bottom up as on the spine of a book.
  painter.save();
  painter.translate(40, 215);
  painter.rotate(-90);
  QFont font("Sans Serif");
  font.setPixelSize(26);
  font.setBold(true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  painter.setFont(font);
  painter.setPen(kDeepBlue);
  painter.drawText(0, 0, "KESTRIX");
  painter.restore();
  painter.end();

  if (!initial_look) image.invertPixels();
  return QPixmap::fromImage(image);
}

QPixmap DrawBanner() {
  QImage image(480, 121, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 480, 0);
  sky.setColorAt(0, kDeepBlue);
  sky.setColorAt(1, QColor(90, 150, 230));
  painter.fillRect(image.rect(), sky);
  DrawShield(painter, QRectF(20, 14, 92, 92));

  QFont title("Sans Serif");
  title.setPixelSize(44);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(132, 14, 340, 56), Qt::AlignLeft | Qt::AlignVCenter, "Kestrix");
  QFont motto("Sans Serif");
  motto.setPixelSize(15);
  painter.setFont(motto);
  painter.drawText(QRect(134, 68, 340, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   "Line numbers and error handlers for every procedure of your Visual Basic "
                   "projects");
  painter.end();
  return QPixmap::fromImage(image);
}

}  // namespace kestrix::ui
