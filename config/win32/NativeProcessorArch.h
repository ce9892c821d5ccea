// The machine's own processor architecture, also for a process that runs emulated or under WOW64.
#pragma once
#include "config/SystemInfo.h"

// The process machine query's native machine; where that fails or names no known machine,
// GetNativeSystemInfo. None when neither is recognised.
ProcessorArch GetNativeProcessorArch();
