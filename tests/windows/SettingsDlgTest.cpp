// The settings dialog run modally inside the test process: a thread timer plays a script of
// steps from inside the dialog's own modal loop, so every message takes the path a user's would.
#include "AnimationWndProbe.h"
#include "TestSupport.h"
#include "app/ScreenSaverApp.h"
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "settings/SettingsDlg.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

// Rectangles compared and printed by the assertions (found by argument lookup in the global
// namespace, where RECT lives).
inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

using namespace std::chrono_literals;
using testing_support::ClassOf;
using testing_support::DeleteStoredSpeed;
using testing_support::ReadStoredSpeed;
using testing_support::StoreSpeed;
using testing_support::TextOf;

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kSettingsCaption[] = L"Brimstar";
constexpr wchar_t kAboutCaption[] = L"About Brimstar";

std::vector<HWND> DialogsOfThisThread()
{
    std::vector<HWND> dialogs;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM found) -> BOOL {
            if (ClassOf(hWnd) == kDialogClass)
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// A visible dialog of this thread with the given caption, or null.
HWND FindDialog(const wchar_t* caption)
{
    for (HWND hWnd : DialogsOfThisThread())
        if (::IsWindowVisible(hWnd) && TextOf(hWnd) == caption)
            return hWnd;
    return nullptr;
}

std::vector<HWND> VisibleTopLevelWindowsOfThisProcess()
{
    std::vector<HWND> windows;
    ::EnumWindows(
        [](HWND hWnd, LPARAM found) -> BOOL {
            DWORD process = 0;
            ::GetWindowThreadProcessId(hWnd, &process);
            if (process == ::GetCurrentProcessId() && ::IsWindowVisible(hWnd))
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// A window's rectangle in the client coordinates of another window.
RECT RectIn(HWND hWnd, HWND reference)
{
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    ::MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT WorkArea()
{
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// Twice the centre, so that odd sizes compare without rounding.
POINT DoubledCentre(const RECT& rect) { return POINT{rect.left + rect.right, rect.top + rect.bottom}; }

// Centred within a pixel, as integer halving allows.
::testing::AssertionResult CentredOver(HWND hWnd, const RECT& area)
{
    RECT own{};
    ::GetWindowRect(hWnd, &own);
    const POINT a = DoubledCentre(own);
    const POINT b = DoubledCentre(area);
    if (std::abs(a.x - b.x) <= 2 && std::abs(a.y - b.y) <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window (" << own.left << "," << own.top << ")-(" << own.right << ","
                                         << own.bottom << ") is not centred over (" << area.left << "," << area.top
                                         << ")-(" << area.right << "," << area.bottom << ")";
}

int BarPosition(HWND bar) { return ::GetScrollPos(bar, SB_CTL); }

void Scroll(HWND dialog, HWND bar, int code, int thumb = 0)
{
    ::SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(bar));
}

// A key press as the dialog manager sees one: posted to the window with the focus.
void PostKey(HWND target, WORD key)
{
    const UINT scanCode = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scanCode) << 16));
    ::PostMessageW(target, WM_KEYUP, key, 1 | (static_cast<LPARAM>(scanCode) << 16) | (static_cast<LPARAM>(3) << 30));
}

// A key press through the system's input queue, like a keyboard's.
bool SendKeyPress(WORD key)
{
    INPUT events[2] = {};
    for (INPUT& event : events) {
        event.type = INPUT_KEYBOARD;
        event.ki.wVk = key;
        event.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    }
    events[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return ::SendInput(2, events, sizeof(INPUT)) == 2;
}

void EndEveryDialogOfThisThread()
{
    for (HWND hWnd : DialogsOfThisThread())
        ::EndDialog(hWnd, -2);
}

// Steps played from inside a modal loop. A thread timer ticks every few milliseconds; on each
// tick the next step runs once its condition holds. A script that stalls past its deadline
// fails and ends every dialog of the thread, so a broken dialog cannot hang the test.
class ModalScript {
public:
    explicit ModalScript(std::chrono::milliseconds deadline = 30s) : m_deadline(deadline) {}
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& Then(const char* name, std::function<bool()> ready, std::function<void()> act)
    {
        m_steps.push_back(Step{name, std::move(ready), std::move(act)});
        return *this;
    }
    ModalScript& Do(const char* name, std::function<void()> act)
    {
        return Then(name, [] { return true; }, std::move(act));
    }
    // Checked on every tick while the script runs.
    void Always(std::function<void()> check) { m_always = std::move(check); }
    // Gives up after a failure that makes the remaining steps meaningless.
    void Abort(const std::string& why)
    {
        ADD_FAILURE() << "after step '" << (m_next > 0 ? m_steps[m_next - 1].name : "(none)") << "': " << why;
        m_aborted = true;
        EndEveryDialogOfThisThread();
    }

    // Runs the modal dialog (runModal returns when the dialog has ended) while the steps play.
    template <class RunModal>
    auto Run(RunModal runModal)
    {
        m_started = std::chrono::steady_clock::now();
        t_current = this;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &ModalScript::OnTimer);
        EXPECT_NE(timer, 0u);
        auto result = runModal();
        ::KillTimer(nullptr, timer);
        t_current = nullptr;
        if (!m_aborted && !m_timedOut) {
            EXPECT_EQ(m_next, m_steps.size()) << "the dialog ended before step '"
                                              << (m_next < m_steps.size() ? m_steps[m_next].name : "") << "'";
        }
        return result;
    }

private:
    struct Step {
        const char* name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (t_current)
            t_current->Tick();
    }

    void Tick()
    {
        if (m_aborted || m_timedOut) {
            EndEveryDialogOfThisThread();
            return;
        }
        if (std::chrono::steady_clock::now() - m_started > m_deadline) {
            m_timedOut = true;
            ADD_FAILURE() << "timed out waiting for step '"
                          << (m_next < m_steps.size() ? m_steps[m_next].name : "(the dialog's end)") << "'";
            EndEveryDialogOfThisThread();
            return;
        }
        if (m_always)
            m_always();
        // A step that opens a nested modal loop gets ticks from inside it; they only watch.
        if (m_inStep || m_next == m_steps.size())
            return;
        Step& step = m_steps[m_next];
        if (!step.ready())
            return;
        m_inStep = true;
        ++m_next;
        step.act();
        m_inStep = false;
    }

    static thread_local ModalScript* t_current;

    std::vector<Step> m_steps;
    std::function<void()> m_always;
    size_t m_next = 0;
    bool m_inStep = false;
    bool m_aborted = false;
    bool m_timedOut = false;
    std::chrono::milliseconds m_deadline;
    std::chrono::steady_clock::time_point m_started;
};

thread_local ModalScript* ModalScript::t_current = nullptr;

// The position the preview's sprite takes on its first tick, from the start (-7,-7) at the
// given speed in a width x height area: right by speed, one row down and back in from the left
// past the right edge, back to the top below the bottom edge.
POINT FirstSpritePosition(int speed, int width, int height)
{
    POINT p{-7 + speed, -7};
    if (p.x >= width) {
        p.x = -188;
        p.y += 168;
    }
    if (p.y >= height)
        p.y = -7;
    return p;
}

// The application's profile, private to each test by its name.
std::wstring UniqueAppName(const char* testName)
{
    std::wstring name = L"BrimstarSettingsDlgTest_";
    for (const char* c = testName; *c; ++c)
        name.push_back(static_cast<wchar_t>(*c));
    return name;
}

std::wstring CurrentTestAppName()
{
    return UniqueAppName(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// What the in-process dialog shows when it opens, while the stored profile says something else.
TEST(SettingsDialog, OpensCentredWithTheBarFocusedThePreviewInPlaceAndAboutInTheSystemMenu)
{
    framework::CWinApp app(CurrentTestAppName().c_str());
    app.SetRegistryKey(kCompanyKey);
    // A stored value different from the dialog's: the preview must not run at this one.
    StoreSpeed(app.AppName(), 12);

    CSettingsDlg dialog;
    dialog.m_speed = 37;
    HWND hDlg = nullptr;
    HWND bar = nullptr;
    RECT previewArea{};

    ModalScript script;
    script.Then("dialog shows", [&] { return (hDlg = FindDialog(kSettingsCaption)) != nullptr; }, [&] {
        EXPECT_EQ(dialog.m_hWnd, hDlg);
        bar = ::GetDlgItem(hDlg, IDC_SPEED);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(::GetFocus(), bar);

        int low = 0, high = 0;
        ::GetScrollRange(bar, SB_CTL, &low, &high);
        EXPECT_EQ(low, 1);
        EXPECT_EQ(high, 100);
        EXPECT_EQ(BarPosition(bar), 37);
        EXPECT_EQ(dialog.m_speedBar.m_hWnd, bar);

        EXPECT_TRUE(CentredOver(hDlg, WorkArea()));

        // The system menu ends with a separator and the About item.
        HMENU menu = ::GetSystemMenu(hDlg, FALSE);
        ASSERT_NE(menu, nullptr);
        const int count = ::GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(::GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUT));
        wchar_t item[64] = {};
        ::GetMenuStringW(menu, count - 1, item, 64, MF_BYPOSITION);
        EXPECT_STREQ(item, L"&About Brimstar...");

        // The preview covers the hidden placeholder exactly: its template rectangle in pixels.
        HWND placeholder = ::GetDlgItem(hDlg, IDC_PREVIEW);
        HWND preview = dialog.m_preview.m_hWnd;
        ASSERT_NE(placeholder, nullptr);
        ASSERT_NE(preview, nullptr);
        RECT fromTemplate{5, 5, 5 + 64, 5 + 48};
        ::MapDialogRect(hDlg, &fromTemplate);
        previewArea = RectIn(preview, hDlg);
        EXPECT_EQ(RectIn(placeholder, hDlg), fromTemplate);
        EXPECT_EQ(previewArea, fromTemplate);
        EXPECT_EQ(::GetParent(preview), hDlg);
        EXPECT_TRUE(::GetWindowLongW(preview, GWL_STYLE) & WS_CHILD);
        EXPECT_TRUE(::IsWindowVisible(preview));
        EXPECT_FALSE(::IsWindowVisible(placeholder));
        EXPECT_EQ(AnimationWndProbe::Speed(dialog.m_preview), 37);
    });
    POINT firstMove{};
    script.Then("preview's first tick",
                [&] { return AnimationWndProbe::X(dialog.m_preview) != -7 || AnimationWndProbe::Y(dialog.m_preview) != -7; },
                [&] {
                    firstMove = POINT{AnimationWndProbe::X(dialog.m_preview), AnimationWndProbe::Y(dialog.m_preview)};
                    ::SendMessageW(::GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
                });

    EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), IDCANCEL);
    // The first step was already at the dialog's speed, not the stored one.
    const POINT expected = FirstSpritePosition(37, previewArea.right - previewArea.left,
                                               previewArea.bottom - previewArea.top);
    EXPECT_EQ(firstMove.x, expected.x);
    EXPECT_EQ(firstMove.y, expected.y);
    EXPECT_EQ(dialog.m_speed, 37);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    DWORD stored = 0;
    ASSERT_TRUE(ReadStoredSpeed(app.AppName(), stored));
    EXPECT_EQ(stored, 12u);
    DeleteStoredSpeed(app.AppName());
}

struct ScrollCase {
    const char* name;
    int code;
    int from;
    int thumb;
    int expected;
};

// Every scroll request, with clamping at both ends; the bar and the preview follow, the value
// the dialog would store on OK does not change until OK.
TEST(SettingsDialog, ScrollRequestsMoveTheBarAndThePreviewButNotTheValue)
{
    framework::CWinApp app(CurrentTestAppName().c_str());
    app.SetRegistryKey(kCompanyKey);
    DeleteStoredSpeed(app.AppName());

    const ScrollCase cases[] = {
        {"line left", SB_LINELEFT, 50, 0, 49},
        {"line left at the slow end", SB_LINELEFT, 1, 0, 1},
        {"line right", SB_LINERIGHT, 50, 0, 51},
        {"line right at the fast end", SB_LINERIGHT, 100, 0, 100},
        {"page left", SB_PAGELEFT, 50, 0, 40},
        {"page left near the slow end", SB_PAGELEFT, 5, 0, 1},
        {"page left to the slow end", SB_PAGELEFT, 11, 0, 1},
        {"page right", SB_PAGERIGHT, 50, 0, 60},
        {"page right near the fast end", SB_PAGERIGHT, 95, 0, 100},
        {"page right to the fast end", SB_PAGERIGHT, 90, 0, 100},
        {"thumb position", SB_THUMBPOSITION, 50, 73, 73},
        {"thumb track", SB_THUMBTRACK, 50, 12, 12},
        {"thumb track to the slowest", SB_THUMBTRACK, 50, 1, 1},
        {"thumb position below the range", SB_THUMBPOSITION, 50, 0, 1},
        {"thumb track above the range", SB_THUMBTRACK, 50, 0xFFFF, 100},
        {"far left", SB_LEFT, 50, 0, 1},
        {"far right", SB_RIGHT, 50, 0, 100},
        {"end of scrolling", SB_ENDSCROLL, 37, 0, 37},
        {"an unknown code", 9, 63, 42, 63},
    };

    CSettingsDlg dialog;
    dialog.m_speed = 50;
    HWND hDlg = nullptr;
    HWND bar = nullptr;

    ModalScript script;
    script.Then("dialog shows", [&] { return (hDlg = FindDialog(kSettingsCaption)) != nullptr; }, [&] {
        bar = ::GetDlgItem(hDlg, IDC_SPEED);
        for (const ScrollCase& c : cases) {
            SCOPED_TRACE(c.name);
            ::SetScrollPos(bar, SB_CTL, c.from, TRUE);
            Scroll(hDlg, bar, c.code, c.thumb);
            EXPECT_EQ(BarPosition(bar), c.expected);
            EXPECT_EQ(AnimationWndProbe::Speed(dialog.m_preview), c.expected);
            EXPECT_EQ(dialog.m_speed, 50);
        }
        // The keyboard reaches the bar, which has the focus, and the bar asks the dialog.
        ::SetScrollPos(bar, SB_CTL, 50, TRUE);
        ASSERT_EQ(::GetFocus(), bar);
        PostKey(bar, VK_RIGHT);
    });
    struct KeyCase {
        const char* name;
        WORD key;
        int expected;
    };
    static const KeyCase keys[] = {
        {"right arrow steps right", VK_RIGHT, 51},  // already posted above
        {"left arrow steps left", VK_LEFT, 50},
        {"page down pages right", VK_NEXT, 60},
        {"page up pages left", VK_PRIOR, 50},
        {"end goes to the fast end", VK_END, 100},
        {"home goes to the slow end", VK_HOME, 1},
    };
    for (size_t i = 0; i < std::size(keys); ++i) {
        script.Then(keys[i].name, [&, i] { return BarPosition(bar) == keys[i].expected; }, [&, i] {
            EXPECT_EQ(AnimationWndProbe::Speed(dialog.m_preview), keys[i].expected);
            EXPECT_EQ(dialog.m_speed, 50);
            if (i + 1 < std::size(keys))
                PostKey(bar, keys[i + 1].key);
        });
    }
    script.Do("move to 64 and choose OK", [&] {
        Scroll(hDlg, bar, SB_THUMBPOSITION, 64);
        ::SendMessageW(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    });

    EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), IDOK);
    // OK takes the bar's position into the value; storing it is the application's part.
    EXPECT_EQ(dialog.m_speed, 64);
    DWORD stored = 0;
    EXPECT_FALSE(ReadStoredSpeed(app.AppName(), stored));
}

// A test application: the real one, whose help command is counted on its way to the program's
// own handler.
class HelpCountingApp : public CScreenSaverApp {
public:
    void OnHelpCounted()
    {
        ++helpRequests;
        LRESULT ignored = 0;
        if (CScreenSaverApp::MessageMap::Dispatch(*this, framework::Message{WM_COMMAND, framework::ID_HELP, 0},
                                                  ignored))
            ++handledByTheProgram;
    }

    int helpRequests = 0;
    int handledByTheProgram = 0;

    using MessageMap = framework::MessageMap<HelpCountingApp, CScreenSaverApp,
        framework::OnCommand<framework::ID_HELP, &HelpCountingApp::OnHelpCounted>>;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        return MessageMap::Dispatch(*this, m, result);
    }
};

// F1 and WM_HELP end in the application's help command; nothing else happens: no window
// appears and the dialog goes on working.
TEST(SettingsDialog, HelpReachesTheApplicationsHelpCommandAndNothingElse)
{
    HelpCountingApp app;
    app.SetRegistryKey(kCompanyKey);
    StoreSpeed(app.AppName(), 20);

    HWND hDlg = nullptr;
    HWND bar = nullptr;
    ModalScript script;
    script.Then("dialog shows", [&] { return (hDlg = FindDialog(kSettingsCaption)) != nullptr; }, [&] {
        bar = ::GetDlgItem(hDlg, IDC_SPEED);
        ::SetForegroundWindow(hDlg);
    });
    script.Then("dialog in front with the bar focused",
                [&] { return ::GetForegroundWindow() == hDlg && ::GetFocus() == bar; }, [&] {
                    // From here on, no window but the dialog may show.
                    script.Always([&] {
                        for (HWND shown : VisibleTopLevelWindowsOfThisProcess())
                            if (shown != hDlg)
                                return script.Abort("a window appeared beside the dialog: " +
                                                    testing::PrintToString(TextOf(shown)));
                    });
                    EXPECT_TRUE(SendKeyPress(VK_F1));
                });
    script.Then("F1 asked for help", [&] { return app.helpRequests == 1; }, [&] {
        HELPINFO info{};
        info.cbSize = sizeof info;
        info.iContextType = HELPINFO_WINDOW;
        info.iCtrlId = IDC_SPEED;
        info.hItemHandle = bar;
        ::SendMessageW(hDlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(app.helpRequests, 2);
        EXPECT_EQ(::GetFocus(), bar);
        PostKey(bar, VK_RIGHT);
    });
    script.Then("the bar still answers", [&] { return BarPosition(bar) == 21; }, [&] {
        ::SendMessageW(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    });

    script.Run([&] {
        app.RunSettingsDialog();
        return 0;
    });
    EXPECT_EQ(app.helpRequests, 2);
    EXPECT_EQ(app.handledByTheProgram, 2) << "the program's own message map must route ID_HELP";
    DWORD stored = 0;
    ASSERT_TRUE(ReadStoredSpeed(app.AppName(), stored));
    EXPECT_EQ(stored, 21u);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    DeleteStoredSpeed(app.AppName());
}

struct OutOfRangeCase {
    int stored;
    int barAtStart;
    int scrollCode;  // -1: none
    int storedOnOk;
};

void PrintTo(const OutOfRangeCase& c, std::ostream* out)
{
    *out << "stored " << c.stored << ", scroll code " << c.scrollCode;
}

class StoredSpeedOutOfRange : public ::testing::TestWithParam<OutOfRangeCase> {};

// A stored value is used as read: the preview runs at it until the bar moves, the bar shows it
// clamped, and OK stores the bar's position.
TEST_P(StoredSpeedOutOfRange, PreviewRunsAtTheStoredValueAndOkStoresTheBarPosition)
{
    const OutOfRangeCase c = GetParam();
    CScreenSaverApp app;
    app.SetRegistryKey(kCompanyKey);
    StoreSpeed(app.AppName(), static_cast<DWORD>(c.stored));

    HWND hDlg = nullptr;
    HWND bar = nullptr;
    CSettingsDlg* dialog = nullptr;
    RECT previewArea{};
    POINT firstMove{};

    ModalScript script;
    script.Then("dialog shows", [&] { return (hDlg = FindDialog(kSettingsCaption)) != nullptr; }, [&] {
        // While it runs, the dialog is the application's main window.
        if (!app.m_pMainWnd || framework::CWnd::FromHandle(hDlg) != app.m_pMainWnd)
            return script.Abort("the dialog is not the application's main window while it runs");
        dialog = static_cast<CSettingsDlg*>(app.m_pMainWnd);
        bar = ::GetDlgItem(hDlg, IDC_SPEED);
        previewArea = RectIn(dialog->m_preview.m_hWnd, hDlg);
        EXPECT_EQ(dialog->m_speed, c.stored);
        EXPECT_EQ(AnimationWndProbe::Speed(dialog->m_preview), c.stored);
        EXPECT_EQ(BarPosition(bar), c.barAtStart);
    });
    script.Then("preview's first tick",
                [&] { return AnimationWndProbe::X(dialog->m_preview) != -7 || AnimationWndProbe::Y(dialog->m_preview) != -7; },
                [&] {
                    firstMove = POINT{AnimationWndProbe::X(dialog->m_preview), AnimationWndProbe::Y(dialog->m_preview)};
                    if (c.scrollCode >= 0) {
                        Scroll(hDlg, bar, c.scrollCode);
                        EXPECT_EQ(AnimationWndProbe::Speed(dialog->m_preview), c.storedOnOk);
                    } else {
                        EXPECT_EQ(AnimationWndProbe::Speed(dialog->m_preview), c.stored);
                    }
                    EXPECT_EQ(dialog->m_speed, c.stored);
                    ::SendMessageW(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
                });

    script.Run([&] {
        app.RunSettingsDialog();
        return 0;
    });
    const POINT expected =
        FirstSpritePosition(c.stored, previewArea.right - previewArea.left, previewArea.bottom - previewArea.top);
    EXPECT_EQ(firstMove.x, expected.x);
    EXPECT_EQ(firstMove.y, expected.y);
    DWORD stored = 0;
    ASSERT_TRUE(ReadStoredSpeed(app.AppName(), stored));
    EXPECT_EQ(static_cast<int>(stored), c.storedOnOk);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    DeleteStoredSpeed(app.AppName());
}

const OutOfRangeCase kOutOfRangeCases[] = {
    {250, 100, -1, 100},
    {250, 100, SB_LINELEFT, 99},
    {-3, 1, -1, 1},
    {-3, 1, SB_LINERIGHT, 2},
};

std::string OutOfRangeCaseName(const ::testing::TestParamInfo<OutOfRangeCase>& info)
{
    const OutOfRangeCase& c = info.param;
    return std::string(c.stored < 0 ? "Minus" : "") + std::to_string(std::abs(c.stored)) +
           (c.scrollCode < 0 ? "_OkAtOnce" : "_OkAfterOneStep");
}

INSTANTIATE_TEST_SUITE_P(SettingsDialog, StoredSpeedOutOfRange, ::testing::ValuesIn(kOutOfRangeCases),
                         OutOfRangeCaseName);

// Blocks the creation of dialog windows on this thread while it exists.
class DialogCreationBlocker {
public:
    DialogCreationBlocker()
    {
        t_mainWndAtCreation = nullptr;
        m_hook = ::SetWindowsHookExW(WH_CBT, &DialogCreationBlocker::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~DialogCreationBlocker() { ::UnhookWindowsHookEx(m_hook); }
    DialogCreationBlocker(const DialogCreationBlocker&) = delete;
    DialogCreationBlocker& operator=(const DialogCreationBlocker&) = delete;

    bool Installed() const { return m_hook != nullptr; }
    // The main-window slot as it was while the dialog was being made: the dialog object.
    static framework::CWnd* MainWindowAtCreation() { return t_mainWndAtCreation; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
            if (ClassOf(reinterpret_cast<HWND>(wParam)) == kDialogClass && !(create->lpcs->style & WS_CHILD)) {
                t_mainWndAtCreation = framework::AfxGetApp() ? framework::AfxGetApp()->m_pMainWnd : nullptr;
                return 1;  // refuse
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static thread_local framework::CWnd* t_mainWndAtCreation;
    HHOOK m_hook = nullptr;
};

thread_local framework::CWnd* DialogCreationBlocker::t_mainWndAtCreation = nullptr;

// While the dialog runs it is the main window; afterwards the slot no longer names it, whether
// the dialog ended normally or could not be made at all.
TEST(SettingsDialog, RunSettingsDialogLeavesTheMainWindowSlot)
{
    CScreenSaverApp app;
    app.SetRegistryKey(kCompanyKey);

    // A template that does not exist: DoModal reports -1 at once and leaves no window behind.
    framework::CDialog missing(4321);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(missing.m_hWnd, nullptr);
    EXPECT_TRUE(DialogsOfThisThread().empty());

    StoreSpeed(app.AppName(), 44);
    HWND hDlg = nullptr;
    ModalScript script;
    script.Then("dialog shows", [&] { return (hDlg = FindDialog(kSettingsCaption)) != nullptr; }, [&] {
        EXPECT_EQ(app.m_pMainWnd, framework::CWnd::FromHandle(hDlg));
        // A changed bar that Cancel throws away.
        Scroll(hDlg, ::GetDlgItem(hDlg, IDC_SPEED), SB_RIGHT);
        ::SendMessageW(::GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    });
    script.Run([&] {
        app.RunSettingsDialog();
        return 0;
    });
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    DWORD stored = 0;
    ASSERT_TRUE(ReadStoredSpeed(app.AppName(), stored));
    EXPECT_EQ(stored, 44u);

    // The dialog window cannot be made: nothing runs, nothing is stored, the slot is left.
    DeleteStoredSpeed(app.AppName());
    {
        DialogCreationBlocker blocker;
        ASSERT_TRUE(blocker.Installed());
        app.RunSettingsDialog();
        ASSERT_NE(DialogCreationBlocker::MainWindowAtCreation(), nullptr) << "the dialog was never attempted";
        EXPECT_NE(app.m_pMainWnd, DialogCreationBlocker::MainWindowAtCreation());
    }
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_FALSE(ReadStoredSpeed(app.AppName(), stored));
    EXPECT_TRUE(DialogsOfThisThread().empty());
}

// The About box from the system menu: modal over the settings dialog, centred, closed by OK,
// Enter and Esc in turn, again and again; the preview keeps running behind it.
TEST(SettingsDialog, AboutBoxFromTheSystemMenuIsModalAndClosesWithOkEnterAndEsc)
{
    CScreenSaverApp app;
    app.SetRegistryKey(kCompanyKey);
    StoreSpeed(app.AppName(), 30);

    enum class Close { Ok, Enter, Esc };
    struct Round {
        const char* opened;
        const char* closed;
        WPARAM command;
        Close how;
    };
    static const Round rounds[] = {
        {"About opens (1)", "About closed by OK", IDM_ABOUT, Close::Ok},
        {"About opens (2)", "About closed by Enter", IDM_ABOUT, Close::Enter},
        {"About opens (3)", "About closed by Esc", IDM_ABOUT, Close::Esc},
        // The system keeps the low four bits of a system command for itself.
        {"About opens (4)", "About closed by OK again", IDM_ABOUT | 0x3, Close::Ok},
    };

    HWND hDlg = nullptr;
    HWND about = nullptr;
    CSettingsDlg* dialog = nullptr;
    std::int32_t framesBefore = 0;

    ModalScript script;
    script.Then("dialog shows", [&] { return (hDlg = FindDialog(kSettingsCaption)) != nullptr; }, [&] {
        if (!app.m_pMainWnd || framework::CWnd::FromHandle(hDlg) != app.m_pMainWnd)
            return script.Abort("the dialog is not the application's main window while it runs");
        dialog = static_cast<CSettingsDlg*>(app.m_pMainWnd);
        ::PostMessageW(hDlg, WM_SYSCOMMAND, rounds[0].command, 0);
    });
    for (size_t i = 0; i < std::size(rounds); ++i) {
        const Round& round = rounds[i];
        script.Then(round.opened, [&] { return (about = FindDialog(kAboutCaption)) != nullptr; }, [&] {
            EXPECT_EQ(::GetWindow(about, GW_OWNER), hDlg);
            EXPECT_FALSE(::IsWindowEnabled(hDlg)) << "the settings dialog must wait for the About box";
            RECT settings{};
            ::GetWindowRect(hDlg, &settings);
            EXPECT_TRUE(CentredOver(about, settings));
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(about, IDOK));
            framesBefore = AnimationWndProbe::FrameCounter(dialog->m_preview);
        });
        script.Then("the preview runs behind the About box",
                    [&] { return AnimationWndProbe::FrameCounter(dialog->m_preview) >= framesBefore + 2; }, [&] {
                        switch (round.how) {
                        case Close::Ok: ::SendMessageW(::GetDlgItem(about, IDOK), BM_CLICK, 0, 0); break;
                        case Close::Enter: PostKey(::GetFocus(), VK_RETURN); break;
                        case Close::Esc: PostKey(::GetFocus(), VK_ESCAPE); break;
                        }
                    });
        script.Then(round.closed, [&] { return !::IsWindow(about) && ::IsWindowEnabled(hDlg); }, [&, i] {
            EXPECT_EQ(FindDialog(kSettingsCaption), hDlg);
            if (i + 1 < std::size(rounds))
                ::PostMessageW(hDlg, WM_SYSCOMMAND, rounds[i + 1].command, 0);
            else
                ::SendMessageW(::GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
        });
    }
    script.Run([&] {
        app.RunSettingsDialog();
        return 0;
    });
    DWORD stored = 0;
    ASSERT_TRUE(ReadStoredSpeed(app.AppName(), stored));
    EXPECT_EQ(stored, 30u);
    DeleteStoredSpeed(app.AppName());
}

}  // namespace
