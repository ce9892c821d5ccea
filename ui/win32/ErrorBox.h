// The application's error message box: an error icon, in front of every other window.
#pragma once
#include <windows.h>

#include <string>

void ShowErrorBox(HWND owner, const std::u16string& text, const std::u16string& caption);
