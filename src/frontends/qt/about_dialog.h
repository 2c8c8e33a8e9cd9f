#pragma once

// frmAbout: the about box with the version, where to get support, and the desktop's
// system-information program.

#include <QDialog>
#include <array>
#include <string>

#include "driver/product_links.h"
#include "host/dialogs.h"
#include "host/system.h"

class QLayout;

namespace kestrix::ui {

class ClickLabel;

using driver::kSupportAddress;
using driver::kWebAddress;

// The desktop's system-information programs, in the order they are looked for.
inline constexpr std::array<const char*, 4> kSysInfoPrograms = {"kinfocenter", "hardinfo",
                                                                "gnome-system-monitor", "lshw-gtk"};

// The full path of the first of kSysInfoPrograms found as an executable file in the folders of
// `search_path` (a PATH value: folders separated by ':'); "" when there is none.
std::string FindSysInfoProgram(const std::string& search_path);

// Starts the first system-information program found on PATH, without waiting for it. When none
// is found, or it cannot be started, says "System Information Is Unavailable At This Time".
void StartSysInfo(host::Dialogs& dialogs);

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  // Stays above other windows. The links open with `shell`; the dialogs tell what fails.
  AboutDialog(host::Dialogs& dialogs, host::Shell& shell, QWidget* parent = nullptr);

 private:
  QLayout* LinksRow();
  QLayout* ButtonsRow();
  ClickLabel* Link(const QString& text, const QString& name);
  void OpenLink(const std::string& target);

  host::Dialogs& dialogs_;
  host::Shell& shell_;
};

// Shows the about box modally.
void ShowAboutDialog(host::Dialogs& dialogs, host::Shell& shell, QWidget* parent);

}  // namespace kestrix::ui
