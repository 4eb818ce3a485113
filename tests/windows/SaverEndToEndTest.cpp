// The real BRIMSTAR.SCR in saver mode, one process per case, driven from this process the way a
// person would: real pointer, button and key input through the system, and another window
// taking the foreground. Its window is read from outside (styles, size, the pixels on screen).
#include "InputDriver.h"
#include "TestSupport.h"

#include "framework/Gdi.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace std::chrono_literals;
using input_driver::Button;
using testing_support::ChildProcess;
using testing_support::SaverPath;
using testing_support::WaitFor;

// Where the pointer rests when a saver starts: the first position the saver records.
constexpr POINT kRest{960, 540};
// Every ending input must end the process within this time.
constexpr auto kEndDeadline = 1s;
// How long an input that must not end the saver is given to do so anyway.
constexpr auto kLivesOnFor = 1500ms;

constexpr int kTileWidth = 124;
constexpr int kTileHeight = 157;
constexpr int kTileSourceX = 1;
constexpr int kSpriteSide = 188;

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> rgb;  // 0x00RRGGBB, top row first

    COLORREF At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// What a part of the screen shows (the primary screen unless told), read as any program reads it.
Pixels CaptureScreen(const RECT& area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)})
{
    Pixels shot;
    shot.rgb = testing_support::CaptureScreenArea(area, shot.width, shot.height);
    return shot;
}

// The saver's artwork, from this program's copy of its resources.
struct Artwork {
    std::array<Pixels, 4> flames;
    Pixels sprite;
    Pixels mask;  // black where the sprite shows, white where the flames stay
};

Pixels LoadBitmapPixels(HDC dc, UINT id)
{
    framework::CBitmap bitmap;
    bitmap.LoadBitmap(::GetModuleHandleW(nullptr), id);
    Pixels pixels;
    pixels.rgb = testing_support::ReadPixels(dc, bitmap.GetSafeHandle(), pixels.width, pixels.height);
    return pixels;
}

Artwork LoadArtwork()
{
    Artwork artwork;
    framework::CClientDC screen(nullptr);
    for (std::size_t i = 0; i < artwork.flames.size(); ++i)
        artwork.flames[i] = LoadBitmapPixels(screen.m_hDC, IDB_BACKGROUND0 + static_cast<UINT>(i));
    artwork.sprite = LoadBitmapPixels(screen.m_hDC, IDB_SPRITE);
    artwork.mask = LoadBitmapPixels(screen.m_hDC, IDB_SPRITE_MASK);
    return artwork;
}

// How a screen compares with one flame frame tiled from the top left corner.
struct TileComparison {
    int frame = -1;
    long long mismatches = 0;
    RECT mismatchBounds{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};

    // The frame fills the screen except, at most, one sprite-sized square (the emblem).
    bool ShowsFrameWithEmblemAtMost() const
    {
        if (mismatches == 0)
            return true;
        return mismatchBounds.right - mismatchBounds.left <= kSpriteSide &&
               mismatchBounds.bottom - mismatchBounds.top <= kSpriteSide;
    }
};

TileComparison CompareWithTiles(const Pixels& screen, const Pixels& frame, int frameIndex)
{
    TileComparison result;
    result.frame = frameIndex;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            if (screen.At(x, y) == frame.At(kTileSourceX + x % kTileWidth, y % kTileHeight))
                continue;
            ++result.mismatches;
            result.mismatchBounds.left = std::min<LONG>(result.mismatchBounds.left, x);
            result.mismatchBounds.top = std::min<LONG>(result.mismatchBounds.top, y);
            result.mismatchBounds.right = std::max<LONG>(result.mismatchBounds.right, x + 1);
            result.mismatchBounds.bottom = std::max<LONG>(result.mismatchBounds.bottom, y + 1);
        }
    return result;
}

TileComparison BestMatch(const Pixels& screen, const std::array<Pixels, 4>& frames)
{
    TileComparison best;
    for (int i = 0; i < static_cast<int>(frames.size()); ++i) {
        TileComparison candidate = CompareWithTiles(screen, frames[static_cast<std::size_t>(i)], i);
        if (best.frame < 0 || candidate.mismatches < best.mismatches)
            best = candidate;
    }
    return best;
}

