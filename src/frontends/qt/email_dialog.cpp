#include "frontends/qt/email_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "frontends/qt/settings_dialog_parts.h"
#include "host/add_in.h"
#include "host/settings_keys.h"
#include "platform/system/qt_ansi_text.h"

namespace kestrix::ui {
namespace {

constexpr const char* kApp = host::kSettingsApp;
constexpr const char* kSettings = host::kSettingsSection;

// The values end up in Basic source, in Windows ANSI like the rest of it.
QString FromAnsi(const std::string& bytes) {
  return system::AnsiToQString(bytes);
}

std::string ToAnsi(const QString& text) {
  return system::QStringToAnsi(text);
}

QLineEdit* Field(const std::string& text, const QString& name, QWidget* parent) {
  auto* field = new QLineEdit(FromAnsi(text), parent);
  field->setObjectName(name);
  field->setMinimumWidth(260);
  return field;
}

QLabel* Caption(const QString& text, const QString& name, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

EmailDialog::EmailDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      settings_(settings),
      dialogs_(dialogs) {
  setObjectName("frmEmail");
  setWindowTitle("Configuration");
  std::string programmer, email;
  host::GetProgrammerInfo(settings_, programmer, email);
  name_ = Field(programmer, "Text1_0", this);
  email_ = Field(email, "Text1_1", this);

  auto* intro = new QLabel(
      "Your Name and Email Address will allow your customers to send you Bug Reports "
      "directly from your program.",
      this);
  intro->setObjectName("Label1");
  intro->setWordWrap(true);
  auto* fields = new QFormLayout;
  fields->addRow(Caption("&Your Name:", "lblLabels_0", name_, this), name_);
  fields->addRow(Caption("Your &Email Address:", "lblLabels_1", email_, this), email_);

  QDialogButtonBox* buttons = OkCancelButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void EmailDialog::accept() {
  if (SavedOrSaid(dialogs_, "your name and email address", [&] {
        settings_.SaveSetting(kApp, kSettings, host::kKeyProgrammer, ToAnsi(name_->text()));
        settings_.SaveSetting(kApp, kSettings, host::kKeyEmail, ToAnsi(email_->text()));
      })) {
    QDialog::accept();
  }
}

void ShowEmailDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent) {
  EmailDialog dialog(settings, dialogs, parent);
  dialog.exec();
}

}  // namespace kestrix::ui
