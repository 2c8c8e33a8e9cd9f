#include "host/connect.h"

#include <cstdint>
#include <exception>

#include "host/ide_error.h"
#include "host/settings_keys.h"

namespace kestrix::host {

namespace {

constexpr const char* kApp = kSettingsApp;
constexpr const char* kSettings = kSettingsSection;
constexpr const char* kToolTip =
    "Create a crash proof version of your project with error reporting capabilities.";

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Runs one step of a sequence whose failing steps are passed over.
template <typename Step>
void Try(Step step) {
  try {
    step();
  } catch (const std::exception&) {
    // The next step runs all the same.
  }
}

}  // namespace

void Connect::OnConnection(Ide& ide, ConnectMode mode) {
  try {
    vbinstance = &ide;
    AddToAddInCommandBar("NONE");
    // At the IDE's start the window waits for the start-up to complete.
    if (mode == ConnectMode::kAfterStartup) ShowIfDisplayedLastTime();
  } catch (const IdeError& error) {
    services_.dialogs.MsgBox(error.Description());
  } catch (const std::exception& error) {
    services_.dialogs.MsgBox(error.what());
  }
}

void Connect::OnStartupComplete() {
  ShowIfDisplayedLastTime();
}

void Connect::ShowIfDisplayedLastTime() {
  if (services_.settings.GetSetting(kApp, kSettings, kKeyDisplayOnConnect, "0") == "1") ShowForm();
}

void Connect::OnDisconnection(DisconnectMode /*mode*/) {
  Try([&] {
    if (bar_ != nullptr) bar_->Delete();
    bar_ = nullptr;
  });
  Try([&] {
    services_.settings.SaveSetting(kApp, kSettings, kKeyDisplayOnConnect,
                                   FormDisplayed ? "1" : "0");
    FormDisplayed = false;
  });
  Try([&] {
    if (form_ != nullptr && form_->MainWindowLoaded()) form_->Unload();
    form_ = nullptr;
  });
}

CommandBar* Connect::AddToAddInCommandBar(const std::string& /*sCaption*/) {
  CommandBar* bar = nullptr;
  Try([&] { bar = vbinstance->GetCommandBars().Add(kApp, BarPosition::kBottom, false, false); });
  if (bar == nullptr) return nullptr;
  bar_ = bar;
  CommandBarButton* button = nullptr;
  Try([&] { button = &bar->AddButton(); });
  if (button != nullptr) {
    Try([&] { button->SetCaption(kApp); });
    Try([&] { button->SetToolTipText(kToolTip); });
    // The face is set from the bitmap itself: the user's clipboard is left alone.
    Try([&] { button->SetFace(ButtonFace()); });
    Try([&] { button->SetStyle(ButtonStyle::kIconAndCaption); });
    Try([&] {
      button->SetClickHandler([this](CommandBarButton& control, bool& handled, bool& cancel) {
        evKestrix_Click(control, handled, cancel);
      });
    });
  }
  Try([&] { bar->SetVisible(true); });
  return bar;
}

void Connect::evKestrix_Click(CommandBarButton& /*control*/, bool& /*handled*/,
                              bool& /*cancel_default*/) {
  ShowForm();
}

void Connect::ShowForm() {
  form_ = &services_.main_window();
  form_->SetVbInstance(vbinstance);
  form_->SetConnect(this);
  FormDisplayed = true;
  form_->Show();
}

void Connect::HideForm() {
  FormDisplayed = false;
  Try([&] {
    if (form_ != nullptr) form_->Hide();
  });
}

// A 32 x 32 bitmap in 16 colours: a blue shield with a white K and a green tick.
std::string Connect::ButtonFace() {
  constexpr int kSize = 32;
  std::string bmp = "BM";
  const uint32_t palette_bytes = 16 * 4, pixel_bytes = kSize * kSize / 2;
  PutLe(bmp, 14 + 40 + palette_bytes + pixel_bytes, 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, 14 + 40 + palette_bytes, 4);
  PutLe(bmp, 40, 4);  // BITMAPINFOHEADER
  PutLe(bmp, kSize, 4);
  PutLe(bmp, kSize, 4);
  PutLe(bmp, 1, 2);
  PutLe(bmp, 4, 2);  // bits per pixel
  PutLe(bmp, 0, 4);
  PutLe(bmp, pixel_bytes, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 16, 4);
  PutLe(bmp, 0, 4);
  // Palette: 0 background grey, 1 blue, 2 white, 3 green, 4 dark blue.
  const uint32_t colours[16] = {0xC0C0C0, 0x0050C8, 0xFFFFFF, 0x00A000, 0x002878};
  for (uint32_t rgb : colours)
    PutLe(bmp, rgb, 4);                      // 0xRRGGBB: blue, green, red, 0
  auto pixel = [](int x, int y) -> int {     // y from the top
    int half = y < 20 ? 13 : 13 - (y - 20);  // the shield narrows below
    bool shield = y >= 2 && y <= 31 && x >= 16 - half && x < 16 + half;
    if (!shield) return 0;
    bool edge = x == 16 - half || x == 15 + half || y == 2;
    bool stem = x >= 9 && x <= 11 && y >= 7 && y <= 24;
    int diag = y > 15 ? y - 15 : 15 - y;  // the K's two arms meet the stem in the middle
    bool k = stem || (y >= 7 && y <= 24 && x >= 11 + diag && x <= 13 + diag);
    bool tick = (y >= 22 && y <= 26 && x == y - 4) || (y >= 18 && y <= 26 && x == 48 - y);
    if (tick) return 3;
    if (k) return 2;
    return edge ? 4 : 1;
  };
  for (int row = kSize - 1; row >= 0; --row) {  // bottom-up rows
    for (int x = 0; x < kSize; x += 2) {
      bmp += static_cast<char>((pixel(x, row) << 4) | pixel(x + 1, row));
    }
  }
  return bmp;
}

}  // namespace kestrix::host
