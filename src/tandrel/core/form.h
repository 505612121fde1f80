#pragma once
// A window of the program: one instance for the whole run, loaded on first reference.
#include <memory>
#include <vector>

#include "platform/window.h"

namespace tandrel {

// Counts the loaded windows: once Main has returned and the last one is unloaded, the program ends.
class Lifecycle {
 public:
  void Loaded();
  void Unloaded();
  void MainReturned();
  int loaded() const { return loaded_; }

 private:
  int loaded_ = 0;
  bool mainReturned_ = false;
};

struct FormDesign {
  platform::WindowSpec window;
  std::vector<platform::ControlSpec> controls;
};

class Form : protected platform::WindowEvents {
 public:
  explicit Form(Lifecycle& lifecycle) : lifecycle_(lifecycle) {}
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Creates the window and runs its load handler; a loaded window stays as it is.
  void Load();
  // Loads when needed and makes the window visible, modeless and without owner, in front with
  // the keyboard.
  void Show();
  // Runs the unload handler and destroys the window; a later reference loads it anew.
  void Unload();
  bool IsLoaded() const { return window_ != nullptr; }

  // Like every reference to the window, these load it first.
  platform::Hwnd hWnd() { return window().handle(); }
  // The handle, or 0 while the window is not loaded; asking loads nothing.
  platform::Hwnd hWndIfLoaded() const { return window_ ? window_->handle() : nullptr; }
  void SetVisible(bool visible) { window().SetVisible(visible); }

 protected:
  platform::Window& window();

  virtual FormDesign Design() const = 0;
  virtual void Form_Load() {}
  virtual void Form_Unload() {}

  void OnClose() override { Unload(); }

 private:
  Lifecycle& lifecycle_;
  std::unique_ptr<platform::Window> window_;
};

}  // namespace tandrel
