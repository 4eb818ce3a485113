#include "framework/WinApp.h"

#include "framework/Wnd.h"

#include <set>

namespace framework {

namespace {

CWinApp* g_app = nullptr;

// The system takes a path beyond MAX_PATH only in its extended-length form.
std::wstring ExtendedLengthForm(const std::wstring& path)
{
    if (path.size() < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0)
        return path;
    if (path.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

}  // namespace

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: try again with room for it
    }
}

std::wstring ApplicationNameFromModulePath(const std::wstring& modulePath)
{
    std::wstring name = modulePath;
    if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    // The directory's own entry has the file's long name, whichever form the path is in.
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileW(ExtendedLengthForm(modulePath).c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        ::FindClose(search);
        name = entry.cFileName;
    }
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

CWinApp::CWinApp(LPCWSTR appName) : m_appName(appName ? appName : ApplicationNameFromModulePath(ModulePath()))
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
