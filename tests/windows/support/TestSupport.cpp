#include "TestSupport.h"

#include "framework/WinApp.h"

#include <algorithm>
#include <atomic>
#include <iostream>

namespace testing_support {

namespace {

std::wstring ConfigKey(const std::wstring& appName)
{
    return L"Software\\Tarnwick Inc.\\" + appName + L"\\Config";
}

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; *text; ++text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
    return wide;
}

}  // namespace

void PumpMessagesFor(std::chrono::milliseconds duration)
{
    WaitFor([] { return false; }, duration);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (condition())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return false;
        // Sleep until a message arrives or a short while passes, then look again.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left, 5)), QS_ALLINPUT);
    }
}

std::optional<std::string> WineVersion()
{
    using Query = const char*(__cdecl*)();
    const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    if (!found)
        return std::nullopt;
    return std::string(reinterpret_cast<Query>(reinterpret_cast<void*>(found))());
}

void SendDisplayState(HWND window, DWORD state, const GUID& setting)
{
    struct { GUID setting; DWORD length; DWORD value; } change{setting, sizeof(DWORD), state};  // POWERBROADCAST_SETTING
    ::SendMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&change));
}

std::wstring ThisTestProgram()
{
    return framework::ModulePath();
}

std::wstring SaverPath()
{
    // The build tree's path as Wine sees it: the host's root is drive Z.
    std::wstring path = L"Z:" + Widen(BRIMSTAR_SCR_PATH);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

SaverCopy CopyOfSaver(const std::wstring& appName)
{
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + appName + L".SCR";
    ::CopyFileW(SaverPath().c_str(), path.c_str(), FALSE);
    return SaverCopy{path, appName};
}

PrivateSaver::PrivateSaver(const std::wstring& appName, std::optional<DWORD> speed) : m_copy(CopyOfSaver(appName))
{
    if (speed)
        StoreSpeed(appName, *speed);
    else
        DeleteStoredSpeed(appName);
}

PrivateSaver::~PrivateSaver()
{
    DeleteStoredSpeed(m_copy.appName);
    ::DeleteFileW(m_copy.path.c_str());
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& args, const wchar_t* desktop)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!args.empty())
        commandLine += L" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<wchar_t*>(desktop);
    // Now and then, within a long test run, Wine's CreateProcess fails before the program runs at
    // all. That says nothing of the program: try again a few times, and say so on the log.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &m_info)) {
            m_startError = 0;
            return;
        }
        m_startError = ::GetLastError();
        m_info = PROCESS_INFORMATION{};
        std::cerr << "[support] CreateProcess failed with error " << m_startError << "; trying again\n";
        ::Sleep(100);
    }
}

ChildProcess::~ChildProcess()
{
    if (!m_info.hProcess)
        return;
    if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_info.hProcess, 99);
        ::WaitForSingleObject(m_info.hProcess, 10000);
    }
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds deadline)
{
    return WaitFor([this] { return !Running(); }, deadline);
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

std::vector<HWND> ChildProcess::TopLevelWindows(HDESK desktop) const
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{m_info.dwProcessId, {}};
    ::EnumDesktopWindows(
        desktop,
        [](HWND hWnd, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hWnd, &owner);
            if (owner == s->processId)
                s->found.push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChildProcess::WaitForVisibleWindow(std::chrono::milliseconds deadline) const
{
    HWND visible = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : TopLevelWindows())
                if (::IsWindowVisible(hWnd)) {
                    visible = hWnd;
                    return true;
                }
            return false;
        },
        deadline);
    return visible;
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    return name;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t text[256] = {};
    ::GetWindowTextW(hWnd, text, 256);
    return text;
}

HWND WaitForDialog(const ChildProcess& process, const wchar_t* caption, std::chrono::milliseconds deadline)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : process.TopLevelWindows())
                if (::IsWindowVisible(hWnd) && ClassOf(hWnd) == L"#32770" && (!caption || TextOf(hWnd) == caption)) {
                    found = hWnd;
                    return true;
                }
            return false;
        },
        deadline);
    return found;
}

void DeleteStoredSpeed(const std::wstring& appName)
{
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed");
}

void StoreSpeedRaw(const std::wstring& appName, DWORD type, const void* data, DWORD size)
{
    ::RegSetKeyValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed", type, data, size);
}

void StoreSpeed(const std::wstring& appName, DWORD value)
{
    StoreSpeedRaw(appName, REG_DWORD, &value, sizeof value);
}

bool ReadStoredSpeed(const std::wstring& appName, DWORD& value)
{
    DWORD size = sizeof value;
    return ::RegGetValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed", RRF_RT_REG_DWORD, nullptr,
                          &value, &size) == ERROR_SUCCESS;
}

std::vector<COLORREF> ReadPixels(HDC dc, HBITMAP bitmap, int& width, int& height)
{
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (!pixels.empty())
        ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

namespace {

// The pixels of a window's context (the screen's for no window) from origin on.
std::vector<COLORREF> CaptureDC(HWND hWnd, POINT origin, SIZE area, int& width, int& height)
{
    HDC source = ::GetDC(hWnd);
    HDC memory = ::CreateCompatibleDC(source);
    HBITMAP copy = ::CreateCompatibleBitmap(source, area.cx, area.cy);
    HGDIOBJ old = ::SelectObject(memory, copy);
    ::BitBlt(memory, 0, 0, area.cx, area.cy, source, origin.x, origin.y, SRCCOPY);
    ::SelectObject(memory, old);  // a bitmap is read only once it is out of every context
    std::vector<COLORREF> pixels = ReadPixels(memory, copy, width, height);
    ::DeleteObject(copy);
    ::DeleteDC(memory);
    ::ReleaseDC(hWnd, source);
    return pixels;
}

}  // namespace

std::vector<COLORREF> CaptureClient(HWND hWnd, int& width, int& height)
{
    RECT area{};
    ::GetClientRect(hWnd, &area);
    return CaptureDC(hWnd, POINT{0, 0}, SIZE{area.right, area.bottom}, width, height);
}

std::vector<COLORREF> CaptureScreen(SIZE area, int& width, int& height)
{
    return CaptureDC(nullptr, POINT{0, 0}, area, width, height);
}

std::vector<COLORREF> CaptureScreenArea(const RECT& area, int& width, int& height)
{
    return CaptureDC(nullptr, POINT{area.left, area.top}, SIZE{area.right - area.left, area.bottom - area.top}, width,
                     height);
}

}  // namespace testing_support
