// The animation window in this process, inside a host window of the test's own: every tick is
// driven by sending the timer message, and both the off-screen frame and the pixels the window
// shows are compared, pixel by pixel, with the independent model in FrameModel.
#include "AnimationWndProbe.h"
#include "FrameModel.h"
#include "HostWindow.h"
#include "TestSupport.h"

#include "animation/AnimationWnd.h"
#include "framework/Dpi.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

#include <gtest/gtest.h>

#include <versionhelpers.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

// The C++ heap gives no block larger than g_largestBlock: a test lowers it to run out of memory.
std::size_t g_largestBlock = SIZE_MAX;
void* operator new(std::size_t size)
{
    void* block = size <= g_largestBlock ? ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1) : nullptr;
    return block ? block : throw std::bad_alloc();
}
void operator delete(void* block) noexcept { block && ::HeapFree(::GetProcessHeap(), 0, block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
namespace {

using namespace std::chrono_literals;
using frame_model::Image;
using testing_support::CaptureClient;
using testing_support::HostWindow;
using testing_support::ReadPixels;

constexpr wchar_t kAppName[] = L"BrimstarAnimationFrameTest";
constexpr wchar_t kCompany[] = L"Tarnwick Inc.";
constexpr UINT_PTR kAnimationTimer = 1;

DWORD GdiObjects()  // of this process; Wine answers GetGuiResources with 0, so then its table is walked
{
    DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    for (ULONG_PTR index = count ? 0x10000 : 1; index <= 0xFFFF; ++index)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
    return count;
}
int g_refusedBuffers = 0;

std::string Hex(COLORREF colour)
{
    std::ostringstream text;
    text << "0x" << std::hex << colour;
    return text.str();
}

::testing::AssertionResult SamePicture(const char* what, const Image& expected, const std::vector<COLORREF>& actual,
                                       int width, int height)
{
    if (width != expected.width || height != expected.height)
        return ::testing::AssertionFailure() << what << " is " << width << " x " << height << ", expected "
                                             << expected.width << " x " << expected.height;
    std::size_t differing = 0;
    std::ostringstream first;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF got = actual[static_cast<std::size_t>(y) * width + x];
            if (got != expected.At(x, y) && differing++ < 5)
                first << " (" << x << ", " << y << "): expected " << Hex(expected.At(x, y)) << ", got " << Hex(got)
                      << ";";
        }
    if (differing == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": " << differing << " of " << expected.pixels.size()
                                         << " pixels differ, first at" << first.str();
}

class AnimationWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_artwork = frame_model::LoadArtwork(::GetModuleHandleW(nullptr), s_artworkError);
    }
    static void TearDownTestSuite() { s_scaledArtwork.clear(); s_artwork.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_artwork) << s_artworkError;
        m_app.SetRegistryKey(kCompany);
        testing_support::DeleteStoredSpeed(kAppName);
    }
    void TearDown() override
    {
        m_window.reset();
        m_host.reset();
        testing_support::DeleteStoredSpeed(kAppName);
    }

    // An animation window of width x height at the top left of a host of at least that size.
    // Its timer is stopped, so that only the test's messages tick it, and nothing is painted yet.
    // With a speed the window runs at it; without one it keeps the speed it read when created.
    void Open(int width, int height, std::optional<int> speed, SIZE hostSize = SIZE{0, 0})
    {
        m_window.reset();
        m_host = std::make_unique<HostWindow>(std::max<int>(width, hostSize.cx), std::max<int>(height, hostSize.cy));
        ASSERT_NE(nullptr, m_host->Handle());
        // Let the host come up and be painted before the animation exists.
        ASSERT_TRUE(testing_support::WaitFor([&] { return !::GetUpdateRect(m_host->Handle(), nullptr, FALSE); }));

        m_window = std::make_unique<CAnimationWnd>(FALSE);
        ASSERT_TRUE(m_window->Create(0, WS_CHILD | WS_VISIBLE, RECT{0, 0, width, height}, &m_host->AsParent(), 0,
                                     nullptr));
        ::KillTimer(m_window->m_hWnd, kAnimationTimer);
        if (speed) {
            m_window->SetSpeed(*speed);
            ::KillTimer(m_window->m_hWnd, kAnimationTimer);
        }
        // No message is pumped from here on, so no WM_PAINT can slip in between the ticks unless
        // a test sends one; dropping the pending one keeps a stray UpdateWindow from doing so.
        ::ValidateRect(m_window->m_hWnd, nullptr);
        ASSERT_EQ(0, AnimationWndProbe::FrameCounter(*m_window)) << "the window was painted before the test began";
        // A run in a Wine prefix set to another scale says which; the window must be at it.
        UseDpi(framework::DpiForWindow(Window()));
        if (const char* expected = std::getenv("BRIMSTAR_TEST_DPI")) {
            ASSERT_EQ(static_cast<UINT>(std::atoi(expected)), m_dpi) << "the window is not at the display scale set";
            // So is anything that has no scale of its own, which the system gives as 0.
            ASSERT_EQ(static_cast<UINT>(std::atoi(expected)), framework::DpiForWindow(nullptr));
        }
        m_model = frame_model::State{};
        m_model.speed = AnimationWndProbe::Speed(*m_window);
        m_width = width;
        m_height = height;
    }

    HWND Window() const { return m_window->m_hWnd; }

    // The model draws from now on at dpi, with the artwork enlarged for it.
    void UseDpi(UINT dpi)
    {
        m_dpi = dpi;
        auto scaled = s_scaledArtwork.find(dpi);
        if (dpi != 96 && scaled == s_scaledArtwork.end())
            scaled = s_scaledArtwork.emplace(dpi, frame_model::AtScale(*s_artwork, dpi)).first;
        m_artwork = dpi == 96 ? &*s_artwork : &scaled->second;
    }

    // One tick, in the window and in the model. Returns the frame the model expects to see.
    Image Tick()
    {
        const int frame = frame_model::Tick(m_model, m_width, m_height, m_dpi);
        ::SendMessageW(Window(), WM_TIMER, kAnimationTimer, 0);
        return Compose(frame, true);
    }

    Image Compose(int frame, bool withSprite) const
    {
        return frame_model::Compose(*m_artwork, m_width, m_height, frame,
                                    withSprite ? std::optional<POINT>(POINT{m_model.x, m_model.y}) : std::nullopt);
    }

    void Resize(int width, int height)
    {
        ::SetWindowPos(Window(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_width = width;
        m_height = height;
    }

    ::testing::AssertionResult BackBufferShows(const Image& expected) const
    {
        const HBITMAP buffer = AnimationWndProbe::BackBuffer(*m_window);
        if (!buffer)
            return ::testing::AssertionFailure() << "there is no back buffer";
        const framework::CClientDC screen(nullptr);
        int width = 0;
        int height = 0;
        const std::vector<COLORREF> pixels = ReadPixels(screen.m_hDC, buffer, width, height);
        return SamePicture("back buffer", expected, pixels, width, height);
    }

    ::testing::AssertionResult WindowShows(const Image& expected) const
    {
        int width = 0;
        int height = 0;
        const std::vector<COLORREF> pixels = CaptureClient(Window(), width, height);
        return SamePicture("window", expected, pixels, width, height);
    }

    // The model's sprite position and counter against the window's.
    ::testing::AssertionResult StateAgrees() const
    {
        const std::int32_t x = AnimationWndProbe::X(*m_window);
        const std::int32_t y = AnimationWndProbe::Y(*m_window);
        const std::int32_t counter = AnimationWndProbe::FrameCounter(*m_window);
        if (x == m_model.x && y == m_model.y && counter == m_model.counter)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "window at (" << x << ", " << y << ") counter " << counter << "; model at (" << m_model.x << ", "
               << m_model.y << ") counter " << m_model.counter;
    }

    // A tick and everything it must leave behind.
    void TickAndCheck()
    {
        const Image expected = Tick();
        EXPECT_TRUE(StateAgrees());
        EXPECT_TRUE(BackBufferShows(expected));
        EXPECT_TRUE(WindowShows(expected));
    }

    static std::optional<frame_model::Artwork> s_artwork;
    static std::map<UINT, frame_model::Artwork> s_scaledArtwork;
    static std::string s_artworkError;

    framework::CWinApp m_app{kAppName};
    std::unique_ptr<HostWindow> m_host;
    std::unique_ptr<CAnimationWnd> m_window;
    frame_model::State m_model;
    UINT m_dpi = 96;
    const frame_model::Artwork* m_artwork = nullptr;
    int m_width = 0;
    int m_height = 0;
};

std::optional<frame_model::Artwork> AnimationWindow::s_artwork;
std::map<UINT, frame_model::Artwork> AnimationWindow::s_scaledArtwork;
std::string AnimationWindow::s_artworkError;

// ---- Frames at many sizes, the sprite on its way through them ------------------------------------

struct SizeCase {
    int width;
    int height;
    int speed;
    int ticks;
};

void PrintTo(const SizeCase& size, std::ostream* out)
{
    *out << size.width << " x " << size.height << ", speed " << size.speed << ", " << size.ticks << " ticks";
}

class AnimationSizes : public AnimationWindow, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(AnimationSizes, EveryTickMatchesTheModel)
{
    const SizeCase& size = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open(size.width, size.height, size.speed));
    for (int tick = 1; tick <= size.ticks; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick));
        TickAndCheck();
        if (HasFailure())
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, AnimationSizes,
    ::testing::Values(SizeCase{152, 112, 25, 16},   // the host's small preview
                      SizeCase{100, 80, 30, 12},    // narrower and lower than one tile
                      SizeCase{1, 1, 1, 10},        // a single pixel
                      SizeCase{124, 157, 60, 10},   // exactly one tile
                      SizeCase{125, 158, 60, 10},   // one pixel into the next tiles each way
                      SizeCase{400, 350, 90, 14},   // several tiles and sprite rows, clipped at the bottom
                      SizeCase{400, 300, 300, 8},   // big steps: beyond the right, fully outside, beyond the bottom
                      SizeCase{640, 480, 47, 20}),
    [](const ::testing::TestParamInfo<SizeCase>& info) {
        return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) + "_speed" +
               std::to_string(info.param.speed);
    });

