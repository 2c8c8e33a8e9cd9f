#include "driver/status_model.h"

#include <algorithm>

namespace kestrix::driver {

// The caption a freshly loaded window shows.
constexpr const char* kLoadedCaption = "Processing......";

void StatusModel::RemoveListener(StatusListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

// Any use of an unloaded window loads it first, empty.
void StatusModel::Load() {
  if (loaded_) return;
  loaded_ = true;
  caption_ = kLoadedCaption;
}

void StatusModel::SetCaption(const std::string& caption) {
  Load();
  caption_ = caption;
  for (auto* l : listeners_)
    l->OnCaption(caption);
}

void StatusModel::SetText(Field field, const std::string& text) {
  Load();
  texts_[field] = text;
  for (auto* l : listeners_)
    l->OnText(field, text);
}

void StatusModel::SetProgressMax(Bar bar, int32_t max) {
  Load();
  max_[bar] = std::max(max, 0);
  value_[bar] = std::min(value_[bar], max_[bar]);
  for (auto* l : listeners_)
    l->OnProgress(bar, value_[bar], max_[bar]);
}

void StatusModel::SetProgressValue(Bar bar, int32_t value) {
  Load();
  value_[bar] = std::clamp(value, 0, max_[bar]);
  for (auto* l : listeners_)
    l->OnProgress(bar, value_[bar], max_[bar]);
}

void StatusModel::AddRow(const host::StatusRow& row) {
  Load();
  if (keep_rows_) rows_.push_back(row);
  for (auto* l : listeners_)
    l->OnRow(row);
}

void StatusModel::Show() {
  Load();
  visible_ = true;
  for (auto* l : listeners_)
    l->OnVisible(true);
}

void StatusModel::Hide() {
  Load();
  visible_ = false;
  for (auto* l : listeners_)
    l->OnVisible(false);
}

void StatusModel::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  visible_ = false;
  caption_.clear();
  for (auto& text : texts_)
    text.clear();
  value_[0] = value_[1] = max_[0] = max_[1] = 0;
  rows_.clear();
  for (auto* l : listeners_)
    l->OnUnload();
}

}  // namespace kestrix::driver
