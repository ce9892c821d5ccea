// Process-wide values of a run that several subsystems read.
#pragma once
#include <string>

inline const std::u16string kDefaultApplicationTitle = u" Self Extractor";

// Caption of the progress dialog and of the error message box; the configuration sets it before any window.
const std::u16string& ApplicationTitle();
void SetApplicationTitle(std::u16string title);

// Drive and directory of the running executable; set at the start of the run, read as ${SfxPath}.
const std::u16string& ProgramFolder();
void SetProgramFolder(std::u16string folder);
