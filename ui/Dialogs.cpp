#include "ui/Dialogs.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/Application.h"
#include "ui/PaletteSelector.h"

namespace {

struct ColourDialogTip {
    int controlId;
    uint32_t textId;
};

// Registration order; removal takes OK, Cancel, Keep All, Remove All too.
const ColourDialogTip ColourDialogTips[] = {
    {IDC_COLOURS_OK, IDS_TIP_OK},
    {IDC_COLOURS_CANCEL, IDS_TIP_CANCEL},
    {IDC_KEEP_ALL, IDS_TIP_KEEP_ALL},
    {IDC_REMOVE_ALL, IDS_TIP_REMOVE_ALL},
};

// Every ending goes through here, so the shared tooltip control never keeps
// tools of controls that are about to be destroyed.
void endColourDialog(HWND dialog, INT_PTR result)
{
    removeColourDialogTips(dialog);
    EndDialog(dialog, result);
}

} // namespace

void addColourDialogTips(HWND dialog)
{
    if (theApplication == nullptr || theApplication->tooltipWindow == nullptr)
        return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_CENTERTIP;
    tool.hwnd = dialog;
    tool.hinst = theApplication->instance;
    for (const ColourDialogTip& tip : ColourDialogTips) {
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, tip.controlId));
        // The tooltip control loads the text from the string table itself.
        tool.lpszText = MAKEINTRESOURCEA(tip.textId);
        SendMessageA(theApplication->tooltipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void removeColourDialogTips(HWND dialog)
{
    if (theApplication == nullptr || theApplication->tooltipWindow == nullptr)
        return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = dialog;
    for (const ColourDialogTip& tip : ColourDialogTips) {
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, tip.controlId));
        SendMessageA(theApplication->tooltipWindow, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

INT_PTR CALLBACK colourDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    PaletteSelector* selector = theApplication != nullptr ? theApplication->paletteSelector : nullptr;
    switch (message) {
    case WM_INITDIALOG:
        if (selector != nullptr)
            selector->bindWindow(GetDlgItem(dialog, IDC_PALETTE));
        addColourDialogTips(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_COLOURS_OK:
            endColourDialog(dialog, 1);
            return TRUE;
        case IDC_COLOURS_CANCEL:
            endColourDialog(dialog, 0);
            return TRUE;
        case IDC_REMOVE_ALL:
            if (selector != nullptr)
                selector->removeAll();
            return TRUE;
        case IDC_KEEP_ALL:
            if (selector != nullptr)
                selector->keepAll();
            return TRUE;
        default:
            return FALSE;
        }
    case WM_SYSCOMMAND:
        // The low four bits are the system's own.
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return FALSE;
        endColourDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_COMMAND)
        return FALSE;
    EndDialog(dialog, 0);
    return TRUE;
}
