#include "frontends/qt/about_dialog.h"

#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "frontends/qt/artwork.h"
#include "frontends/qt/click_label.h"
#include "frontends/qt/version.h"
#include "platform/system/environment.h"

namespace kestrix::ui {
namespace {

const QColor kLinkAtRest(0, 0, 255);
const QColor kLinkUnderPointer(255, 0, 0);

void Colour(QLabel& label, const QColor& colour) {
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, colour);
  label.setPalette(palette);
}

QFrame* EtchedLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

QLabel* Text(const QString& text, const QString& name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

std::string FindSysInfoProgram(const std::string& search_path) {
  QStringList folders;
  // An empty entry would mean the current folder: not a place to start programs from.
  const QString path = QString::fromLocal8Bit(search_path);
  for (const QString& folder : path.split(QDir::listSeparator(), Qt::SkipEmptyParts))
    folders << folder;
  if (folders.isEmpty()) return "";
  for (const char* program : kSysInfoPrograms) {
    QString found = QStandardPaths::findExecutable(program, folders);
    if (!found.isEmpty()) return found.toStdString();
  }
  return "";
}

void StartSysInfo(host::Dialogs& dialogs) {
  std::string program = FindSysInfoProgram(system::EnvironmentValue("PATH").value_or(""));
  if (!program.empty() && QProcess::startDetached(QString::fromStdString(program), {})) return;
  dialogs.MsgBox("System Information Is Unavailable At This Time");
}

AboutDialog::AboutDialog(host::Dialogs& dialogs, host::Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      dialogs_(dialogs),
      shell_(shell) {
  setObjectName("frmAbout");
  setWindowTitle(QString("About ") + host::kProgramTitle);
  QLabel* banner = Text("", "Image1", this);
  banner->setPixmap(DrawBanner());
  QLabel* notice = Text(
      "Kestrix numbers the lines of your Visual Basic projects and gives every procedure an "
      "error handler, so that your programs report their errors instead of crashing.\n"
      "This program is provided as is, without warranty of any kind; see the License "
      "Agreement in the Admin menu.",
      "lblNotice", this);
  notice->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(banner);
  layout->addWidget(
      Text(QString::fromStdString(VersionText(CurrentVersion())), "lblVersion", this));
  layout->addWidget(notice);
  layout->addWidget(EtchedLine(this));
  layout->addLayout(LinksRow());
  layout->addWidget(EtchedLine(this));
  layout->addLayout(ButtonsRow());
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLayout* AboutDialog::LinksRow() {
  ClickLabel* mail = Link(kSupportAddress, "Label1_0");
  ClickLabel* web = Link(kWebAddress, "Label1_1");
  connect(mail, &ClickLabel::clicked, this,
          [this] { OpenLink(std::string("mailto:") + kSupportAddress); });
  connect(web, &ClickLabel::clicked, this, [this] { OpenLink(kWebAddress); });
  auto* links = new QHBoxLayout;
  links->addWidget(Text("Support:", "Label2_0", this));
  links->addWidget(mail);
  links->addWidget(Text("or visit", "Label2_2", this));
  links->addWidget(web);
  links->addStretch();
  return links;
}

QLayout* AboutDialog::ButtonsRow() {
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("cmdOK");
  ok->setDefault(true);  // Enter; Escape rejects, which closes the box the same way
  auto* sys_info = new QPushButton("&System Info...", this);
  sys_info->setObjectName("cmdSysInfo");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(sys_info, &QPushButton::clicked, this, [this] { StartSysInfo(dialogs_); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(sys_info);
  return buttons;
}

// Underlined, blue at rest and red under the pointer.
ClickLabel* AboutDialog::Link(const QString& text, const QString& name) {
  auto* link = new ClickLabel(text, this);
  link->setObjectName(name);
  QFont font = link->font();
  font.setUnderline(true);
  link->setFont(font);
  link->setCursor(Qt::PointingHandCursor);
  Colour(*link, kLinkAtRest);
  connect(link, &ClickLabel::hovered, link,
          [link](bool inside) { Colour(*link, inside ? kLinkUnderPointer : kLinkAtRest); });
  return link;
}

void AboutDialog::OpenLink(const std::string& target) {
  if (!shell_.OpenDocument(target)) {
    dialogs_.MsgBox("Unable to open " + target, host::MsgButtons::kOk, host::MsgIcon::kExclamation);
  }
}

void ShowAboutDialog(host::Dialogs& dialogs, host::Shell& shell, QWidget* parent) {
  AboutDialog dialog(dialogs, shell, parent);
  dialog.exec();
}

}  // namespace kestrix::ui