// ---- The sprite cut by each edge --------------------------------------------------------------------

TEST_F(AnimationWindow, SpriteIsClippedAtEachEdgeAndVanishesOutside)
{
    // Positions that leave only the sprite's outermost visible column or row inside an edge.
    const RECT& visible = s_artwork->visibleSprite;
    const int lastColumnOnLeftEdge = -(visible.right - 1);
    const int lastRowOnTopEdge = -(visible.bottom - 1);
    struct Placement {
        int width;
        int height;
        POINT at;
        bool spriteShows;
        const char* where;
    };
    const Placement placements[] = {
        {300, 250, {lastColumnOnLeftEdge, 40}, true, "its last column on the left edge"},
        {300, 250, {-100, 40}, true, "half beyond the left edge"},
        {300, 250, {299 - visible.left, 40}, true, "its first column on the right edge"},
        {300, 250, {200, 40}, true, "half beyond the right edge"},
        {300, 250, {60, lastRowOnTopEdge}, true, "its last row on the top edge"},
        {300, 250, {60, -100}, true, "half beyond the top edge"},
        {300, 250, {60, 249 - visible.top}, true, "its first row on the bottom edge"},
        {300, 250, {60, 150}, true, "half beyond the bottom edge"},
        {300, 250, {-90, -90}, true, "beyond the top left corner"},
        {300, 250, {200, 150}, true, "beyond the bottom right corner"},
        {150, 120, {-20, -30}, true, "beyond all four edges at once"},
        {1, 1, {-94, -94}, true, "its middle on a single pixel"},
        {300, 250, {-187, 40}, false, "one column, all background, inside the left edge"},
        {300, 250, {-188, 40}, false, "just outside the left edge"},
        {300, 250, {60, -188}, false, "just outside the top edge"},
        {300, 250, {-188, -188}, false, "outside the top left corner"},
    };
    for (const Placement& placement : placements) {
        SCOPED_TRACE(placement.where);
        ASSERT_NO_FATAL_FAILURE(Open(placement.width, placement.height, 0));
        AnimationWndProbe::PlaceSprite(*m_window, placement.at.x, placement.at.y);
        m_model.x = placement.at.x;
        m_model.y = placement.at.y;
        // Each case means what it says: the sprite leaves a mark in the model's frame, or none.
        const Image expected = Compose(0, true);
        ASSERT_EQ(placement.spriteShows, expected.pixels != Compose(0, false).pixels);
        TickAndCheck();
    }
}

