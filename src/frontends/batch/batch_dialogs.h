#pragma once

// Message boxes without a screen: each is printed with the answer the command line gave
// (--yes: Yes and OK; otherwise No and Cancel; a box with only OK is answered OK).

#include "host/dialogs.h"

namespace kestrix::batch {

class StatusPrinter;

class BatchDialogs final : public host::Dialogs {
 public:
  BatchDialogs(bool yes, StatusPrinter& printer) : yes_(yes), printer_(printer) {}

  host::MsgResult MsgBox(const std::string& text, host::MsgButtons buttons, host::MsgIcon icon,
                         const std::string& title) override;

 private:
  bool yes_;
  StatusPrinter& printer_;
};

}  // namespace kestrix::batch
