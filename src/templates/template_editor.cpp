#include "templates/template_editor.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextEdit>

#include "platform/system/ansi_text.h"
#include "templates/qt_colouring.h"

namespace kestrix::templates {

namespace {

// The window as designed, in pixels; the margins are measured from it.
constexpr QSize kDesignSize(520, 360);
constexpr QRect kDesignText(8, 8, 504, 304);
constexpr QRect kDesignButtons[] = {QRect(336, 322, 84, 28), QRect(428, 322, 84, 28)};
constexpr const char* kCaptions[] = {"&Save", "&Cancel"};
// Tab stops every four characters, as in the views of the main window.
constexpr int kTabStopCharacters = 4;

QString FromAnsi(const std::string& bytes) {
  return QString::fromStdU16String(system::AnsiToUtf16(bytes));
}

}  // namespace

// Courier where the system has it. Where the name only maps to some other face (on Linux,
// often a thin one, or one that is not even fixed-pitch) the system's own fixed-width font
// reads better.
QFont EditorFont() {
  QFont font(QStringLiteral("Courier"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  const QFontInfo got(font);
  const bool real_courier = got.family().compare(font.family(), Qt::CaseInsensitive) == 0;
  if (real_courier && got.fixedPitch() && got.weight() >= QFont::Normal) return font;
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (fixed.weight() < QFont::Normal) fixed.setWeight(QFont::Normal);
  return fixed;
}

frmEdit::frmEdit(EditExchange& exchange, QWidget* parent)
    : QDialog(parent), exchange_(exchange), text1_(new QTextEdit(this)) {
  setObjectName(QStringLiteral("frmEdit"));
  setWindowTitle(FromAnsi(exchange_.EditCaption));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setModal(true);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setAcceptRichText(false);
  text1_->setLineWrapMode(QTextEdit::NoWrap);
  text1_->setFont(EditorFont());
  text1_->setTabStopDistance(kTabStopCharacters *
                             QFontMetricsF(text1_->font()).horizontalAdvance(QLatin1Char(' ')));
  if (exchange_.EditBackColor.isValid()) {
    QPalette palette = text1_->palette();
    palette.setColor(QPalette::Base, exchange_.EditBackColor);
    text1_->setPalette(palette);
  }
  for (int i = 0; i < 2; ++i) {
    auto* button = new QPushButton(QString::fromLatin1(kCaptions[i]), this);
    button->setObjectName(QStringLiteral("Command1_%1").arg(i));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    command1_[static_cast<size_t>(i)] = button;
  }
  LayOut();
  ShowColoured(*text1_, exchange_.EditText);
}

// Places the controls as designed and measures the margins that resizing keeps.
void frmEdit::LayOut() {
  resize(kDesignSize);
  setMinimumSize(kMinimumPixels, kMinimumPixels);
  text1_->setGeometry(kDesignText);
  text_margin_ = kDesignSize - kDesignText.size();
  for (size_t i = 0; i < command1_.size(); ++i) {
    command1_[i]->setGeometry(kDesignButtons[i]);
    QPoint corner(kDesignSize.width(), kDesignSize.height());
    QPoint margin = corner - kDesignButtons[i].topLeft();
    button_margins_[i] = QSize(margin.x(), margin.y());
  }
}

void frmEdit::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  QSize size = event->size();
  text1_->resize((size - text_margin_).expandedTo(QSize(0, 0)));
  for (size_t i = 0; i < command1_.size(); ++i) {
    QSize top_left = size - button_margins_[i];
    command1_[i]->move(top_left.width(), top_left.height());
  }
}

void frmEdit::Command1_Click(int index) {
  if (index == 0) {
    exchange_.EditText = AnsiTextOf(*text1_->document());
    exchange_.EditSaved = true;
    accept();
    return;
  }
  reject();
}

void ShowTemplateEditor(EditExchange& exchange, QWidget* parent) {
  frmEdit editor(exchange, parent);
  editor.exec();
}

}  // namespace kestrix::templates
