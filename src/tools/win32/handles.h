#pragma once
// Owners for the handles and COM objects the tools hold.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace tools::win32 {

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) CloseHandle(std::exchange(handle_, nullptr));
  }

 private:
  HANDLE handle_ = nullptr;
};

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void** out() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  Interface** put() {
    reset();
    return &pointer_;
  }
  void reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// Memory the shell hands out with CoTaskMemAlloc: names, item ID lists.
template <typename Type>
class CoMemory {
 public:
  CoMemory() = default;
  ~CoMemory() { CoTaskMemFree(pointer_); }
  CoMemory(CoMemory&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  CoMemory& operator=(CoMemory&& other) noexcept {
    if (this != &other) CoTaskMemFree(std::exchange(pointer_, std::exchange(other.pointer_, nullptr)));
    return *this;
  }
  CoMemory(const CoMemory&) = delete;
  CoMemory& operator=(const CoMemory&) = delete;

  Type* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  Type** put() {
    CoTaskMemFree(std::exchange(pointer_, nullptr));
    return &pointer_;
  }

 private:
  Type* pointer_ = nullptr;
};

// COM for this thread, for as long as the owner lives.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace tools::win32
