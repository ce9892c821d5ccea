// The application title: caption of the progress dialog and of the error message box.
#pragma once
#include <string>

inline const std::u16string kDefaultApplicationTitle = u" Self Extractor";

// Process-wide; the configuration sets it once before any window exists.
const std::u16string& ApplicationTitle();
void SetApplicationTitle(std::u16string title);
