#include "platform/Console.h"

#include <windows.h>

bool standardErrorIsTerminal()
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode = 0;
    return GetConsoleMode(error, &mode) != 0;
}
