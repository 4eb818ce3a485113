// The program's entry: the application object exists already (a global), so start it and run it.
#include "framework/WinApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    framework::CWinApp* app = framework::AfxGetApp();
    if (!app || !app->InitInstance())
        return 0;
    return app->Run();
}
