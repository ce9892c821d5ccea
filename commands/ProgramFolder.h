// The drive and directory of the running executable: the value of ${SfxPath}.
#pragma once
#include <string>

// Set at the start of the run, before any variable is expanded.
const std::u16string& ProgramFolder();
void SetProgramFolder(std::u16string folder);
