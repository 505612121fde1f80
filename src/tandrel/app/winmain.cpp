// The process: the program's windows live from Main until the message loop ends.
#include <windows.h>

#include "core/program.h"
#include "platform/system.h"
#include "base/harden.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  base::Harden();
  tandrel::Program program;
  tandrel::Main();
  program.lifecycle.MainReturned();
  return platform::RunMessageLoop();
}
