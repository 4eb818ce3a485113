// The saver window in this process: which messages end it and which it lives through.
//
// Every decision is checked the moment the handler returns: a closing message must leave a
// WM_CLOSE in the queue (posted, never sent, so the window is still there), any other must leave
// none. Messages are sent straight to the window procedure, and the queue is not pumped between
// a message and its check, so nothing the system queues meanwhile can blur the result. When a
// test does pump, the pointer stands where the test expects the first move: the system's own
// move at the window's appearance then lands on the position the test works with.
#include "InputDriver.h"
#include "TestSupport.h"

#include "animation/FullScreenWnd.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <type_traits>
#include <string>
#include <vector>

// Reads the first pointer position the saver has recorded.
class FullScreenWndProbe {
public:
    static std::optional<POINT> FirstPosition(const CFullScreenWnd& window) { return window.m_lastMouse; }
};

// A saver that records the messages reaching its default processing: Windows relies on that of
// activation, while under Wine a captionless popup looks and behaves the same without it.
class DefaultProcessingProbe : public CFullScreenWnd {
public:
    std::vector<UINT> passedOn;

protected:
    LRESULT DefaultProcessing(const framework::Message& m) override
    {
        passedOn.push_back(m.id);
        return CFullScreenWnd::DefaultProcessing(m);
    }
};

// Points compare and print by value (found through their own, global, namespace).
bool operator==(POINT a, POINT b)
{
    return a.x == b.x && a.y == b.y;
}

void PrintTo(POINT p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ")";
}

namespace {

using namespace std::chrono_literals;
using testing_support::WaitFor;

constexpr wchar_t kAppName[] = L"BrimstarFullScreenWndTest";
constexpr wchar_t kCompany[] = L"Tarnwick Inc.";
// Where the pointer waits while a saver is up; the window covers the screen from (0, 0), so
// this is also the client position of the system's own move.
constexpr POINT kPointer{640, 360};

struct WindowDestroyer {
    void operator()(HWND hWnd) const { ::DestroyWindow(hWnd); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// The position word pair a mouse message carries, as the system builds it (32 bits, the upper
// half of a 64-bit LPARAM clear).
LPARAM At(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// The same pair, widened with its sign: only the low 32 bits carry the position.
LPARAM SignExtendedAt(int x, int y)
{
    return static_cast<LPARAM>(static_cast<LONG>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y))));
}

class FullScreenWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.SetRegistryKey(kCompany);
        ::SetCursorPos(kPointer.x, kPointer.y);
        ASSERT_EQ(input_driver::PointerPosition(), kPointer);
    }

    void TearDown() override
    {
        if (::IsWindow(m_hWnd))
            ::DestroyWindow(m_hWnd);
        // The saver's quit message and any close still queued must not reach the next test.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }

    // Shows a saver. Nothing of its start may already have decided to close it.
    void StartSaver()
    {
        m_saver = new DefaultProcessingProbe;
        ASSERT_TRUE(m_saver->CreateFullScreen());
        m_hWnd = m_saver->m_hWnd;
        ASSERT_TRUE(::IsWindow(m_hWnd));
        ASSERT_FALSE(ClosePosted()) << "closing as it starts";
    }

    std::optional<POINT> FirstPosition() const { return FullScreenWndProbe::FirstPosition(*m_saver); }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }

    // A WM_CLOSE for the saver waits in the queue.
    bool ClosePosted() const
    {
        MSG msg;
        return ::PeekMessageW(&msg, m_hWnd, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
    }

    // Runs the queue until the thread is told to quit; the quit message's code, if it came.
    static std::optional<WPARAM> PumpUntilQuit(std::chrono::milliseconds deadline = 10s)
    {
        std::optional<WPARAM> exitCode;
        PumpUntil([&](const MSG& msg) {
            if (msg.message == WM_QUIT)
                exitCode = msg.wParam;
            return exitCode.has_value();
        }, deadline);
        return exitCode;
    }

    // Runs the queue until the saver has been given message through it (as input is); false
    // when it never came.
    bool PumpUntilDelivered(UINT message, std::chrono::milliseconds deadline = 10s)
    {
        return PumpUntil([&](const MSG& msg) { return msg.hwnd == m_hWnd && msg.message == message; }, deadline);
    }

    // Takes the queue's messages one by one, each dispatched (but the quit message) and then
    // shown to done, until done says so; false when the deadline passed first. testing_support's
    // WaitFor cannot serve here: it swallows the quit message.
    template <class Done>
    static bool PumpUntil(Done done, std::chrono::milliseconds deadline)
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        for (;;) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message != WM_QUIT) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageW(&msg);
                }
                if (done(msg))
                    return true;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= end)
                return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

    // The close that was posted runs its course: the window goes and the loop is told to end
    // with code 0.
    void ExpectClosesCleanly()
    {
        const std::optional<WPARAM> exitCode = PumpUntilQuit();
        ASSERT_TRUE(exitCode.has_value()) << "no quit message";
        EXPECT_EQ(*exitCode, 0u);
        EXPECT_FALSE(::IsWindow(m_hWnd));
    }

    framework::CWinApp m_app{kAppName};
    DefaultProcessingProbe* m_saver = nullptr;  // deletes itself with its window
    HWND m_hWnd = nullptr;
};