// ---- Motion and frame order ---------------------------------------------------------------------------

TEST_F(AnimationWindow, MotionWrapsToTheNextRowAndBackToTheTop)
{
    // 100 pixels wide, 100 a tick: the sprite crosses in three ticks after its first pass.
    ASSERT_NO_FATAL_FAILURE(Open(100, 400, 100));
    const POINT expected[] = {{93, -7},  {-188, 161}, {-88, 161}, {12, 161}, {-188, 329},
                              {-88, 329}, {12, 329},  {-188, -7}, {-88, -7}};
    for (const POINT& at : expected) {
        TickAndCheck();
        EXPECT_EQ(at.x, AnimationWndProbe::X(*m_window));
        EXPECT_EQ(at.y, AnimationWndProbe::Y(*m_window));
    }
}

TEST_F(AnimationWindow, SmallPreviewRunsEveryPassAlongTheTop)
{
    // 112 pixels high: one row further down (-7 + 168) is already below, so each pass starts on top.
    ASSERT_NO_FATAL_FAILURE(Open(152, 112, 40));
    int reentries = 0;
    for (int tick = 1; tick <= 30; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick));
        TickAndCheck();
        EXPECT_EQ(-7, AnimationWndProbe::Y(*m_window));
        reentries += AnimationWndProbe::X(*m_window) == -188 ? 1 : 0;
    }
    // From -7: 33, 73, 113, then -188 on tick 4; nine steps of 40 cross again: ticks 13 and 22.
    EXPECT_EQ(3, reentries);
}

