// The settings dialog of the real program, started as its own process from a private copy and
// driven from here by messages to its windows, as another program or the system would send them.
// What it stores is read back twice: through the registry functions and through Wine's reg.exe.
#include "TestSupport.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::ClassOf;
using testing_support::DeleteStoredSpeed;
using testing_support::PrivateSaver;
using testing_support::ReadStoredSpeed;
using testing_support::StoreSpeed;
using testing_support::TextOf;
using testing_support::WaitFor;
using testing_support::WaitForDialog;

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kSettingsCaption[] = L"Brimstar";
constexpr wchar_t kAboutCaption[] = L"About Brimstar";
constexpr auto kDeadline = 20s;

class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    void Reset()
    {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};

// A message to a window of another process that fails the test instead of hanging it.
LRESULT SendTo(HWND hWnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    EXPECT_NE(::SendMessageTimeoutW(hWnd, msg, wParam, lParam, SMTO_NORMAL, 10000, &result), 0)
        << "message 0x" << std::hex << msg << " was not answered";
    return static_cast<LRESULT>(result);
}

int BarPosition(HWND bar) { return static_cast<int>(SendTo(bar, SBM_GETPOS)); }

// The control with the keyboard focus in the thread that owns the window.
HWND FocusOf(HWND hWnd)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