// --- Appearance -------------------------------------------------------------------------------

TEST_F(FullScreenWndTest, CoversThePrimaryScreenAsABorderlessTopmostPopupInFront)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);

    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(window.right, width);
    EXPECT_EQ(window.bottom, height);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, height);

    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_BORDER);
    EXPECT_FALSE(style & WS_DLGFRAME);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_SYSMENU);
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(::IsWindowVisible(m_hWnd));

    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == m_hWnd; }));
    EXPECT_FALSE(ClosePosted()) << "becoming the foreground window ended it";

    // A display change whose size is in other units than this process's own (as the system gives
    // it to a process it scales) still leaves the saver covering the screen as the metrics give it.
    Send(WM_DISPLAYCHANGE, 32, MAKELPARAM(width / 2, height / 2));
    ::GetWindowRect(m_hWnd, &window);
    EXPECT_EQ(window.right, width);
    EXPECT_EQ(window.bottom, height);
    // So does a new display scale, whatever place the system suggests for it.
    const RECT halfSize{0, 0, width / 2, height / 2};
    Send(WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&halfSize));
    ::GetWindowRect(m_hWnd, &window);
    EXPECT_EQ(window.right, width);
    EXPECT_EQ(window.bottom, height);
}

TEST_F(FullScreenWndTest, ItsClassCursorIsTheBlankResourceAndDrawsNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    const auto classCursor = reinterpret_cast<HCURSOR>(::GetClassLongPtrW(m_hWnd, GCLP_HCURSOR));
    ASSERT_NE(classCursor, nullptr);
    EXPECT_EQ(classCursor, ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_BLANK_CURSOR)));

    // Drawn over mid grey, any opaque, black, white or inverting pixel would change the grey.
    constexpr int kSide = 64;
    constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
    framework::CClientDC screen(nullptr);
    framework::CBitmap canvas;
    canvas.CreateCompatibleBitmap(screen.m_hDC, kSide, kSide);
    {
        framework::CDC memory;
        memory.CreateCompatibleDC(screen);
        memory.SelectObject(canvas);
        ::SetDCBrushColor(memory.m_hDC, kGrey);
        const RECT all{0, 0, kSide, kSide};
        ::FillRect(memory.m_hDC, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        EXPECT_TRUE(::DrawIconEx(memory.m_hDC, 0, 0, classCursor, 0, 0, 0, nullptr, DI_NORMAL));
    }  // the canvas is deselected before it is read
    int width = 0;
    int height = 0;
    const std::vector<COLORREF> pixels = testing_support::ReadPixels(screen.m_hDC, canvas.GetSafeHandle(), width, height);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(kSide * kSide));

    int changed = 0;
    for (COLORREF p : pixels)
        changed += p != 0x808080;  // read back as 0x00RRGGBB
    EXPECT_EQ(changed, 0) << "pixels of the cursor that show";
}

TEST_F(FullScreenWndTest, SetCursorHidesThePointerAndReportsItHandled)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    ::SetCursor(arrow);
    ASSERT_EQ(::GetCursor(), arrow);

    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(::GetCursor(), nullptr);
    EXPECT_FALSE(ClosePosted());
}

