// kestrix-batch: the headless host.

#include <string>
#include <vector>

#include "frontends/batch/batch_run.h"
#include "platform/system/environment.h"

int main(int argc, char** argv) {
  kestrix::system::PrepareStandardStreams();
  return kestrix::batch::Main(kestrix::system::ProgramArguments(argc, argv));
}
