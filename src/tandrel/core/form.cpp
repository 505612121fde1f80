#include "core/form.h"

#include "platform/system.h"

namespace tandrel {

void Lifecycle::Loaded() { ++loaded_; }

void Lifecycle::Unloaded() {
  --loaded_;
  if (mainReturned_ && loaded_ == 0) platform::PostQuit();
}

void Lifecycle::MainReturned() {
  mainReturned_ = true;
  if (loaded_ == 0) platform::PostQuit();
}

void Form::Load() {
  if (window_) return;
  FormDesign design = Design();
  platform::WindowEvents& events = *this;
  window_ = std::make_unique<platform::Window>(design.window, events);
  for (const auto& control : design.controls) window_->AddControl(control);
  lifecycle_.Loaded();
  Form_Load();
}

void Form::Show() {
  Load();
  window_->SetVisible(true);
  // Chosen again while open, perhaps behind another: the user means to go on in it.
  window_->BringToFront();
}

void Form::Unload() {
  if (!window_) return;
  Form_Unload();
  // The window may be destroyed from inside its own message handler: nothing below touches it.
  window_.reset();
  lifecycle_.Unloaded();
}

platform::Window& Form::window() {
  Load();
  return *window_;
}

}  // namespace tandrel
