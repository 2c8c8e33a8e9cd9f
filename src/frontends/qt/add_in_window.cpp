#include "frontends/qt/add_in_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>

#include "driver/product_links.h"
#include "frontends/qt/about_dialog.h"
#include "frontends/qt/artwork.h"
#include "frontends/qt/click_label.h"
#include "frontends/qt/compiler_dialog.h"
#include "frontends/qt/email_dialog.h"
#include "frontends/qt/help_viewer.h"
#include "frontends/qt/template_views.h"
#include "frontends/qt/version.h"
#include "host/ide_error.h"

namespace kestrix::ui {
namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr int kTabLeft = 5;  // the tab control's place in the window: 72 by 48 twips
constexpr int kTabTop = 3;
constexpr int kWideTabTwips = 4728;  // the tab control's width on every tab but Actions
// The window keeps the small size of a classic add-in dialog; a compact font makes its texts
// fit.
constexpr qreal kPointSize = 8;

// Check box values as the model keeps them.
Qt::CheckState StateOf(int32_t value) {
  if (value == engine::kChecked) return Qt::Checked;
  return value == engine::kGreyed ? Qt::PartiallyChecked : Qt::Unchecked;
}

int32_t ValueOf(const QCheckBox& box) {
  switch (box.checkState()) {
    case Qt::Checked:
      return engine::kChecked;
    case Qt::PartiallyChecked:
      return engine::kGreyed;
    case Qt::Unchecked:
      break;
  }
  return engine::kUnchecked;
}

void SetChecked(std::array<QRadioButton*, 3>& group, int32_t index) {
  if (index >= 0 && index < 3) group[static_cast<size_t>(index)]->setChecked(true);
}

constexpr qint64 kYieldMilliseconds = 16;

driver::FormServices FormServicesOf(const AddInWindow::Services& services) {
  // A command yields only so that the status window can repaint: input waits until it ends,
  // so that nobody can start a second command or close the window in the middle of one.
  // A command yields once per procedure, thousands of times in a large project; the windows
  // need no more than about 60 repaints a second, so a yield soon after the last one returns
  // at once.
  auto last_yield = std::make_shared<QElapsedTimer>();
  return {services.settings, services.dialogs, services.shell, services.progress, [last_yield] {
            if (last_yield->isValid() && last_yield->elapsed() < kYieldMilliseconds) return;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            last_yield->start();
          }};
}

}  // namespace

