// A stand-in wtsapi32.dll whose session has another user than the account a process runs as, as a
// setup started by a deployment service, or with another account's password, sees.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD, int infoClass,
                                                                         LPWSTR* buffer, DWORD* bytes)
{
    static wchar_t userName[] = L"SignedInElsewhere", domainName[] = L"OTHERDOMAIN";
    constexpr int wtsUserName = 5;
    *buffer = infoClass == wtsUserName ? userName : domainName;
    *bytes = static_cast<DWORD>((lstrlenW(*buffer) + 1) * sizeof(wchar_t));
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI WTSFreeMemory(void*) {}