// Every pixel of the screen is the flame frame tiled from the top left corner, with the emblem
// laid over it through its mask at (spriteX, spriteY).
bool ShowsExactly(const Pixels& screen, const Pixels& flames, const Artwork& artwork, int spriteX, int spriteY)
{
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            COLORREF expected = flames.At(kTileSourceX + x % kTileWidth, y % kTileHeight);
            const int u = x - spriteX;
            const int v = y - spriteY;
            if (u >= 0 && u < kSpriteSide && v >= 0 && v < kSpriteSide && artwork.mask.At(u, v) == 0)
                expected = artwork.sprite.At(u, v);
            if (screen.At(x, y) != expected)
                return false;
        }
    return true;
}

// Each picture the area shows is one flame frame over all of it, at most an emblem-sized square
// apart, the frames changing with the ticks; at least once exactly the frame with the emblem on its
// first row: at the default speed of a pixel a tick, from (-7, -7) in the area's corner at `started`.
// Where the emblem was seen then, or INT_MIN.
int EmblemSeenFromTheCorner(const RECT& area, std::chrono::steady_clock::time_point started)
{
    const Artwork artwork = LoadArtwork();
    std::set<int> framesSeen;
    int emblemX = INT_MIN;
    WaitFor([&] {
        const Pixels shot = CaptureScreen(area);
        const TileComparison match = BestMatch(shot, artwork.flames);
        if (!match.ShowsFrameWithEmblemAtMost())
            return false;
        framesSeen.insert(match.frame);
        const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const int ticksAtMost = static_cast<int>(elapsed * 8) + 2;
        for (int x = -7; emblemX == INT_MIN && x <= -7 + ticksAtMost; ++x)
            if (ShowsExactly(shot, artwork.flames[static_cast<std::size_t>(match.frame)], artwork, x, -7))
                emblemX = x;
        return framesSeen.size() >= 3 && emblemX != INT_MIN;
    });
    std::printf("[  detail  ] flame frames seen: %zu, emblem seen at x = %d\n", framesSeen.size(), emblemX);
    return framesSeen.size() >= 3 ? emblemX : INT_MIN;
}

struct WindowDestroyer {
    void operator()(HWND hWnd) const { ::DestroyWindow(hWnd); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

class SaverEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::SetCursorPos(kRest.x, kRest.y);
        const POINT pointer = input_driver::PointerPosition();
        ASSERT_EQ(pointer.x, kRest.x);
        ASSERT_EQ(pointer.y, kRest.y);
    }

    // Starts the saver with args and waits until its window is in front.
    void Start(const std::wstring& args = L"/s")
    {
        m_saver = std::make_unique<ChildProcess>(SaverPath(), args);
        ASSERT_TRUE(m_saver->Started());
        m_hWnd = m_saver->WaitForVisibleWindow();
        ASSERT_NE(m_hWnd, nullptr) << "no visible window";
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == m_hWnd; })) << "not in front";
    }

    // Waits until the screen has shown two different flame frames: the timer runs, and since a
    // timer message only comes when no input is queued, the pointer move that the system sends
    // at the window's appearance has been handled (and recorded) before.
    void WaitUntilAnimating(const RECT& area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)})
    {
        const Artwork artwork = LoadArtwork();
        std::set<int> framesSeen;
        const bool animating = WaitFor([&] {
            const TileComparison match = BestMatch(CaptureScreen(area), artwork.flames);
            if (match.ShowsFrameWithEmblemAtMost())
                framesSeen.insert(match.frame);
            return framesSeen.size() >= 2;
        });
        ASSERT_TRUE(animating) << "flame frames seen: " << framesSeen.size();
        ASSERT_FALSE(m_saver->WaitForExit(0ms)) << "ended by itself";
    }

    void StartAndWaitUntilAnimating(const std::wstring& args = L"/s")
    {
        ASSERT_NO_FATAL_FAILURE(Start(args));
        ASSERT_NO_FATAL_FAILURE(WaitUntilAnimating());
    }

    // The input has been sent: the saver must be gone within the deadline, successfully.
    void ExpectEndsSoonAfter(std::chrono::steady_clock::time_point inputSent, const char* what)
    {
        const bool ended = m_saver->WaitForExit(kEndDeadline);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - inputSent);
        ASSERT_TRUE(ended) << "still running " << took.count() << " ms after " << what;
        EXPECT_EQ(m_saver->ExitCode(), 0u);
        std::printf("[  timing  ] %s: ended %lld ms after the input\n", what, static_cast<long long>(took.count()));
    }

    void SendAndExpectEnd(const std::vector<INPUT>& events, const char* what)
    {
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_TRUE(input_driver::Send(events));
        ExpectEndsSoonAfter(sent, what);
    }

    std::unique_ptr<ChildProcess> m_saver;
    HWND m_hWnd = nullptr;
};

