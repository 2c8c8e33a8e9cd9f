#pragma once

// The program's help: HTML pages in the folder "help" beside the executables, shown in a
// window of the program's own (a browser with Back, Forward and Contents).

#include <QWidget>
#include <string>

class QKeyEvent;
class QTextBrowser;
class QToolButton;

namespace kestrix::ui {

// What the windows ask of the help.
class HelpPages {
 public:
  virtual ~HelpPages() = default;
  // The contents page, with a link to every topic.
  virtual void ShowHelpContents() = 0;
  // One topic by its page name, "ErrHand.htm" say.
  virtual void ShowHelpTopic(const std::string& topic) = 0;
};

// The help window. One instance serves every request: each one shows the page asked for in
// it and brings it to the front. It opens over the window that owns it and closes with
// Escape.
class HelpViewer final : public QWidget, public HelpPages {
  Q_OBJECT

 public:
  // `help_folder` holds the pages; the window is made now and shown on the first request.
  explicit HelpViewer(std::string help_folder, QWidget* parent = nullptr);

  void ShowHelpContents() override;
  // A page that is not in the help folder shows a short page saying so.
  void ShowHelpTopic(const std::string& topic) override;

  QTextBrowser& Browser() { return *browser_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Present();

  std::string help_folder_;
  QTextBrowser* browser_;
  QToolButton* back_;
  QToolButton* forward_;
};

}  // namespace kestrix::ui