// The keyboard focus reaches control in the other process (the system may move it there only
// when that process's window has become active).
::testing::AssertionResult FocusArrivesAt(HWND window, HWND control)
{
    if (WaitFor([&] { return FocusOf(window) == control; }, kDeadline))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the focus is on " << FocusOf(window) << " ("
                                         << testing::PrintToString(ClassOf(FocusOf(window))) << "), not on "
                                         << control;
}

// A key press as the dialog manager of the other process sees one: posted to its focused control.
void PostKey(HWND target, WORD key)
{
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(target, WM_KEYDOWN, key, 1 | scan);
    ::PostMessageW(target, WM_KEYUP, key, 1 | scan | (static_cast<LPARAM>(3) << 30));
}

RECT WindowRect(HWND hWnd)
{
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    return rect;
}

RECT WorkArea()
{
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// Centred within a pixel, as integer halving allows (compared at twice the scale).
::testing::AssertionResult CentredOver(HWND hWnd, const RECT& area, int tolerance = 1)
{
    const RECT own = WindowRect(hWnd);
    const long dx = std::labs((own.left + own.right) - (area.left + area.right));
    const long dy = std::labs((own.top + own.bottom) - (area.top + area.bottom));
    if (dx <= 2 * tolerance && dy <= 2 * tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window (" << own.left << "," << own.top << ")-(" << own.right << ","
                                         << own.bottom << ") is not centred over (" << area.left << "," << area.top
                                         << ")-(" << area.right << "," << area.bottom << ")";
}

// What Wine's own registry tool says about the stored speed: the value, or nothing when the
// tool reports no such value.
std::optional<DWORD> SpeedAccordingToRegExe(const std::wstring& appName)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 64 * 1024)) {
        ADD_FAILURE() << "no pipe";
        return std::nullopt;
    }
    UniqueHandle reading(readEnd);
    UniqueHandle writing(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine =
        L"reg.exe query \"HKCU\\Software\\Tarnwick Inc.\\" + appName + L"\\Config\" /v Speed";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info)) {
        ADD_FAILURE() << "reg.exe did not start: error " << ::GetLastError();
        return std::nullopt;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    writing.Reset();  // the tool holds the only write end now, so its exit ends the output

    // The output is far smaller than the pipe's buffer: wait for the exit, then read it all.
    if (::WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        ADD_FAILURE() << "reg.exe did not finish";
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    if (exitCode != 0)
        return std::nullopt;

    // A line such as "    Speed    REG_DWORD    0x2a".
    const size_t type = output.find("REG_DWORD");
    const size_t name = output.find("Speed");
    if (type == std::string::npos || name == std::string::npos || name > type) {
        ADD_FAILURE() << "unexpected reg.exe output: " << output;
        return std::nullopt;
    }
    const char* number = output.c_str() + type + std::string("REG_DWORD").size();
    char* end = nullptr;
    const unsigned long value = std::strtoul(number, &end, 16);
    if (end == number) {
        ADD_FAILURE() << "no number in reg.exe output: " << output;
        return std::nullopt;
    }
    return static_cast<DWORD>(value);
}

// The stored speed must read the same through both ways.
void ExpectStored(const std::wstring& appName, std::optional<DWORD> expected)
{
    DWORD value = 0;
    const bool present = ReadStoredSpeed(appName, value);
    EXPECT_EQ(present ? std::optional<DWORD>(value) : std::nullopt, expected) << "read through the registry API";
    EXPECT_EQ(SpeedAccordingToRegExe(appName), expected) << "read by reg.exe";
}

std::wstring AppNameFor(const char* testName)
{
    std::wstring name = L"BrimstarE2E_";
    for (const char* c = testName; *c; ++c)
        name.push_back(std::isalnum(static_cast<unsigned char>(*c)) ? static_cast<wchar_t>(*c) : L'_');
    return name;
}

std::wstring CurrentAppName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return AppNameFor((std::string(info->test_suite_name()) + "_" + info->name()).c_str());
}

void ExpectCleanExit(ChildProcess& process)
{
    ASSERT_TRUE(process.WaitForExit(kDeadline)) << "the program did not end";
    EXPECT_EQ(process.ExitCode(), 0u);
}

struct FormCase {
    const wchar_t* arguments;
    int chosen;  // where the test moves the bar before OK
    const char* name;
};

void PrintTo(const FormCase& form, std::ostream* out) { *out << form.name; }

class EveryFormOfTheSettingsCommand : public ::testing::TestWithParam<FormCase> {};

// Every way of asking for the settings opens the dialog, and OK stores the bar's position.
TEST_P(EveryFormOfTheSettingsCommand, OpensTheDialogAndOkStoresTheBarPosition)
{
    const FormCase form = GetParam();
    PrivateSaver saver(CurrentAppName());
    StoreSpeed(saver.AppName(), 77);

    ChildProcess process(saver.Path(), form.arguments);
    ASSERT_TRUE(process.Started());
    HWND dialog = WaitForDialog(process, kSettingsCaption, kDeadline);
    ASSERT_NE(dialog, nullptr) << "no settings dialog";
    HWND bar = ::GetDlgItem(dialog, IDC_SPEED);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(BarPosition(bar), 77);

    SendTo(dialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, form.chosen), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(BarPosition(bar), form.chosen);
    // Moving the bar stores nothing yet.
    ExpectStored(saver.AppName(), 77u);

    SendTo(::GetDlgItem(dialog, IDOK), BM_CLICK);
    ExpectCleanExit(process);
    ExpectStored(saver.AppName(), static_cast<DWORD>(form.chosen));
}

const FormCase kForms[] = {
    {L"", 11, "NoArgument"},
    {L"/c", 24, "SlashC"},
    {L"/C", 37, "SlashCapitalC"},
    {L"-c", 50, "DashC"},
    {L"c", 63, "BareC"},
    {L"/c:1234", 96, "SlashCWithHandle"},
};

std::string FormName(const ::testing::TestParamInfo<FormCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Settings, EveryFormOfTheSettingsCommand, ::testing::ValuesIn(kForms), FormName);

enum class Dismissal { CancelButton, EscapeKey, CloseBox };

const char* DismissalName(Dismissal how)
{
    switch (how) {
    case Dismissal::CancelButton: return "CancelButton";
    case Dismissal::EscapeKey: return "EscapeKey";
    case Dismissal::CloseBox: return "CloseBox";
    }
    return "Unknown";
}

struct DismissalCase {
    Dismissal how;
    std::optional<DWORD> storedBefore;
};

void PrintTo(const DismissalCase& c, std::ostream* out)
{
    *out << DismissalName(c.how) << (c.storedBefore ? " with a stored value" : " with nothing stored");
}

class DismissingTheSettings : public ::testing::TestWithParam<DismissalCase> {};

// Leaving without OK keeps the stored value, however the dialog is left; with nothing stored,
// nothing is stored afterwards either (not even the value the dialog started from).
TEST_P(DismissingTheSettings, StoresNothing)
{
    const DismissalCase c = GetParam();
    PrivateSaver saver(CurrentAppName());
    if (c.storedBefore)
        StoreSpeed(saver.AppName(), *c.storedBefore);
    else
        DeleteStoredSpeed(saver.AppName());

    ChildProcess process(saver.Path(), L"/c");
    ASSERT_TRUE(process.Started());
    HWND dialog = WaitForDialog(process, kSettingsCaption, kDeadline);
    ASSERT_NE(dialog, nullptr) << "no settings dialog";
    HWND bar = ::GetDlgItem(dialog, IDC_SPEED);
    SendTo(dialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 12), reinterpret_cast<LPARAM>(bar));
    ASSERT_EQ(BarPosition(bar), 12);

    switch (c.how) {
    case Dismissal::CancelButton:
        SendTo(::GetDlgItem(dialog, IDCANCEL), BM_CLICK);
        break;
    case Dismissal::EscapeKey:
        // The bar has the focus; the other program's dialog manager turns Esc into Cancel.
        ASSERT_TRUE(FocusArrivesAt(dialog, bar));
        PostKey(bar, VK_ESCAPE);
        break;
    case Dismissal::CloseBox:
        ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    ExpectCleanExit(process);
    ExpectStored(saver.AppName(), c.storedBefore);
}

const DismissalCase kDismissals[] = {
    {Dismissal::CancelButton, 66u}, {Dismissal::EscapeKey, 66u}, {Dismissal::CloseBox, 66u},
    {Dismissal::CancelButton, std::nullopt}, {Dismissal::EscapeKey, std::nullopt}, {Dismissal::CloseBox, std::nullopt},
};

std::string DismissalTestName(const ::testing::TestParamInfo<DismissalCase>& info)
{
    return std::string(DismissalName(info.param.how)) + (info.param.storedBefore ? "_ValueStored" : "_NothingStored");
}

INSTANTIATE_TEST_SUITE_P(Settings, DismissingTheSettings, ::testing::ValuesIn(kDismissals), DismissalTestName);

// A first start with nothing stored: the dialog opens centred at 5 with the preview in place of
// the hidden placeholder, and OK stores 5.
TEST(SettingsEndToEnd, WithNothingStoredTheBarStartsAtFiveAndOkStoresFive)
{
    PrivateSaver saver(CurrentAppName());
    DeleteStoredSpeed(saver.AppName());
    ExpectStored(saver.AppName(), std::nullopt);

    ChildProcess process(saver.Path(), L"");
    ASSERT_TRUE(process.Started());
    HWND dialog = WaitForDialog(process, kSettingsCaption, kDeadline);
    ASSERT_NE(dialog, nullptr) << "no settings dialog";
    HWND bar = ::GetDlgItem(dialog, IDC_SPEED);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(BarPosition(bar), 5);
    EXPECT_TRUE(FocusArrivesAt(dialog, bar));
    EXPECT_TRUE(CentredOver(dialog, WorkArea()));
    // The dialog and nothing else shows.
    std::vector<std::wstring> shown;
    for (HWND hWnd : process.TopLevelWindows())
        if (::IsWindowVisible(hWnd))
            shown.push_back(ClassOf(hWnd) + L" " + TextOf(hWnd));
    EXPECT_EQ(shown, std::vector<std::wstring>{std::wstring(kDialogClass) + L" " + kSettingsCaption});

    // Exactly one visible child that is none of the template's controls sits on the placeholder.
    HWND placeholder = ::GetDlgItem(dialog, IDC_PREVIEW);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(::IsWindowVisible(placeholder));
    const RECT place = WindowRect(placeholder);
    int previews = 0;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child == placeholder || !::IsWindowVisible(child) || ClassOf(child) == L"Button" ||
            ClassOf(child) == L"Static" || ClassOf(child) == L"ScrollBar")
            continue;
        ++previews;
        const RECT r = WindowRect(child);
        EXPECT_TRUE(r.left == place.left && r.top == place.top && r.right == place.right && r.bottom == place.bottom)
            << "preview at (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    }
    EXPECT_EQ(previews, 1);

    SendTo(::GetDlgItem(dialog, IDOK), BM_CLICK);
    ExpectCleanExit(process);
    ExpectStored(saver.AppName(), 5u);
}

