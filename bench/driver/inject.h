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
  // The GDI objects of one type (OBJ_BITMAP, OBJ_FONT, ...), or -1.
  long CountGdiOfType(HANDLE process, DWORD type) const;
  // Checks the method on the driver itself: a new brush must add one GDI object.
  bool Works() const;

 private:
  long Run(HANDLE process, DWORD argument) const;

  std::wstring dllPath_;
  DWORD counterOffset_ = 0;  // of CountObjects from the DLL's base
};