// --- Start-up: every saver argument, the window, the picture, the pointer --------------------

class SaverArguments : public SaverEndToEnd, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(SaverArguments, ShowATopmostBorderlessPopupOverTheWholeScreen)
{
    ASSERT_NO_FATAL_FAILURE(Start(GetParam()));

    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(window.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(window.bottom, ::GetSystemMetrics(SM_CYSCREEN));
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_CAPTION) << "has a caption or border";
    EXPECT_FALSE(style & WS_BORDER);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const std::vector<HWND> windows = m_saver->TopLevelWindows();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(), [](HWND w) { return ::IsWindowVisible(w) != FALSE; }), 1)
        << "more visible windows than the saver's";

    SendAndExpectEnd({input_driver::ButtonDown(Button::Left), input_driver::ButtonUp(Button::Left)}, "a click");
}

INSTANTIATE_TEST_SUITE_P(SaverEndToEnd, SaverArguments,
                         ::testing::Values(L"/s", L"/S", L"-s", L"s", L"S", L"/screen", L"-Screensaver", L"/s:123",
                                           L"/s 4711"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                             std::string name;
                             for (const wchar_t* c = info.param; *c; ++c) {
                                 if ((*c >= L'a' && *c <= L'z') || (*c >= L'A' && *c <= L'Z') ||
                                     (*c >= L'0' && *c <= L'9'))
                                     name += static_cast<char>(*c);
                                 else
                                     name += *c == L'/' ? "Slash" : *c == L'-' ? "Dash" : "_";
                             }
                             return name + "_" + std::to_string(info.index);
                         });

TEST_F(SaverEndToEnd, ShowsTheTiledFlamesAndTheEmblemStartingAtTheTopLeft)
{
    // A private copy, so that no stored speed of another test moves the emblem elsewhere.
    const testing_support::SaverCopy copy = testing_support::CopyOfSaver(L"BrimstarSaverE2EFlames");
    testing_support::DeleteStoredSpeed(copy.appName);
    m_saver = std::make_unique<ChildProcess>(copy.path, L"/s");
    ASSERT_TRUE(m_saver->Started());
    m_hWnd = m_saver->WaitForVisibleWindow();
    ASSERT_NE(m_hWnd, nullptr);

    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_NE(EmblemSeenFromTheCorner(screen, std::chrono::steady_clock::now()), INT_MIN);

    SendAndExpectEnd({input_driver::KeyDown(VK_SPACE), input_driver::KeyUp(VK_SPACE)}, "a key");
}

TEST_F(SaverEndToEnd, HidesThePointer)
{
    ASSERT_NO_FATAL_FAILURE(StartAndWaitUntilAnimating());
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    ASSERT_TRUE(::GetCursorInfo(&cursor));
    EXPECT_EQ(cursor.hCursor, nullptr);

    SendAndExpectEnd({input_driver::ButtonDown(Button::Right), input_driver::ButtonUp(Button::Right)}, "a click");
}

// --- Inputs that end the saver ------------------------------------------------------------

struct EndingInput {
    const char* name;
    std::vector<INPUT> events;
    std::vector<INPUT> release;  // sent after the end, so that no button or key stays down
};

void PrintTo(const EndingInput& input, std::ostream* os)
{
    *os << input.name;
}

class EndingInputs : public SaverEndToEnd, public ::testing::WithParamInterface<EndingInput> {};

