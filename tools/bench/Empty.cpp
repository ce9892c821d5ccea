// kv-empty: a GUI program that returns at once, for measuring what Wine needs to start a program.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) { return 0; }
