// An idle Windows process for test runs under Wine. While one Windows process stays alive,
// Wine keeps its services running, and every further process starts in a fraction of the
// time a cold start takes. The test scripts start this once and end it by its process id.
//
// Usage: keepwarm.exe [ready-file [file-to-hold]]
// With a ready-file (a Windows path, e.g. Z:/tmp/x/ready) it first makes sure the desktop
// process is running, then creates that file, so the caller can wait for Wine to be fully up
// before anything else starts (a Windows process started while Wine is still starting its
// services can leave them holding that process's output pipes open).
#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1) {
        GetDesktopWindow();
        if (argc > 2 && CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr) == INVALID_HANDLE_VALUE)
            return 1;
        HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        CloseHandle(file);
    }
    if (argv != nullptr)
        LocalFree(argv);
    Sleep(INFINITE);
    return 0;
}