TEST_F(AnimationWindow, SpeedZeroKeepsTheSpriteAtItsStart)
{
    ASSERT_NO_FATAL_FAILURE(Open(152, 112, 0));
    for (int tick = 1; tick <= 6; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick));
        TickAndCheck();
        EXPECT_EQ(-7, AnimationWndProbe::X(*m_window));
        EXPECT_EQ(-7, AnimationWndProbe::Y(*m_window));
    }
}

TEST_F(AnimationWindow, TicksShowTheFramesInCounterOrder)
{
    ASSERT_NO_FATAL_FAILURE(Open(152, 112, 0));
    const int expectedFrames[] = {0, 1, 2, 3, 0};
    for (int tick = 0; tick < 5; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick + 1));
        Tick();
        for (int frame = 0; frame < frame_model::kFrameCount; ++frame) {
            const bool shown = WindowShows(Compose(frame, true));
            EXPECT_EQ(frame == expectedFrames[tick], shown) << "frame " << frame;
        }
    }
}

// ---- Other messages -------------------------------------------------------------------------------------

TEST_F(AnimationWindow, WhileTheSessionsDisplayIsOffTicksDrawNothingAndTheFirstAfterShowsWhereTheyGot)
{
    ASSERT_NO_FATAL_FAILURE(Open(300, 250, 40));
    // Windows 8 and later tell of the session's own display, earlier ones only of the monitor's
    // power (Wine 8 answers as Windows 7). No other setting counts, the console's display (off
    // while a remote session watches) least of all.
    const bool session = ::IsWindows8OrGreater();
    std::cout << "[display] watched: " << (session ? "the session's display" : "the monitor's power") << "\n";
    const GUID& watched = session ? testing_support::kSessionDisplayStatus : testing_support::kMonitorPowerOn;
    for (const GUID& other : {testing_support::kConsoleDisplayState, testing_support::kSessionDisplayStatus,
                              testing_support::kMonitorPowerOn}) {
        testing_support::SendDisplayState(Window(), ::IsEqualGUID(other, watched) ? 1 : 0, other);
        TickAndCheck();
    }
    const Image shown = Tick();
    const Image white{300, 250, std::vector<COLORREF>(300 * 250, 0xFFFFFF)};
    testing_support::SendDisplayState(Window(), 0, watched);
    const RECT all{0, 0, 300, 250};
    ::FillRect(framework::CClientDC(Window()).m_hDC, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    for (int tick = 0; tick < 5; ++tick)
        Tick();
    EXPECT_TRUE(StateAgrees());
    EXPECT_TRUE(WindowShows(white)) << "a frame reached the window while the display was off";
    EXPECT_TRUE(BackBufferShows(shown)) << "a frame was composed while the display was off";
    // Back on (a dimmed display is on: still seen).
    testing_support::SendDisplayState(Window(), session ? 2 : 1, watched);
    TickAndCheck();
}

// On the real timer, at one pixel a tick: however busy the machine, the ticks come no faster than
// the period allows.
TEST_F(AnimationWindow, RealTicksComeNoMoreOftenThanEvery125Milliseconds)
{
    ASSERT_NO_FATAL_FAILURE(Open(300, 250, 0));
    const auto started = std::chrono::steady_clock::now();
    m_window->SetSpeed(1);
    ASSERT_TRUE(testing_support::WaitFor([&] { return AnimationWndProbe::X(*m_window) >= -7 + 40; }, 30s));
    const std::chrono::duration<double, std::milli> mean = (std::chrono::steady_clock::now() - started) / 40;
    EXPECT_GE(mean.count(), 124.0) << "ms between ticks, mean of 40";
}

TEST_F(AnimationWindow, AnotherTimerChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Open(152, 112, 25));
    const Image shown = Tick();
    for (const UINT_PTR otherTimer : {UINT_PTR{0}, UINT_PTR{2}, UINT_PTR{0x7FFF}}) {
        SCOPED_TRACE("timer " + std::to_string(otherTimer));
        ::SendMessageW(Window(), WM_TIMER, otherTimer, 0);
        EXPECT_TRUE(StateAgrees());
        EXPECT_TRUE(BackBufferShows(shown));
        EXPECT_TRUE(WindowShows(shown));
    }
    // The next tick carries on as if nothing had come in between.
    TickAndCheck();
}

