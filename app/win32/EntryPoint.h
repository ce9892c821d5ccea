#pragma once
#include <windows.h>

class RunPlanner;

// The whole process: crash dumps, command line, COM, the run, its message, the exit code.
int RunInstallerProcess(HINSTANCE instance, RunPlanner& planner);
