#include "core/program.h"

namespace tandrel {
namespace {
Program* current = nullptr;
}

Program::Program() { current = this; }
Program::~Program() { current = nullptr; }

Program& App() { return *current; }

}  // namespace tandrel
