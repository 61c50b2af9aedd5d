#include "window/win32/startup.h"
#include "window/win32/system_library.h"

#include <windows.h>

int WINAPI wWinMain(
    HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR /*lpCmdLine*/, int nShowCmd)
{
    // Before anything loads a DLL by name: a DLL planted beside Morvane.exe is never taken.
    win32shell::restrictDllSearchToSystem();
    return win32shell::runGame(hInstance, nShowCmd);
}