// The About box from the system menu, several times: modal over the settings dialog, centred,
// and closed by OK, Enter and Esc; the settings dialog goes on afterwards.
TEST(SettingsEndToEnd, AboutBoxOpensFromTheSystemMenuAndClosesWithOkEnterAndEsc)
{
    PrivateSaver saver(CurrentAppName());
    StoreSpeed(saver.AppName(), 42);

    ChildProcess process(saver.Path(), L"/c");
    ASSERT_TRUE(process.Started());
    HWND dialog = WaitForDialog(process, kSettingsCaption, kDeadline);
    ASSERT_NE(dialog, nullptr) << "no settings dialog";

    enum class Close { Ok, Enter, Esc };
    const Close rounds[] = {Close::Ok, Close::Enter, Close::Esc, Close::Ok, Close::Enter, Close::Esc};
    for (size_t i = 0; i < std::size(rounds); ++i) {
        SCOPED_TRACE(testing::Message() << "round " << i);
        ::PostMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUT, 0);
        HWND about = WaitForDialog(process, kAboutCaption, kDeadline);
        ASSERT_NE(about, nullptr) << "no About box";
        EXPECT_EQ(::GetWindow(about, GW_OWNER), dialog);
        EXPECT_FALSE(::IsWindowEnabled(dialog)) << "the settings dialog must wait for the About box";
        EXPECT_TRUE(CentredOver(about, WindowRect(dialog)));
        EXPECT_TRUE(CentredOver(about, WorkArea(), 2));
        HWND ok = ::GetDlgItem(about, IDOK);
        ASSERT_NE(ok, nullptr);
        switch (rounds[i]) {
        case Close::Ok: SendTo(ok, BM_CLICK); break;
        case Close::Enter:
            EXPECT_TRUE(FocusArrivesAt(about, ok));
            PostKey(ok, VK_RETURN);
            break;
        case Close::Esc:
            EXPECT_TRUE(FocusArrivesAt(about, ok));
            PostKey(ok, VK_ESCAPE);
            break;
        }
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(about) && ::IsWindowEnabled(dialog); }, kDeadline))
            << "the About box did not close";
        EXPECT_TRUE(::IsWindowVisible(dialog));
        EXPECT_FALSE(process.WaitForExit(0ms));
    }

    SendTo(::GetDlgItem(dialog, IDCANCEL), BM_CLICK);
    ExpectCleanExit(process);
    ExpectStored(saver.AppName(), 42u);
}

}  // namespace
