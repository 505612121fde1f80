#pragma once
// Runs the probe DLL's counter inside another process, on a thread of its own.
#include <windows.h>

#include <string>

enum class ObjectKind { Gdi = 0, UserNonWindow = 1 };

class Probe {
 public:
  explicit Probe(std::wstring dllPath);
  // The count inside process, or -1 when the probe could not run there.
  long Count(HANDLE process, ObjectKind kind) const;
  // Checks the method on the driver itself: a new brush must add one GDI object.
  bool Works() const;

 private:
  std::wstring dllPath_;
  DWORD counterOffset_ = 0;  // of CountObjects from the DLL's base
};