AddInWindow::AddInWindow(Services services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      services_(services),
      form_(std::make_unique<driver::frmAddIn>(FormServicesOf(services))),
      controls_(MakeAddInControls(*this)) {
  setObjectName("frmAddIn");
  QFont compact = font();
  compact.setPointSizeF(kPointSize);
  setFont(compact);
  layout()->setContentsMargins(kTabLeft, kTabTop, 0, kTabTop);
  templates_ = std::make_unique<TemplateViews>(
      *controls_.Text1, *controls_.Text2, services_.dialogs, services_.shell.ProgramFolder(), this);
  WireOptions();
  WireCommands();
  WireMenus();
  // The window keeps one height on every tab: the height the tallest tab needs.
  controls_.SSTab1->setFixedWidth(Pixels(kWideTabTwips));
  fixed_height_ = sizeHint().height();
  // F1 is caught wherever the focus is.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>())
    child->installEventFilter(this);
  Refresh();
}

// A window that goes while loaded keeps its settings, as an unload would; there is nobody
// left to tell when they cannot be written.
AddInWindow::~AddInWindow() {
  if (!loaded_) return;
  try {
    form_->Unload();
  } catch (const host::IdeError&) {
    // Nobody is left to tell.
  }
}

int AddInWindow::Pixels(int twips) {
  return qRound(twips / kTwipsPerPixel);
}

void AddInWindow::WireOptions() {
  AddInControls& c = controls_;
  connect(c.Option1Group, &QButtonGroup::idClicked, this, [this](int id) {
    form_->Option1Click(id);
    Refresh();
  });
  connect(c.Option2Group, &QButtonGroup::idClicked, this, [this](int id) {
    form_->Option2Click(id);
    Refresh();
  });
  auto value_into = [this](QCheckBox* box, int32_t driver::Options::*member) {
    connect(box, &QCheckBox::clicked, this, [this, box, member] {
      form_->options().*member = ValueOf(*box);
      Refresh();
    });
  };
  value_into(c.Check1, &driver::Options::Check1);
  value_into(c.Check2, &driver::Options::Check2);
  value_into(c.Check4, &driver::Options::Check4);
  for (int i = 0; i < 3; ++i) {
    connect(c.Check5[i], &QCheckBox::clicked, this, [this, i] {
      form_->options().Check5[i] = ValueOf(*controls_.Check5[i]);
      Refresh();
    });
  }
  connect(c.Check3, &QCheckBox::clicked, this, [this] {
    form_->options().Check3 = ValueOf(*controls_.Check3);
    form_->Check3Click();
    Refresh();
  });
  connect(c.Dir1Browse, &QPushButton::clicked, this, &AddInWindow::ChooseFolder);
  connect(c.Picture1, &ClickLabel::clicked, this, &AddInWindow::PictureClicked);
  connect(c.SSTab1, &QTabWidget::currentChanged, this, &AddInWindow::TabChanged);
}

void AddInWindow::WireCommands() {
  connect(controls_.OKButton, &QPushButton::clicked, this,
          [this] { RunCommand(driver::kModeBuild); });
  connect(controls_.Command2, &QPushButton::clicked, this,
          [this] { RunCommand(driver::kModeClean); });
  connect(controls_.CancelButton, &QPushButton::clicked, this, &AddInWindow::Exit);
  for (int i = 0; i < 4; ++i) {
    connect(controls_.Command1[i], &QPushButton::clicked, this,
            [this, i] { templates_->Command1Click(i); });
  }
}

void AddInWindow::WireMenus() {
  const std::string program = services_.shell.ProgramFolder();
  connect(controls_.mnuAdminHomePage, &QAction::triggered, this,
          [this] { OpenDocument(kWebAddress); });
  connect(controls_.mnuLicenseAgreement, &QAction::triggered, this,
          [this, program] { OpenDocument(program + "/license.rtf"); });
  connect(controls_.mnuBugReport, &QAction::triggered, this,
          [this] { ShowEmailDialog(services_.settings, services_.dialogs, this); });
  connect(controls_.mnuCompiler, &QAction::triggered, this,
          [this] { ShowCompilerDialog(services_.settings, services_.dialogs, this); });
  connect(controls_.mnuHelp, &QAction::triggered, this, [this] { Help().ShowHelpContents(); });
  connect(controls_.mnuAbout, &QAction::triggered, this,
          [this] { ShowAboutDialog(services_.dialogs, services_.shell, this); });
}

void AddInWindow::SetVbInstance(host::Ide* ide) {
  ide_ = ide;
  form_->vbinstance = ide;
}

void AddInWindow::SetConnect(host::Connection* connect) {
  connect_ = connect;
  form_->Connect = connect;
}

void AddInWindow::Show() {
  if (!loaded_) LoadWindow();
  Refresh();
  if (!isVisible() && parentWidget() == nullptr && screen() != nullptr) {
    move(screen()->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void AddInWindow::Hide() {
  hide();
}

void AddInWindow::Unload() {
  if (loaded_) {
    loaded_ = false;
    try {
      form_->Unload();
    } catch (const host::IdeError& error) {
      // The window goes all the same; the user learns that the options were not kept.
      services_.dialogs.MsgBox("Unable to save the settings:\n" + error.Description(),
                               host::MsgButtons::kOk, host::MsgIcon::kExclamation);
    }
  }
  hide();
}

// The load: the template views are filled first, then the model reads the settings.
void AddInWindow::LoadWindow() {
  form_ = std::make_unique<driver::frmAddIn>(FormServicesOf(services_));
  form_->vbinstance = ide_;
  form_->Connect = connect_;
  form_->TabClick(1);
  LoadTemplates(TemplateViews::kBoth);
  form_->TabClick(0);
  try {
    form_->Load();
  } catch (const host::IdeError& error) {
    // Only the logo's look could not be stored; the window is loaded all the same.
    services_.dialogs.MsgBox("Unable to save the settings:\n" + error.Description(),
                             host::MsgButtons::kOk, host::MsgIcon::kExclamation);
  }
  loaded_ = true;
}

bool AddInWindow::LoadTemplates(int which) {
  return templates_->LoadTemplates(which);
}

void AddInWindow::Refresh() {
  const driver::Options& o = form_->options();
  const driver::FormLook& look = form_->look();
  AddInControls& c = controls_;
  setWindowTitle(QString::fromStdString(look.Caption));
  SetChecked(c.Option1, o.Option1);
  SetChecked(c.Option2, o.Option2);
  c.Check1->setCheckState(StateOf(o.Check1));
  c.Check2->setCheckState(StateOf(o.Check2));
  c.Check2->setText(QString::fromStdString(look.Check2Caption));
  c.Check2->setEnabled(look.Check2Enabled);
  for (int i = 0; i < 3; ++i)
    c.Check5[i]->setCheckState(StateOf(o.Check5[i]));
  c.Check5[engine::kRemoveAddedModules]->setEnabled(look.Check5ModulesEnabled);
  c.Check3->setCheckState(StateOf(o.Check3));
  c.Check4->setCheckState(StateOf(o.Check4));
  RefreshFolderList();
  c.Picture1->setPixmap(DrawLogo(!look.PictureState));
  if (c.SSTab1->currentIndex() != look.Tab) {
    QSignalBlocker quiet(c.SSTab1);
    c.SSTab1->setCurrentIndex(look.Tab);
  }
  ResizeForTab();
}

// While "Put Build Folder in :" is unchecked the folder cannot be chosen, and its box has
// the colour of a button face instead of a window's.
void AddInWindow::RefreshFolderList() {
  const bool on = form_->look().FolderListEnabled;
  controls_.Dir1->setText(QFile::decodeName(form_->options().Dir1.c_str()));
  controls_.Dir1->setEnabled(on);
  controls_.Dir1Browse->setEnabled(on);
  const QPalette& system = QApplication::palette();
  QPalette palette = controls_.Dir1->palette();
  QColor background = system.color(on ? QPalette::Base : QPalette::Button);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Base, background);
  controls_.Dir1->setPalette(palette);
}

// The width follows the tab; the window keeps its centre.
void AddInWindow::ResizeForTab() {
  const int width = Pixels(form_->look().WindowWidth);
  controls_.SSTab1->setFixedWidth(Pixels(form_->look().TabWidth));
  const QRect before = geometry();
  setFixedSize(width, fixed_height_);
  if (!isVisible()) return;
  const double centre_x = before.x() + before.width() / 2.0;
  const double centre_y = before.y() + before.height() / 2.0;
  setGeometry(qRound(centre_x - width / 2.0), qRound(centre_y - fixed_height_ / 2.0), width,
              fixed_height_);
}

void AddInWindow::TabChanged(int tab) {
  form_->TabClick(tab);
  ResizeForTab();
}

void AddInWindow::PictureClicked() {
  try {
    form_->PictureClick();
  } catch (const host::IdeError& error) {
    services_.dialogs.MsgBox("Unable to save the settings:\n" + error.Description(),
                             host::MsgButtons::kOk, host::MsgIcon::kExclamation);
  }
  Refresh();
}

void AddInWindow::ChooseFolder() {
  QString folder =
      QFileDialog::getExistingDirectory(this, "Put Build Folder in", controls_.Dir1->text());
  if (folder.isEmpty()) return;
  form_->options().Dir1 = QFile::encodeName(folder).toStdString();
  Refresh();
}

// "&Exit", the close box and Escape: the connection learns that the window is no longer
// shown (so it does not come back at the IDE's next start), then the window unloads.
void AddInWindow::Exit() {
  if (running_) return;
  if (form_->Connect != nullptr) {
    form_->Connect->HideForm();
  } else {
    Hide();
  }
  Unload();
}

void AddInWindow::RunCommand(int mode) {
  if (running_) return;
  running_ = true;
  try {
    form_->RunCommand(mode);
  } catch (const std::exception& error) {
    // Nothing may escape into Qt's event loop; the command ends here with its reason.
    services_.dialogs.MsgBox(error.what(), host::MsgButtons::kOk, host::MsgIcon::kCritical);
  }
  running_ = false;
  Refresh();
}

void AddInWindow::OpenDocument(const std::string& target) {
  if (!services_.shell.OpenDocument(target)) {
    services_.dialogs.MsgBox("Unable to open " + target, host::MsgButtons::kOk,
                             host::MsgIcon::kExclamation);
  }
}

HelpPages& AddInWindow::Help() {
  if (services_.help != nullptr) return *services_.help;
  if (!own_help_)
    own_help_ = std::make_unique<HelpViewer>(services_.shell.ProgramFolder() + "/help", this);
  return *own_help_;
}

void AddInWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ProgramVersion version = CurrentVersion();
  form_->FirstActivation(version.major, version.minor);
  setWindowTitle(QString::fromStdString(form_->look().Caption));
}

// The close box unloads the window without telling the connection: only "&Exit" records
// that the window is no longer shown, so a window closed this way opens again at the next
// connection.
void AddInWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  event->accept();
  Unload();
}

// Escape clicks the cancel button, "&Exit".
void AddInWindow::reject() {
  Exit();
}

bool AddInWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
      Help().ShowHelpTopic(driver::HelpTopicOfTab(form_->look().Tab));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kestrix::ui