// --- The pointer's first position -------------------------------------------------------------

TEST_F(FullScreenWndTest, TheSystemsMoveAtItsAppearanceIsOnlyRecorded)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    ASSERT_FALSE(FirstPosition());
    ASSERT_TRUE(WaitFor([&] { return FirstPosition().has_value(); }))
        << "no pointer move came with the window";
    EXPECT_EQ(FirstPosition(), kPointer);
    EXPECT_FALSE(ClosePosted());
    EXPECT_TRUE(::IsWindow(m_hWnd));

    Send(WM_MOUSEMOVE, 0, At(kPointer.x, kPointer.y + 1));
    EXPECT_TRUE(ClosePosted());
}

struct MoveSequence {
    const char* name;
    std::vector<LPARAM> moves;
    POINT firstPosition;  // as the saver must record it
    int firstClosingMove;  // index into moves; -1 for none
};

void PrintTo(const MoveSequence& sequence, std::ostream* os)
{
    *os << sequence.name;
}

class PointerMoves : public FullScreenWndTest, public ::testing::WithParamInterface<MoveSequence> {};

TEST_P(PointerMoves, CloseExactlyWhenThePointerLeavesItsFirstPosition)
{
    const MoveSequence& sequence = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    // The window has seen no move yet, the system's own included: it is still queued, if any.
    ASSERT_FALSE(FirstPosition());

    for (std::size_t i = 0; i < sequence.moves.size(); ++i) {
        Send(WM_MOUSEMOVE, 0, sequence.moves[i]);
        if (i == 0) {
            EXPECT_EQ(FirstPosition(), sequence.firstPosition);
        }
        const bool shouldHaveClosed =
            sequence.firstClosingMove >= 0 && static_cast<int>(i) >= sequence.firstClosingMove;
        ASSERT_EQ(ClosePosted(), shouldHaveClosed) << "after move " << i;
        ASSERT_TRUE(::IsWindow(m_hWnd)) << "closed under its own handler";
    }
    if (sequence.firstClosingMove >= 0) {
        ExpectClosesCleanly();
    }
}

const MoveSequence kMoveSequences[] = {
    {"FirstMoveOnly", {At(100, 200)}, {100, 200}, -1},
    {"BackAtTheFirstPositionAgainAndAgain", {At(100, 200), At(100, 200), At(100, 200)}, {100, 200}, -1},
    {"OnePixelRight", {At(100, 200), At(101, 200)}, {100, 200}, 1},
    {"OnePixelLeft", {At(100, 200), At(99, 200)}, {100, 200}, 1},
    {"OnePixelDown", {At(100, 200), At(100, 201)}, {100, 200}, 1},
    {"OnePixelUp", {At(100, 200), At(100, 199)}, {100, 200}, 1},
    {"AwayAfterStayingPut", {At(100, 200), At(100, 200), At(100, 200), At(103, 202)}, {100, 200}, 3},
    {"AwayAndBack", {At(100, 200), At(300, 300), At(100, 200)}, {100, 200}, 1},
    {"OriginIsAPosition", {At(0, 0), At(0, 0), At(1, 0)}, {0, 0}, 2},
    {"BottomRightPixel", {At(1919, 1079), At(1919, 1079), At(1919, 1078)}, {1919, 1079}, 2},
    {"NegativePosition", {At(-5, -3), At(-5, -3)}, {-5, -3}, -1},
    {"NegativePositionWidenedWithItsSign", {At(-5, -3), SignExtendedAt(-5, -3)}, {-5, -3}, -1},
    {"NegativeOnePixelDown", {At(-5, -3), At(-5, -2)}, {-5, -3}, 1},
    {"NegativeXOnly", {At(-5, 3), At(-5, 3), At(-4, 3)}, {-5, 3}, 2},
    {"MostNegative", {At(-32768, -32768), At(-32768, -32768), At(32767, -32768)}, {-32768, -32768}, 2},
    // With a monitor left of and above the primary screen these are real places like any other.
    {"StartsAtMinusOneMinusOne", {At(-1, -1), At(-1, -1), At(0, -1)}, {-1, -1}, 2},
    {"StartsAtMinusOneX", {At(-1, 5), At(-1, 6)}, {-1, 5}, 1},
};