// An animation whose window could not be made (the settings dialog's preview, say) still has its
// speed set on every move of the bar. Without a window the system would make a thread timer each
// time that nothing ever ends; none may tick before a timer of the test's own, set after them.
TEST(AnimationWithoutAWindow, SetsNoTimer)
{
    CAnimationWnd never(FALSE);
    for (const int speed : {5, 6, 100})
        never.SetSpeed(speed);
    const UINT_PTR ours = ::SetTimer(nullptr, 0, 4 * CAnimationWnd::kTimerPeriod, nullptr);
    ASSERT_NE(ours, 0u);
    int strayTicks = 0;
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            if (msg.wParam == ours)
                break;
            ++strayTicks;
            ::KillTimer(nullptr, msg.wParam);
        }
        ::DispatchMessageW(&msg);
    }
    ::KillTimer(nullptr, ours);
    EXPECT_EQ(msg.wParam, ours);
    EXPECT_EQ(strayTicks, 0);
}

TEST_F(AnimationWindow, PaintShowsTheNextBackgroundWithoutSpriteAndAdvancesTheCounter)
{
    for (const SIZE size : {SIZE{152, 112}, SIZE{400, 350}}) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        ASSERT_NO_FATAL_FAILURE(Open(size.cx, size.cy, 25));
        const Image ticked = Tick();

        ::InvalidateRect(Window(), nullptr, FALSE);
        ::UpdateWindow(Window());  // sends WM_PAINT here and now
        const int painted = frame_model::Paint(m_model);
        ASSERT_EQ(1, painted);
        EXPECT_TRUE(StateAgrees());
        EXPECT_TRUE(WindowShows(Compose(painted, false)));
        EXPECT_TRUE(BackBufferShows(ticked)) << "painting must leave the composed frame alone";

        // The counter moved on with the paint, so this tick shows frame 2.
        TickAndCheck();
        EXPECT_EQ(3, AnimationWndProbe::FrameCounter(*m_window));
    }
}

TEST_F(AnimationWindow, ResizingBetweenTicksGivesWholeFramesOfTheNewSize)
{
    ASSERT_NO_FATAL_FAILURE(Open(152, 112, 35, SIZE{420, 360}));
    TickAndCheck();
    const SIZE sizes[] = {{400, 350}, {400, 80}, {100, 80}, {1, 1}, {300, 200}, {300, 350}, {152, 112}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE("resized to " + std::to_string(size.cx) + " x " + std::to_string(size.cy));
        Resize(size.cx, size.cy);
        ASSERT_TRUE(StateAgrees()) << "resizing must not draw or move anything by itself";
        TickAndCheck();
        TickAndCheck();
    }
    // The system refuses the buffer for a new size: the frames go straight into the window, and
    // the buffer is asked for again once in 8 ticks (a second), on ticks 1, 9 and 17 here.
    Resize(300, 250);
    const DWORD gdiObjects = GdiObjects();
    AnimationWndProbe::MakeBackBuffersWith([](HDC, int, int) { return ++g_refusedBuffers, HBITMAP{}; });
    for (int tick = 1; tick <= 24; ++tick)
        EXPECT_TRUE(WindowShows(Tick())) << "tick " << tick;
    EXPECT_EQ(3, g_refusedBuffers);
    AnimationWndProbe::MakeBackBuffersWith(&::CreateCompatibleBitmap);
    TickAndCheck();
    EXPECT_EQ(gdiObjects, GdiObjects());
}

