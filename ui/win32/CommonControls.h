// The common controls, loaded for the first window of a run: comctl32 is delay-loaded, and loading it brings up
// the window system (its classes load cursors), which a run that shows no window never needs.
#pragma once

// Registers the common controls (the marquee bar, and version 6 of the standard ones as the manifest asks); once
// per process, before a dialog or message box is created.
void LoadCommonControls();
