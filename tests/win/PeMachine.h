// Which kernel32.dll the calling thread sees in the system folder, by the machine field of its PE header.
#pragma once
#include <windows.h>

WORD SystemKernel32Machine();