TEST_F(AnimationWindow, ANewDisplayScaleRedrawsTheArtworkAndTheNextTickShowsIt)
{
    // As when the system moves the window to a monitor of another scale: the picture is drawn at
    // the new one from the next tick on, the sprite where it was in the picture.
    ASSERT_NO_FATAL_FAILURE(Open(400, 350, 45));
    TickAndCheck();
    const UINT first = m_dpi;
    RECT place{};
    ::GetWindowRect(Window(), &place);
    const DWORD gdiObjects = GdiObjects();
    // Far beyond the scales Windows offers is drawn at 500 %, far below at 50 %; a child told of
    // its parent's change takes its own. Out of memory (at once, or once the tiles are made) it is
    // drawn as stored, with nothing left of either scale.
    const struct { UINT message, dpi, drawn; std::size_t largestBlock = 0; } changes[] = {  // block 0: no limit
        {WM_DPICHANGED, 144, 144}, {WM_DPICHANGED, 192, 192}, {WM_DPICHANGED, 120, 120}, {WM_DPICHANGED, 60000, 480},
        {WM_DPICHANGED, 1, 48}, {WM_DPICHANGED, 144, 144}, {WM_DPICHANGED, 192, 96, 1}, {WM_DPICHANGED, 144, 144},
        {WM_DPICHANGED_AFTERPARENT, 0, first}, {WM_DPICHANGED, 192, 96, 1 << 20}, {WM_DPICHANGED, first, first}};
    for (const auto& [message, dpi, drawn, largestBlock] : changes) {
        SCOPED_TRACE("message " + std::to_string(message) + " at " + std::to_string(dpi) + " DPI");
        g_largestBlock = largestBlock ? largestBlock : SIZE_MAX;
        ::SendMessageW(Window(), message, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
        g_largestBlock = SIZE_MAX;
        UseDpi(drawn);
        ASSERT_TRUE(StateAgrees());
        for (int tick = 0; tick < 3; ++tick)
            TickAndCheck();
        EXPECT_EQ(gdiObjects, drawn == first ? GdiObjects() : gdiObjects) << "GDI objects";
    }
}

// ---- The stored speed ------------------------------------------------------------------------------------

TEST_F(AnimationWindow, StoredSpeedIsReadWhenTheWindowIsCreated)
{
    struct Stored {
        const char* what;
        std::optional<DWORD> dword;
        int expectedSpeed;
    };
    const Stored cases[] = {
        {"nothing stored", std::nullopt, 1},
        {"7", DWORD{7}, 7},
        {"-5", static_cast<DWORD>(-5), 10},
        {"0", DWORD{0}, 0},
    };
    for (const Stored& stored : cases) {
        SCOPED_TRACE(stored.what);
        testing_support::DeleteStoredSpeed(kAppName);
        if (stored.dword)
            testing_support::StoreSpeed(kAppName, *stored.dword);
        ASSERT_NO_FATAL_FAILURE(Open(152, 112, std::nullopt));
        EXPECT_EQ(stored.expectedSpeed, AnimationWndProbe::Speed(*m_window));
        TickAndCheck();
        EXPECT_EQ(-7 + stored.expectedSpeed, AnimationWndProbe::X(*m_window));
    }

    // Memory runs out while it is read: no exception goes through the system, the window is made.
    CAnimationWnd starved(FALSE);
    g_largestBlock = 0;
    EXPECT_TRUE(starved.Create(0, WS_CHILD, RECT{0, 0, 10, 10}, &m_host->AsParent(), 0, nullptr));
    g_largestBlock = SIZE_MAX;
    // A value of another type reads as no value at all.
    static const wchar_t text[] = L"7";
    testing_support::StoreSpeedRaw(kAppName, REG_SZ, text, sizeof text);
    ASSERT_NO_FATAL_FAILURE(Open(152, 112, std::nullopt));
    EXPECT_EQ(1, AnimationWndProbe::Speed(*m_window));
    TickAndCheck();
    EXPECT_EQ(-6, AnimationWndProbe::X(*m_window));
}

}  // namespace