INSTANTIATE_TEST_SUITE_P(FullScreenWnd, PointerMoves, ::testing::ValuesIn(kMoveSequences),
                         [](const ::testing::TestParamInfo<MoveSequence>& info) { return info.param.name; });

// --- Every other message ----------------------------------------------------------------------

struct Decision {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool closes;
};

void PrintTo(const Decision& decision, std::ostream* os)
{
    *os << decision.name;
}

class Messages : public FullScreenWndTest, public ::testing::WithParamInterface<Decision> {};

TEST_P(Messages, CloseOnlyOnUserInputOrLosingActivation)
{
    const Decision& decision = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    // The display's state has no say in what ends the saver: here it is off, elsewhere on.
    testing_support::SendDisplayState(m_hWnd, 0);
    m_saver->passedOn.clear();
    Send(decision.message, decision.wParam, decision.lParam);
    EXPECT_TRUE(::IsWindow(m_hWnd)) << "the window went inside the handler";
    // All but being drawn inactive and the commands the saver ignores are passed on.
    const bool keptBack = decision.message == WM_SYSCOMMAND || (decision.message == WM_NCACTIVATE && !decision.wParam);
    const auto& passedOn = m_saver->passedOn;
    EXPECT_EQ(std::find(passedOn.begin(), passedOn.end(), decision.message) != passedOn.end(), !keptBack);
    ASSERT_EQ(ClosePosted(), decision.closes);
    if (decision.closes) {
        ExpectClosesCleanly();
    }
}

// The key messages' flags: repeat count 1, the key's scan code, and for the system key the
// "Alt held" context bit.
constexpr LPARAM kKeyDown = 0x00000001;
constexpr LPARAM kKeyUp = static_cast<LPARAM>(0xC0000001u);
constexpr LPARAM kAltDown = 0x20380001;
constexpr LPARAM kAltUp = static_cast<LPARAM>(0xC0380001u);

const Decision kDecisions[] = {
    {"LeftButtonDown", WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10), true},
    {"MiddleButtonDown", WM_MBUTTONDOWN, MK_MBUTTON, At(10, 10), true},
    {"RightButtonDown", WM_RBUTTONDOWN, MK_RBUTTON, At(10, 10), true},
    {"KeyDown", WM_KEYDOWN, 'A', kKeyDown, true},
    {"ShiftDown", WM_KEYDOWN, VK_SHIFT, kKeyDown, true},
    {"AltDown", WM_SYSKEYDOWN, VK_MENU, kAltDown, true},
    {"Deactivated", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0, true},
    {"DeactivatedWhileMinimized", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, true},
    {"ApplicationDeactivated", WM_ACTIVATEAPP, FALSE, 0, true},

    {"LeftButtonUp", WM_LBUTTONUP, 0, At(10, 10), false},
    {"MiddleButtonUp", WM_MBUTTONUP, 0, At(10, 10), false},
    {"RightButtonUp", WM_RBUTTONUP, 0, At(10, 10), false},
    {"WheelForward", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), At(10, 10), false},
    {"WheelBack", WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), At(10, 10), false},
    {"WheelTilt", WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), At(10, 10), false},
    {"KeyUp", WM_KEYUP, 'A', kKeyUp, false},
    {"AltUp", WM_SYSKEYUP, VK_MENU, kAltUp, false},
    {"Activated", WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, false},
    {"ActivatedByClick", WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), 0, false},
    {"ApplicationActivated", WM_ACTIVATEAPP, TRUE, 0, false},
    {"ScreenSaveCommand", WM_SYSCOMMAND, SC_SCREENSAVE, 0, false},
    {"CloseCommand", WM_SYSCOMMAND, SC_CLOSE, 0, false},
    {"NonClientDeactivated", WM_NCACTIVATE, FALSE, 0, false},
    {"NonClientActivated", WM_NCACTIVATE, TRUE, 0, false},
};

