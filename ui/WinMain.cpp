#include <windows.h>

#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    return runApplication(instance, showCommand);
}
