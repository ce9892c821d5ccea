// Messages between the worker and the main thread's message window.
#pragma once
#include <windows.h>

inline constexpr UINT_PTR kWorkerPollTimerId = 1;
inline constexpr UINT kWorkerPollIntervalMs = 100;
inline constexpr UINT kWmShowProgress = WM_APP + 1;   // wParam 1 show, 0 hide
inline constexpr UINT kWmRunUIActions = WM_APP + 2;   // run the queued UI actions
inline constexpr UINT kWmWorkerDone = WM_APP + 3;     // the worker has set its result and is about to end
