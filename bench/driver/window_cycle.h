#pragma once
// Opens and closes each of Tandrel's windows once, the way a user would reach them.
#include <string>

#include "subject.h"

// The configuration window through Form1's "Configure" button, About and Support through the
// tray menu; each closed again with WM_CLOSE. Empty on success, else what went wrong.
std::wstring CycleWindows(const Running& tandrel);
