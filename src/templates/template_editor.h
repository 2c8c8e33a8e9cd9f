#pragma once

// frmEdit, the template editor: a modal, topmost window with the template's text, coloured
// once when it opens, and the buttons Save and Cancel. It exchanges the text with its caller
// through an EditExchange only.

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QSize>
#include <array>
#include <string>

class QPushButton;
class QTextEdit;

namespace kestrix::templates {

struct EditExchange {
  std::string EditText;     // the text to edit (Windows-1252); after Save, the edited text
  std::string EditCaption;  // the window's caption
  QColor EditBackColor;     // the text area's background; an invalid colour keeps the default
  bool EditSaved = false;   // set by Save, and only by Save
};

// The editor's fixed-width font: Courier where the system has a fixed-pitch face of that name
// in a readable weight, the system's fixed-width font otherwise.
QFont EditorFont();

class frmEdit final : public QDialog {
  Q_OBJECT

 public:
  // 2800 twips, at 15 twips to the pixel, rounded up.
  static constexpr int kMinimumPixels = (2800 + 14) / 15;

  // Loads the exchange's text, caption and background; the text is coloured here, once.
  explicit frmEdit(EditExchange& exchange, QWidget* parent = nullptr);

  QTextEdit* Text1() const { return text1_; }
  // 0 Save, 1 Cancel.
  QPushButton* Command1(int index) const { return command1_.at(static_cast<size_t>(index)); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();
  void Command1_Click(int index);

  EditExchange& exchange_;
  QTextEdit* text1_;
  std::array<QPushButton*, 2> command1_;
  // Distances from the window's bottom-right corner to each button's top-left corner, and the
  // window's size minus the text area's, measured at load and kept when resized.
  std::array<QSize, 2> button_margins_;
  QSize text_margin_;
};

// Shows the editor modally and returns when it closes. On Save, `exchange.EditText` holds the
// edited text, lines separated by CR LF, and `exchange.EditSaved` is true; on Cancel or when
// the window is closed otherwise, nothing changes.
void ShowTemplateEditor(EditExchange& exchange, QWidget* parent = nullptr);

}  // namespace kestrix::templates
