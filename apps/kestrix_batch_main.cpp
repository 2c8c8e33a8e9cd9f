// kestrix-batch: the headless host.

#include <string>
#include <vector>

#include "frontends/batch/batch_run.h"

int main(int argc, char** argv) {
  return kestrix::batch::Main(std::vector<std::string>(argv + 1, argv + argc));
}
