// The paths chosen in the open-file dialog: an array of owned, zero-terminated
// full paths followed by one null pointer.
#pragma once

#include <windows.h>

#include <cstdint>

using FileList = char**;

// Frees each path and then the array; null is allowed.
void releaseFileList(FileList list);
// Turns what the open-file dialog left in its buffer of bufferSize bytes into a
// FileList: one full path, or with multiSelect a folder followed by names.
// Null when the buffer holds no path or memory runs out. Never reads past the
// buffer, even when the dialog left it without its final terminator.
FileList fileListFromSelection(const char* buffer, uint32_t bufferSize, bool multiSelect);
// Shows the open-file dialog; a new FileList, or null when nothing was chosen.
FileList chooseFiles(HWND owner, HINSTANCE instance, const char* filter, const char* title, bool mustExist,
                     bool multiSelect);
