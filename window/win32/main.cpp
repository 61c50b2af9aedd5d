#include "window/win32/startup.h"

#include <windows.h>

int WINAPI wWinMain(
    HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR /*lpCmdLine*/, int nShowCmd)
{
    return win32shell::runGame(hInstance, nShowCmd);
}
