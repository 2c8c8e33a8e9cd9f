#include "frontends/qt/compiler_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "frontends/qt/settings_dialog_parts.h"
#include "host/settings_keys.h"
#include "platform/system/process.h"
#include "platform/system/qt_ansi_text.h"

namespace kestrix::ui {
namespace {

constexpr const char* kRules =
    "The command is split into words once, without a shell: blanks separate words, "
    "'…' keeps everything up to the next ', \"…\" keeps everything up to the next \" "
    "(\\\" is a quote inside), and outside quotes a backslash before a blank or a quote makes "
    "it part of the word; every other backslash stays, so Windows paths need no doubling. "
    "Nothing else ($, `, ;, |, >) means anything. Placeholders such as {project_win} and "
    "{outdir_win} are filled in for each build.\n"
    "Leave it empty to check builds without compiling them.";

constexpr const char* kExample =
    "wine \"C:\\VB98\\VB6.EXE\" /make \"{project_win}\" /outdir \"{outdir_win}\"";

}  // namespace

CompilerDialog::CompilerDialog(host::SettingsStore& settings, host::Dialogs& dialogs,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog), settings_(settings), dialogs_(dialogs) {
  setObjectName("frmCompiler");
  setWindowTitle("Compiler");
  auto* label = new QLabel("&Compiler command:", this);
  command_ = new QLineEdit(system::AnsiToQString(settings_.GetSetting(
                               host::kSettingsApp, host::kSettingsSection, host::kKeyCompiler)),
                           this);
  command_->setObjectName("txtCompiler");
  command_->setMinimumWidth(520);
  command_->setPlaceholderText(QString::fromUtf8(kExample));
  label->setBuddy(command_);
  auto* rules = new QLabel(QString::fromUtf8(kRules), this);
  rules->setObjectName("lblRules");
  rules->setWordWrap(true);
  rules->setTextFormat(Qt::PlainText);

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(command_);
  layout->addWidget(rules);
  layout->addWidget(buttons);
}

void CompilerDialog::accept() {
  std::string command = system::QStringToAnsi(command_->text());
  std::vector<std::string> words;
  std::string why;
  if (!system::SplitCommandLine(command, words, why)) {
    dialogs_.MsgBox("The compiler command is not changed: " + why, host::MsgButtons::kOk,
                    host::MsgIcon::kExclamation);
    return;
  }
  if (SavedOrSaid(dialogs_, "the compiler command", [&] {
        settings_.SaveSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyCompiler,
                              command);
      })) {
    QDialog::accept();
  }
}

void ShowCompilerDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent) {
  CompilerDialog dialog(settings, dialogs, parent);
  dialog.exec();
}

}  // namespace kestrix::ui