TEST_P(EndingInputs, EndTheSaverWithinASecondWithExitCodeZero)
{
    ASSERT_NO_FATAL_FAILURE(StartAndWaitUntilAnimating());
    SendAndExpectEnd(GetParam().events, GetParam().name);
    input_driver::Send(GetParam().release);
}

// Everything at once: many moves, every button, keys and the wheel.
std::vector<INPUT> Burst()
{
    std::vector<INPUT> events;
    for (int i = 1; i <= 40; ++i)
        events.push_back(input_driver::MoveTo(kRest.x + (i % 2 ? i : -i) * 3, kRest.y + (i % 3) * 4));
    for (Button button : {Button::Left, Button::Middle, Button::Right}) {
        events.push_back(input_driver::ButtonDown(button));
        events.push_back(input_driver::ButtonUp(button));
    }
    for (WORD key : {WORD('A'), WORD('B'), WORD(VK_SPACE), WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_MENU)}) {
        events.push_back(input_driver::KeyDown(key));
        events.push_back(input_driver::KeyUp(key));
    }
    events.push_back(input_driver::Wheel(WHEEL_DELTA));
    for (int i = 0; i < 20; ++i)
        events.push_back(input_driver::MoveTo(kRest.x - i * 7, kRest.y - i * 5));
    return events;
}

const EndingInput kEndingInputs[] = {
    {"PointerMovedAFewPixels", {input_driver::MoveTo(kRest.x + 3, kRest.y + 2)}, {}},
    {"PointerMovedOnePixel", {input_driver::MoveTo(kRest.x, kRest.y + 1)}, {}},
    {"LeftButtonDown", {input_driver::ButtonDown(Button::Left)}, {input_driver::ButtonUp(Button::Left)}},
    {"MiddleButtonDown", {input_driver::ButtonDown(Button::Middle)}, {input_driver::ButtonUp(Button::Middle)}},
    {"RightButtonDown", {input_driver::ButtonDown(Button::Right)}, {input_driver::ButtonUp(Button::Right)}},
    {"LetterKeyDown", {input_driver::KeyDown('Q')}, {input_driver::KeyUp('Q')}},
    {"ShiftDown", {input_driver::KeyDown(VK_SHIFT)}, {input_driver::KeyUp(VK_SHIFT)}},
    {"AltAloneDown", {input_driver::KeyDown(VK_MENU)}, {input_driver::KeyUp(VK_MENU)}},
    {"BurstOfEverything", Burst(), {}},
};

INSTANTIATE_TEST_SUITE_P(SaverEndToEnd, EndingInputs, ::testing::ValuesIn(kEndingInputs),
                         [](const ::testing::TestParamInfo<EndingInput>& info) { return info.param.name; });

