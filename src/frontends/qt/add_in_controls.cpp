#include "frontends/qt/add_in_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "frontends/qt/artwork.h"
#include "frontends/qt/click_label.h"

namespace kestrix::ui {
namespace {

constexpr const char* kWholeGroupTip = "Work on the entire .vbg file if loaded.";
constexpr const char* kProjectTip = "Work on the active .vbp file";
// The window is small: the views show a few lines each and scroll for the rest.
constexpr int kTemplateViewHeight = 84;
// Tabs with little padding, so that all four fit on the narrow Actions page.
constexpr const char* kTabStyle =
    "QTabBar::tab { padding: 3px 3px; margin-right: 0px; border: 1px solid palette(mid);"
    " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
    " background: palette(button); }"
    "QTabBar::tab:selected { background: palette(window); }"
    "QTabBar::tab:!selected { margin-top: 2px; }";

template <typename Widget>
Widget* Named(Widget* widget, const QString& name, const QString& tip = "") {
  widget->setObjectName(name);
  if (!tip.isEmpty()) widget->setToolTip(tip);
  return widget;
}

QString Element(const char* array, int index) {
  return QString("%1_%2").arg(array).arg(index);
}

// A "Work On" frame: the three scopes of `array` (Option1 or Option2) in a button group.
QGroupBox* ScopeFrame(const char* frame, const char* array, const char* module_tip,
                      std::array<QRadioButton*, 3>& buttons, QButtonGroup*& group,
                      QWidget* parent) {
  auto* box = Named(new QGroupBox("Work On", parent), frame);
  auto* layout = new QVBoxLayout(box);
  group = new QButtonGroup(box);
  const char* captions[] = {"Group of projects", "Active Project", "Active Module"};
  const char* tips[] = {kWholeGroupTip, kProjectTip, module_tip};
  for (int i = 0; i < 3; ++i) {
    buttons[i] = Named(new QRadioButton(captions[i], box), Element(array, i), tips[i]);
    group->addButton(buttons[i], i);
    layout->addWidget(buttons[i]);
  }
  // Tab stops at the chosen scope only; the arrow keys move between the three.
  auto tab_to_chosen = [group] {
    for (QAbstractButton* button : group->buttons())
      button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  };
  QObject::connect(group, &QButtonGroup::buttonToggled, box, tab_to_chosen);
  tab_to_chosen();
  return box;
}

QWidget* ActionsTab(AddInControls& c, QWidget* parent) {
  auto* page = new QWidget(parent);
  c.Picture1 = Named(new ClickLabel(page), "Picture1");
  c.Picture1->setPixmap(DrawLogo(true));
  c.Picture1->setFixedSize(59, 225);
  // Made first so that Tab reaches the scope before the check boxes and buttons under it.
  QGroupBox* scope = ScopeFrame("Frame2", "Option1", "Work only on the active module", c.Option1,
                                c.Option1Group, page);
  c.Check1 = Named(new QCheckBox("Insert Error Handlers", page), "Check1");
  c.Check2 = Named(new QCheckBox("Build Project", page), "Check2");
  c.OKButton = Named(new QPushButton("&GO !", page), "OKButton",
                     "Insert line numbers and error handlers and build project(s)");
  c.CancelButton = Named(new QPushButton("&Exit", page), "CancelButton");

  auto* right = new QVBoxLayout;
  right->addWidget(scope);
  right->addWidget(c.Check1);
  right->addWidget(c.Check2);
  right->addStretch();
  right->addWidget(c.OKButton);
  right->addWidget(c.CancelButton);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(c.Picture1, 0, Qt::AlignTop);
  layout->addLayout(right, 1);
  return page;
}

QWidget* CleanTab(AddInControls& c, QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* remove = Named(new QGroupBox("Remove", page), "Frame6");
  auto* remove_layout = new QVBoxLayout(remove);
  const char* captions[] = {"Line Numbers", "Error Handlers", "Kestrix Modules"};
  for (int i = 0; i < 3; ++i) {
    c.Check5[i] = Named(new QCheckBox(captions[i], remove), Element("Check5", i));
    remove_layout->addWidget(c.Check5[i]);
  }
  QGroupBox* scope = ScopeFrame("Frame5", "Option2",
                                "Work only on the active module... are you sure you want "
                                "to do this??",
                                c.Option2, c.Option2Group, page);
  c.Command2 = Named(new QPushButton("Remove", page), "Command2");

  auto* frames = new QHBoxLayout;
  frames->addWidget(remove, 1, Qt::AlignTop);
  frames->addWidget(scope, 1, Qt::AlignTop);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(frames);
  layout->addStretch();
  layout->addWidget(c.Command2, 0, Qt::AlignRight);
  return page;
}

// One template frame: the view above its Load/Edit and Restore Original buttons.
QGroupBox* TemplateFrame(const char* caption, const char* frame, const char* view_name,
                         QTextEdit*& view, QPushButton*& edit, QPushButton*& restore,
                         int edit_index, QWidget* parent) {
  auto* box = Named(new QGroupBox(caption, parent), frame);
  view = Named(new QTextEdit(box), view_name);
  view->setReadOnly(true);
  view->setLineWrapMode(QTextEdit::NoWrap);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(8);
  view->setFont(fixed);
  view->setFixedHeight(kTemplateViewHeight);
  view->setTabStopDistance(4 * QFontMetricsF(fixed).horizontalAdvance(' '));
  edit = Named(new QPushButton("Load/Edit", box), Element("Command1", edit_index));
  restore = Named(new QPushButton("Restore Original", box), Element("Command1", edit_index + 2));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(edit);
  buttons->addWidget(restore);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(view);
  layout->addLayout(buttons);
  return box;
}

QWidget* ErrorHandlerTab(AddInControls& c, QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(
      TemplateFrame("Local", "Frame3", "Text1", c.Text1, c.Command1[0], c.Command1[2], 0, page));
  layout->addWidget(
      TemplateFrame("Global", "Frame4", "Text2", c.Text2, c.Command1[1], c.Command1[3], 1, page));
  return page;
}

QWidget* OptionsTab(AddInControls& c, QWidget* parent) {
  auto* page = new QWidget(parent);
  c.Check3 = Named(new QCheckBox("Put Build Folder in :", page), "Check3");
  auto* frame = Named(new QGroupBox(page), "Frame1");
  c.Dir1 = Named(new QLineEdit(frame), "Dir1");
  c.Dir1->setReadOnly(true);
  c.Dir1Browse = Named(new QPushButton("Browse...", frame), "Dir1Browse");
  auto* folder = new QHBoxLayout(frame);
  folder->addWidget(c.Dir1, 1);
  folder->addWidget(c.Dir1Browse);
  c.Check4 = Named(new QCheckBox("Put Project Name in Build Folder Name", page), "Check4",
                   "Example:  \"myProject BUILD 5\" instead of only \"BUILD 5\"");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(c.Check3);
  layout->addWidget(frame);
  layout->addWidget(c.Check4);
  layout->addStretch();
  return page;
}

void MakeMenus(AddInControls& c, QDialog& window, QLayout& layout) {
  auto* bar = new QMenuBar(&window);
  QMenu* admin = Named(bar->addMenu("&Admin"), "mnuAdmin");
  c.mnuAdminHomePage = Named(admin->addAction("&Website"), "mnuAdminHomePage");
  c.mnuLicenseAgreement = Named(admin->addAction("&License Agreement"), "mnuLicenseAgreement");
  QMenu* config = Named(bar->addMenu("&Configuration"), "mnuConfig");
  c.mnuBugReport = Named(config->addAction("&Name and Email"), "mnuBugReport");
  c.mnuCompiler = Named(config->addAction("&Compiler..."), "mnuCompiler");
  QMenu* help = Named(bar->addMenu("&Help"), "mnuHelp1");
  c.mnuHelp = Named(help->addAction("&Help"), "mnuHelp");
  help->addSeparator();
  c.mnuAbout = Named(help->addAction("&About Kestrix"), "mnuAbout");
  layout.setMenuBar(bar);
}

}  // namespace

AddInControls MakeAddInControls(QDialog& window) {
  AddInControls c{};
  auto* layout = new QVBoxLayout(&window);
  MakeMenus(c, window, *layout);
  c.SSTab1 = Named(new QTabWidget(&window), "SSTab1");
  c.SSTab1->setUsesScrollButtons(false);
  c.SSTab1->tabBar()->setStyleSheet(kTabStyle);
  c.SSTab1->addTab(ActionsTab(c, c.SSTab1), "Actions");
  c.SSTab1->addTab(CleanTab(c, c.SSTab1), "Clean");
  c.SSTab1->addTab(ErrorHandlerTab(c, c.SSTab1), "Error Handler");
  c.SSTab1->addTab(OptionsTab(c, c.SSTab1), "Options");
  layout->addWidget(c.SSTab1, 0, Qt::AlignLeft | Qt::AlignTop);
  return c;
}

}  // namespace kestrix::ui
