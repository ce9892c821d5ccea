// Layout shared by the stub's dialogs: controls that follow the right edge when the dialog is resized, a size
// grip, the first size as the minimum, and centring.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <vector>

enum class Anchor {
  StretchX,  // keeps its left edge and its distance to the right edge
  MoveX,     // keeps its width and its distance to the right edge
};

struct AnchoredControl {
  int id;
  Anchor anchor;
};

class DialogResizer {
 public:
  // Call from WM_INITDIALOG, after the dialog has its final size: makes the dialog resizable, records its size
  // as the minimum and each control's distance to the right edge, and adds the size grip.
  void Attach(HWND dialog, std::initializer_list<AnchoredControl> controls);

  // WM_SIZE, WM_GETMINMAXINFO and WM_DPICHANGED; true when the message needs no further processing.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Tracked {
    HWND window;
    Anchor anchor;
    int rightMargin;
  };
  void LayOut(WPARAM sizeKind);

  HWND dialog_ = nullptr;
  HWND sizeGrip_ = nullptr;
  SIZE minimumSize_ = {-1, -1};
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  std::vector<Tracked> controls_;
};

// Centred over `owner` when it is visible and not minimised, else on the work area of the monitor that holds
// the dialog; kept inside that work area.
void CenterDialog(HWND dialog, HWND owner);
