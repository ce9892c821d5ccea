// Resource ids of the stub's dialogs.
#pragma once

#define IDD_LANGUAGE_DIALOG 223
#define IDD_PROGRESS_DIALOG 224
#define IDD_EXTRACT_TO_DIALOG 225
#define IDC_PROGRESS_BAR 1043
