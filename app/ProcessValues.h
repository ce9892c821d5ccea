// The application title: a process-wide value that several windows read.
#pragma once
#include <string>

// Caption of the progress dialog and of the error message box; the configuration sets it before any window.
const std::u16string& ApplicationTitle();
void SetApplicationTitle(std::u16string title);
