#pragma once
// A fresh simulated desktop and program for each test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/program.h"
#include "platform/sim/desktop.h"

inline constexpr const char* kSettings = "HKCU\\Software\\VB and VBA Program Settings\\Tandrel\\";

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() { Fresh(); }

  // A new user's desktop with the program not yet started.
  void Fresh() {
    program.reset();
    sim::Reset();
    program = std::make_unique<tandrel::Program>();
  }

  sim::Desktop& desk() { return sim::desktop(); }
  void Store(const std::string& section, const std::string& key, const std::string& text) {
    desk().SetValue(kSettings + section, key, text);
  }
  sim::SimWindow* Window(const std::string& caption) { return desk().Find(caption); }
  bool Visible(const std::string& caption) {
    auto* window = Window(caption);
    return window != nullptr && window->visible;
  }
  // Starts the program as the system does: Main, then the message loop.
  void Start() {
    tandrel::Main();
    program->lifecycle.MainReturned();
  }

  std::unique_ptr<tandrel::Program> program;
};
