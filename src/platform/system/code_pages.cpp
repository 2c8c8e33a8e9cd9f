#include "platform/system/code_pages.h"

namespace kestrix::system {

const std::vector<int>& CommonAnsiCodePages() {
  static const std::vector<int> kCodePages = {1252, 1251, 932, 936, 949, 950};
  return kCodePages;
}

}  // namespace kestrix::system
