#pragma once
// CWinApp: the one application object, its start-up, message loop and per-user profile.
#include "framework/MessageMap.h"

#include <windows.h>

#include <string>

namespace framework {

class CWnd;

inline constexpr UINT ID_HELP = 0xE146;  // the standard Help command

class CWinApp {
public:
    // With no name, the application is named after the executable's file, less its extension.
    explicit CWinApp(LPCWSTR appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance() { return FALSE; }
    // Runs the message loop until WM_QUIT and returns its exit code.
    virtual int Run();

    // Dialogs of a version-4 Win32 program are drawn three-dimensional by the system itself;
    // there is no library to load any more.
    BOOL Enable3dControls() { return TRUE; }

    // The profile lives in HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
    void SetRegistryKey(LPCWSTR company);
    // The stored integer, or defaultValue when the entry is absent or not a four-byte REG_DWORD.
    int GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue) const;
    BOOL WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value) const;

    // Routes a command (such as ID_HELP) through the application's message map.
    bool OnCmdMsg(UINT id);
    // There is no help file to open, so a request for help is answered by doing nothing.
    void OnHelp() {}

    const std::wstring& AppName() const { return m_appName; }

    CWnd* m_pMainWnd = nullptr;

    using MessageMap = EmptyMessageMap;

protected:
    virtual bool ProcessWindowMessage(const Message& m, LRESULT& result);

private:
    std::wstring ProfileKey(LPCWSTR section) const;

    std::wstring m_appName;
    std::wstring m_registryKey;
};

// This process's own program file, however long its path.
std::wstring ModulePath();
// The application's name for the program file at modulePath: the file's long name less its
// extension. The system starts a saver through the short form of its path and Explorer through
// the long one, and both must find the same stored settings.
std::wstring ApplicationNameFromModulePath(const std::wstring& modulePath);

// The application object, or null before it is constructed and after it is gone.
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The module holding the resource: this program keeps all of its resources in the executable.
HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);
// A window class with the given attributes, registered on first use and shared afterwards.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

}  // namespace framework