TEST_F(SaverEndToEnd, AnotherProgramsWindowTakingTheForegroundEndsIt)
{
    ASSERT_NO_FATAL_FAILURE(StartAndWaitUntilAnimating());
    // A window of this process: another program's window as far as the saver can tell.
    const UniqueWindow other(::CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW, 100, 100,
                                               300, 200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(other, nullptr);
    const auto shown = std::chrono::steady_clock::now();
    ::ShowWindow(other.get(), SW_SHOW);
    ::SetForegroundWindow(other.get());
    ExpectEndsSoonAfter(shown, "another window in front");
}

// --- Inputs the saver lives through ---------------------------------------------------------

struct HarmlessInput {
    const char* name;
    std::vector<INPUT> events;
};

void PrintTo(const HarmlessInput& input, std::ostream* os)
{
    *os << input.name;
}

class HarmlessInputs : public SaverEndToEnd, public ::testing::WithParamInterface<HarmlessInput> {};

TEST_P(HarmlessInputs, LeaveTheSaverRunningUntilARealClick)
{
    ASSERT_NO_FATAL_FAILURE(StartAndWaitUntilAnimating());
    ASSERT_TRUE(input_driver::Send(GetParam().events));
    EXPECT_FALSE(m_saver->WaitForExit(kLivesOnFor)) << "ended by " << GetParam().name;
    ASSERT_TRUE(::IsWindowVisible(m_hWnd));

    SendAndExpectEnd({input_driver::ButtonDown(Button::Left), input_driver::ButtonUp(Button::Left)},
                     "the click after it");
}

const HarmlessInput kHarmlessInputs[] = {
    {"LeftButtonUp", {input_driver::ButtonUp(Button::Left)}},
    {"MiddleButtonUp", {input_driver::ButtonUp(Button::Middle)}},
    {"RightButtonUp", {input_driver::ButtonUp(Button::Right)}},
    {"WheelForward", {input_driver::Wheel(WHEEL_DELTA)}},
    {"WheelBack", {input_driver::Wheel(-WHEEL_DELTA)}},
    {"WheelTilt", {input_driver::HorizontalWheel(WHEEL_DELTA)}},
    {"LetterKeyUp", {input_driver::KeyUp('Q')}},
    {"AltUp", {input_driver::KeyUp(VK_MENU)}},
};

INSTANTIATE_TEST_SUITE_P(SaverEndToEnd, HarmlessInputs, ::testing::ValuesIn(kHarmlessInputs),
                         [](const ::testing::TestParamInfo<HarmlessInput>& info) { return info.param.name; });

// --- Two monitors side by side, in a session of their own (scripts/on-two-monitors.sh) ------

using SaverEndToEndOnTwoMonitors = SaverEndToEnd;

// The places of the windows that are visible.
std::string Describe(const std::vector<HWND>& windows)
{
    std::string places;
    for (HWND window : windows) {
        RECT r{};
        if (::IsWindowVisible(window) && ::GetWindowRect(window, &r))
            places += " (" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
                      ", " + std::to_string(r.bottom) + ")";
    }
    return places;
}

// Lays the session's monitors (its X server's outputs DUMMY0 and DUMMY1) out anew with xrandr.
// Wine starts a Unix program without a handle to wait on: the caller waits for what it changes.
bool Xrandr(std::wstring arguments)
{
    std::wstring commandLine = L"xrandr " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    return ::CreateProcessW(L"Z:\\usr\\bin\\xrandr", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &started) != FALSE;
}

TEST_F(SaverEndToEndOnTwoMonitors, BothCoveredAndAnimatedAndEndedTogether)
{
    // As the script lays them out.
    const RECT primary{0, 0, 1280, 800}, second{1280, 0, 2304, 768};
    ASSERT_EQ(::GetSystemMetrics(SM_CMONITORS), 2) << "this case needs a session with two monitors";
    MONITORINFO right{sizeof right, {}, {}, 0};
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromPoint({second.left, second.top}, MONITOR_DEFAULTTONULL), &right));
    ASSERT_TRUE(::EqualRect(&right.rcMonitor, &second)) << "the second monitor is not where the session put it";
    // The topmost window at the monitor's corner: the saver's, exactly that monitor's size.
    const auto coveredBy = [&](const RECT& monitor) {
        HWND window = ::WindowFromPoint({monitor.left, monitor.top});
        RECT area{};
        DWORD process = 0;
        ::GetWindowRect(window, &area);
        ::GetWindowThreadProcessId(window, &process);
        return process == m_saver->Id() && ::EqualRect(&area, &monitor) ? window : nullptr;
    };
    const auto visibleWindows = [&] {
        const std::vector<HWND> windows = m_saver->TopLevelWindows();
        return std::count_if(windows.begin(), windows.end(), [](HWND w) { return ::IsWindowVisible(w) != FALSE; });
    };
    const testing_support::PrivateSaver copy(L"BrimstarSaverE2ETwoMonitors");  // speed 1: emblems from (-7, -7)

    // The pointer rests on the primary screen, then moves to the same client position on the
    // second monitor; then it rests on the second, where the system's move at the start lands;
    // then the monitors are laid out anew under the saver, and the second one's window is closed.
    enum class Ending { MoveOntoTheSecond, Key, CloseOnTheSecond };
    for (const Ending ending : {Ending::MoveOntoTheSecond, Ending::Key, Ending::CloseOnTheSecond}) {
        SCOPED_TRACE(ending == Ending::MoveOntoTheSecond ? "pointer moved onto the second monitor"
                     : ending == Ending::Key             ? "pointer on the second monitor, then a key"
                                                         : "monitors laid out anew, then the second one's window closed");
        const POINT rest = ending == Ending::Key ? POINT{second.left + 200, second.top + 300} : kRest;
        ASSERT_TRUE(::SetCursorPos(rest.x, rest.y));
        const auto started = std::chrono::steady_clock::now();
        m_saver = std::make_unique<ChildProcess>(copy.Path(), L"/s");
        ASSERT_TRUE(m_saver->Started());
        HWND onPrimary = nullptr, onSecond = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            onPrimary = coveredBy(primary);
            onSecond = coveredBy(second);
            return onPrimary && onSecond && ::GetForegroundWindow() == onPrimary;
        })) << "not a window of its own in front on the primary screen and one over the second monitor";
        EXPECT_TRUE(::GetWindowLongPtrW(onSecond, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_NE(EmblemSeenFromTheCorner(second, started), INT_MIN);
        // Activation passing between its own windows, as when the system moves it.
        ::PostMessageW(onPrimary, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(onSecond));
        ::PostMessageW(onSecond, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(onPrimary));
        EXPECT_FALSE(m_saver->WaitForExit(kLivesOnFor)) << "ended by activation passing between its windows";

        if (ending == Ending::MoveOntoTheSecond) {
            SendAndExpectEnd({input_driver::MoveTo(second.left + rest.x, second.top + rest.y)}, "a move onto the second");
        } else if (ending == Ending::Key) {
            SendAndExpectEnd({input_driver::KeyDown(VK_SPACE), input_driver::KeyUp(VK_SPACE)}, "a key");
        } else {
            // The second monitor moved down, switched off, switched on where it was: each time one
            // window over each monitor, showing the flames from its corner, and none elsewhere.
            const RECT movedDown{second.left, 32, second.right, 800};
            const struct {
                const wchar_t* xrandr;
                std::optional<RECT> secondMonitor;
            } layouts[] = {{L"--output DUMMY1 --pos 1280x32", movedDown},
                           {L"--output DUMMY1 --off", std::nullopt},
                           {L"--output DUMMY1 --mode 1024x768 --pos 1280x0", second}};
            for (const auto& layout : layouts) {
                SCOPED_TRACE(layout.xrandr);
                ASSERT_TRUE(Xrandr(layout.xrandr));
                // Wine 8 takes the new layout in but tells no window: the test does, as the
                // system would, once it sees the monitors as laid out.
                ASSERT_TRUE(WaitFor([&] {
                    MONITORINFO now{sizeof now, {}, {}, 0};
                    const HMONITOR onTheRight = ::MonitorFromPoint({1500, 400}, MONITOR_DEFAULTTONULL);
                    return layout.secondMonitor ? onTheRight && ::GetMonitorInfoW(onTheRight, &now) &&
                                                      ::EqualRect(&now.rcMonitor, &*layout.secondMonitor)
                                                : ::GetSystemMetrics(SM_CMONITORS) == 1;
                })) << "the system does not report the monitors as laid out";
                for (HWND window : m_saver->TopLevelWindows())
                    ::PostMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.right, primary.bottom));
                EXPECT_TRUE(WaitFor([&] {
                    return visibleWindows() == (layout.secondMonitor ? 2 : 1) && coveredBy(primary) &&
                           (!layout.secondMonitor || (onSecond = coveredBy(*layout.secondMonitor)) != nullptr);
                })) << ::GetSystemMetrics(SM_CMONITORS) << " monitors; the saver's windows shown: " << Describe(m_saver->TopLevelWindows());
                if (layout.secondMonitor) {
                    ASSERT_NO_FATAL_FAILURE(WaitUntilAnimating(*layout.secondMonitor));
                }
            }
            const auto posted = std::chrono::steady_clock::now();
            ::PostMessageW(onSecond, WM_CLOSE, 0, 0);
            ExpectEndsSoonAfter(posted, "a close of the second monitor's window");
        }
        EXPECT_FALSE(coveredBy(primary) || coveredBy(second)) << "a window left on a monitor";
    }
}

}  // namespace
