// A stand-in wtsapi32.dll that reports another user signed in to the session than the account a
// process runs as: what a setup started by a deployment service, or elevated with another
// account's password, sees. The setup test puts it into a prefix's system32 and has Wine load
// it instead of its own (WINEDLLOVERRIDES=wtsapi32=n).
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD, int infoClass,
                                                                         LPWSTR* buffer, DWORD* bytes)
{
    static wchar_t userName[] = L"SignedInElsewhere";
    static wchar_t domainName[] = L"OTHERDOMAIN";
    constexpr int wtsUserName = 5;
    *buffer = infoClass == wtsUserName ? userName : domainName;
    *bytes = static_cast<DWORD>((lstrlenW(*buffer) + 1) * sizeof(wchar_t));
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI WTSFreeMemory(void*) {}