INSTANTIATE_TEST_SUITE_P(FullScreenWnd, Messages, ::testing::ValuesIn(kDecisions),
                         [](const ::testing::TestParamInfo<Decision>& info) { return info.param.name; });

TEST_F(FullScreenWndTest, RefusesToBeDrawnInactive)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    EXPECT_EQ(Send(WM_NCACTIVATE, FALSE, 0), FALSE);
    EXPECT_NE(Send(WM_NCACTIVATE, TRUE, 0), FALSE);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(FullScreenWndTest, OnlyTheExactCloseCommandIsIgnored)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(::IsWindow(m_hWnd));
    ASSERT_FALSE(ClosePosted());

    // With a low bit set the command is no longer the one the saver ignores: the default
    // processing closes the window at once.
    Send(WM_SYSCOMMAND, SC_CLOSE | 1, 0);
    EXPECT_FALSE(::IsWindow(m_hWnd));
    const std::optional<WPARAM> exitCode = PumpUntilQuit();
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u);
}

// --- Real activation and input through the system -----------------------------------------

TEST_F(FullScreenWndTest, ActivatingAnotherWindowEndsIt)
{
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == m_hWnd; }));
    ASSERT_FALSE(ClosePosted());

    const UniqueWindow other(::CreateWindowExW(0, L"STATIC", L"Another window", WS_POPUP | WS_VISIBLE, 50, 50,
                                               200, 100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(other, nullptr);
    ::SetForegroundWindow(other.get());
    EXPECT_TRUE(ClosePosted());
    ExpectClosesCleanly();
}

struct RealInput {
    const char* name;
    std::vector<INPUT> events;
    UINT delivered;  // the message the saver must be given
    bool closes;
    std::vector<INPUT> release;  // puts the keyboard and buttons back as they were
};

void PrintTo(const RealInput& input, std::ostream* os)
{
    *os << input.name;
}

class SystemInput : public FullScreenWndTest, public ::testing::WithParamInterface<RealInput> {};

TEST_P(SystemInput, ReachesTheSaverAndDecidesLikeTheMessage)
{
    const RealInput& input = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartSaver());
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == m_hWnd; }));
    // The system's move at the window's appearance, at the pointer, has been recorded.
    ASSERT_TRUE(WaitFor([&] { return FirstPosition() == kPointer; }));
    ASSERT_FALSE(ClosePosted());

    ASSERT_TRUE(input_driver::Send(input.events));
    const bool delivered = PumpUntilDelivered(input.delivered);
    EXPECT_TRUE(delivered) << "the input never reached the saver";
    if (delivered) {
        EXPECT_EQ(ClosePosted(), input.closes);
        if (input.closes) {
            ExpectClosesCleanly();
        }
    }
    input_driver::Send(input.release);
}

using input_driver::Button;

const RealInput kRealInputs[] = {
    {"PointerMovedOnePixel", {input_driver::MoveTo(kPointer.x + 1, kPointer.y)}, WM_MOUSEMOVE, true, {}},
    {"LeftClick", {input_driver::ButtonDown(Button::Left)}, WM_LBUTTONDOWN, true,
     {input_driver::ButtonUp(Button::Left)}},
    {"KeyPressed", {input_driver::KeyDown('A')}, WM_KEYDOWN, true, {input_driver::KeyUp('A')}},
    {"AltPressed", {input_driver::KeyDown(VK_MENU)}, WM_SYSKEYDOWN, true, {input_driver::KeyUp(VK_MENU)}},
    {"LeftReleased", {input_driver::ButtonUp(Button::Left)}, WM_LBUTTONUP, false, {}},
    {"RightReleased", {input_driver::ButtonUp(Button::Right)}, WM_RBUTTONUP, false, {}},
    {"WheelTurned", {input_driver::Wheel(WHEEL_DELTA)}, WM_MOUSEWHEEL, false, {}},
    {"KeyReleased", {input_driver::KeyUp('A')}, WM_KEYUP, false, {}},
};

INSTANTIATE_TEST_SUITE_P(FullScreenWnd, SystemInput, ::testing::ValuesIn(kRealInputs),
                         [](const ::testing::TestParamInfo<RealInput>& info) { return info.param.name; });

}  // namespace
