#include "frontends/qt/help_viewer.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "driver/product_links.h"

namespace kestrix::ui {
namespace {

QToolButton* Button(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setObjectName(name);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

}  // namespace

HelpViewer::HelpViewer(std::string help_folder, QWidget* parent)
    : QWidget(parent, Qt::Window), help_folder_(std::move(help_folder)) {
  setWindowTitle("Kestrix Help");
  setObjectName("HelpViewer");
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("HelpBrowser");
  // Web pages and mail addresses go to the desktop's own programs.
  browser_->setOpenExternalLinks(true);
  back_ = Button("< &Back", "HelpBack", this);
  forward_ = Button("&Forward >", "HelpForward", this);
  QToolButton* contents = Button("&Contents", "HelpContents", this);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(contents, &QToolButton::clicked, this, &HelpViewer::ShowHelpContents);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
  back_->setEnabled(false);
  forward_->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addWidget(contents);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_);
  resize(640, 520);
}

void HelpViewer::ShowHelpContents() {
  ShowHelpTopic(driver::kHelpContentsPage);
}

void HelpViewer::ShowHelpTopic(const std::string& topic) {
  QString path = QString::fromStdString(help_folder_ + "/" + topic);
  if (!topic.empty() && QFileInfo(path).isFile()) {
    browser_->setSource(QUrl::fromLocalFile(path));
  } else {
    // Said in the window itself: the help has no other place to say it.
    browser_->setHtml(
        QString("<h2>Page not found</h2><p>The help page <b>%1</b> is not in the folder "
                "<b>%2</b>. The help may not have been installed with the program.</p>")
            .arg(QString::fromStdString(topic).toHtmlEscaped(),
                 QString::fromStdString(help_folder_).toHtmlEscaped()));
  }
  Present();
}

// Escape closes the window, from wherever in it the key was pressed.
void HelpViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

// Opens centred on the window that owns it, moved as little as needed to lie wholly on its
// screen; once shown it stays where the user put it.
void HelpViewer::Present() {
  const bool opening = !isVisible();
  show();
  if (opening) {
    // Placed once shown, when the frame the window manager adds is known.
    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen->availableGeometry();
    QRect place = frameGeometry();
    place.moveCenter(owner != nullptr ? owner->frameGeometry().center() : room.center());
    place.moveLeft(qMax(room.left(), qMin(place.left(), room.right() - place.width() + 1)));
    place.moveTop(qMax(room.top(), qMin(place.top(), room.bottom() - place.height() + 1)));
    move(place.topLeft());
  }
  raise();
  activateWindow();
}

}  // namespace kestrix::ui
