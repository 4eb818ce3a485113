#include "framework/WinApp.h"

#include "framework/Wnd.h"

#include <set>

namespace framework {

namespace {

CWinApp* g_app = nullptr;

std::wstring ExecutableBaseName()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

}  // namespace

CWinApp::CWinApp(LPCWSTR appName) : m_appName(appName ? appName : ExecutableBaseName())
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleW(nullptr); }

HINSTANCE AfxFindResourceHandle(LPCWSTR, LPCWSTR) { return AfxGetInstanceHandle(); }

int CWinApp::Run()
{
    MSG msg{};
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1)
            return -1;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CWinApp::SetRegistryKey(LPCWSTR company)
{
    m_registryKey = company;
}

std::wstring CWinApp::ProfileKey(LPCWSTR section) const
{
    return L"Software\\" + m_registryKey + L"\\" + m_appName + L"\\" + section;
}

int CWinApp::GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue) const
{
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, ProfileKey(section).c_str(), entry,
                                          RRF_RT_REG_DWORD, nullptr, &value, &size);
    // A REG_DWORD shorter than four bytes is not an integer anyone stored: the system hands back
    // what bytes there are, so it is taken as absent like any other malformed entry.
    return status == ERROR_SUCCESS && size == sizeof value ? static_cast<int>(value) : defaultValue;
}

BOOL CWinApp::WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value) const
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, ProfileKey(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return FALSE;
    const DWORD data = static_cast<DWORD>(value);
    const LSTATUS status = ::RegSetValueExW(key, entry, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&data), sizeof data);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool CWinApp::ProcessWindowMessage(const Message& m, LRESULT& result)
{
    return MessageMap::Dispatch(*this, m, result);
}

bool CWinApp::OnCmdMsg(UINT id)
{
    LRESULT ignored = 0;
    return ProcessWindowMessage(Message{WM_COMMAND, id, 0}, ignored);
}

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // The name says what the class is made of, so equal requests share one class.
    wchar_t name[96];
    wsprintfW(name, L"Brimstar:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
              static_cast<void*>(background), static_cast<void*>(icon));
    static std::set<std::wstring> registered;
    if (auto known = registered.find(name); known != registered.end())
        return known->c_str();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::WindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return registered.insert(name).first->c_str();
}

}  // namespace framework
