// The colour dialog that confirms every run, with its tooltips, and the About box.
#pragma once

#include <windows.h>

// Ends with 1 for OK, 0 for Cancel and the close box; Esc leaves it open.
INT_PTR CALLBACK colourDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The tooltips of OK, Cancel, Keep All and Remove All in the shared tooltip control.
void addColourDialogTips(HWND dialog);
void removeColourDialogTips(HWND dialog);
// Any command ends it.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
