// Any stored values, of any type and length, for every setting the program reads: it starts,
// shows them, saves cleanly over them, and reads back exactly what it saved.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/controls.h"
#include "core/program.h"
#include "platform/sim/desktop.h"

namespace {

constexpr const char* kSettings = "HKCU\\Software\\VB and VBA Program Settings\\Tandrel\\";
constexpr const char* kValues[][2] = {{"start", "configured"}, {"start", "autoboot"}, {"Hotkey1", "Ctrl"},
                                      {"Hotkey1", "Alt"},      {"Hotkey1", "Shift"},  {"Hotkey1", "Key"},
                                      {"Hotkey2", "Ctrl"},     {"Hotkey2", "Alt"},    {"Hotkey2", "Shift"},
                                      {"Hotkey2", "Key"}};

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

// Input: for each setting, a type byte, a length byte and that many bytes of text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sim::Reset();
  tandrel::Program program;
  sim::Desktop& desk = sim::desktop();
  std::size_t at = 0;
  for (const auto& [section, key] : kValues) {
    if (at + 2 > size) break;
    const std::uint32_t type = data[at] % 8;
    const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
    const std::string text(reinterpret_cast<const char*>(data + at + 2), length);
    if (type != 0) desk.SetValue(std::string(kSettings) + section, key, text, type);
    at += 2 + length;
  }

  tandrel::Main();
  program.lifecycle.MainReturned();
  program.frmConfig.Show();
  sim::SimWindow* form = desk.Find("Tandrel configuration");
  Require(form != nullptr);
  const std::string key1 = form->controls.at(tandrel::config::cboKey1).text;
  desk.Click(form->hwnd, tandrel::config::cmdSave);
  Require(desk.Find("Tandrel configuration") == nullptr);

  // Every value is now a setting the program wrote: texts, the flags "0" or "1".
  for (const auto& [section, key] : kValues) {
    const auto value = desk.Value(std::string(kSettings) + section, key);
    Require(value && value->type == 1);
    if (std::string(key) != "Key") Require(value->text == "0" || value->text == "1");
  }
  Require(desk.Value(std::string(kSettings) + "Hotkey1", "Key")->text == key1);
  Require(desk.Value(std::string(kSettings) + "start", "configured")->text == "1");
  Require(desk.openKeys == 0);
  return 0;
}
