#include "animation/AnimationWnd.h"

#include "animation/ScaledArtwork.h"
#include "app/ScreenSaverApp.h"
#include "framework/Dpi.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstring>

using framework::AfxFindResourceHandle;
using framework::AfxGetApp;

CAnimationWnd::CAnimationWnd(BOOL autoDelete) : m_autoDelete(autoDelete)
{
    static constexpr UINT kArtwork[] = {IDB_BACKGROUND0, IDB_BACKGROUND1, IDB_BACKGROUND2,
                                        IDB_BACKGROUND3, IDB_SPRITE,      IDB_SPRITE_MASK};
    for (std::size_t i = 0; i < m_bitmaps.size(); ++i)
        m_bitmaps[i].LoadBitmap(AfxFindResourceHandle(MAKEINTRESOURCEW(kArtwork[i]), RT_BITMAP), kArtwork[i]);
}

CAnimationWnd::~CAnimationWnd()
{
    m_backBuffer.DeleteObject();
    for (auto& bitmap : m_bitmaps)
        bitmap.DeleteObject();
    for (auto& bitmap : m_scaledBitmaps)
        bitmap.DeleteObject();
}

BOOL CAnimationWnd::Create(DWORD exStyle, DWORD style, const RECT& rect, framework::CWnd* parentWnd, UINT,
                           framework::CCreateContext*)
{
    // One class for every animation window: no background brush, since each frame covers the
    // whole area, and a transparent pointer.
    static LPCWSTR className = framework::AfxRegisterWndClass(
        CS_VREDRAW | CS_HREDRAW,
        ::LoadCursorW(AfxFindResourceHandle(MAKEINTRESOURCEW(IDC_BLANK_CURSOR), RT_GROUP_CURSOR),
                      MAKEINTRESOURCEW(IDC_BLANK_CURSOR)));
    return CreateEx(exStyle, className, L"", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parentWnd ? parentWnd->m_hWnd : nullptr, nullptr, nullptr);
}

void CAnimationWnd::SetSpeed(int speed)
{
    m_speed = speed;
    KillTimer(kTimerId);
    SetTimer(kTimerId, kTimerPeriod, nullptr);
}

void CAnimationWnd::PostNcDestroy()
{
    if (m_autoDelete)
        delete this;
}

int CAnimationWnd::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1)
        return -1;
    UseDpi(framework::DpiForWindow(m_hWnd));
    const int stored = AfxGetApp() ? AfxGetApp()->GetProfileInt(kConfigSection, kSpeedEntry, 1) : 1;
    SetSpeed(motion::SpeedFromSetting(stored));
    WatchDisplay();
    return 0;
}

void CAnimationWnd::WatchDisplay()
{
    // Should the system refuse it, the window simply draws all the time.
    m_displayNotification.Register(m_hWnd, framework::DisplayStateSetting());
}

void CAnimationWnd::OnDestroy()
{
    m_displayNotification.Unregister();
    Default();
}

BOOL CAnimationWnd::OnPowerBroadcast(UINT event, LPARAM data)
{
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
    if (event != PBT_POWERSETTINGCHANGE || !setting)
        return static_cast<BOOL>(Default());
    // Only the display the window asked about: the console's may be off while a remote session
    // watches.
    if (m_displayNotification.IsFor(setting->PowerSetting) && setting->DataLength >= sizeof(DWORD)) {
        DWORD state = 0;
        std::memcpy(&state, setting->Data, sizeof state);
        // A dimmed display is still seen.
        m_displayOff = state == 0;
    }
    return TRUE;
}

void CAnimationWnd::UseDpi(UINT dpi)
{
    // Windows offers 100 % to 500 %; anything far beyond, from a stray message, is held in
    // bounds rather than allowed to ask for bitmaps larger than memory.
    dpi = std::clamp(dpi, scale::kDesignDpi / 2, scale::kDesignDpi * 5);
    if (dpi == m_dpi)
        return;
    if (dpi == scale::kDesignDpi) {
        // The artwork redrawn for the last scale is drawn no more.
        for (auto& bitmap : m_scaledBitmaps)
            bitmap.DeleteObject();
    } else if (ScaleArtwork(m_bitmaps, dpi, m_scaledBitmaps)) {
        m_dpi = dpi;
        m_geometry = compose::ScaledGeometry(dpi);
        return;
    }
    // Should the artwork fail to scale (it leaves nothing behind), the picture is drawn as
    // stored: smaller, but whole.
    m_dpi = scale::kDesignDpi;
    m_geometry = compose::kStoredGeometry;
}

void CAnimationWnd::OnDpiChanged(UINT dpi, const RECT*)
{
    // The window keeps covering what it was made to cover (a monitor, a host's pane), whatever
    // place the system suggests; only the picture follows the new scale.
    UseDpi(dpi);
}

void CAnimationWnd::OnDpiChangedAfterParent()
{
    // A child learns its new scale only from its window: the message carries none.
    UseDpi(framework::DpiForWindow(m_hWnd));
}

void CAnimationWnd::OnTimer(UINT_PTR id)
{
    if (id == kTimerId)
        Tick();
    else
        Default();
}

const framework::CBitmap& CAnimationWnd::NextBackground()
{
    const framework::CBitmap& frame = Artwork(motion::FrameIndex(m_frameCounter));
    m_frameCounter = motion::WrappingAdd(m_frameCounter, 1);
    return frame;
}

void CAnimationWnd::Tick()
{
    RECT area{};
    GetClientRect(&area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;

    // The animation keeps its place while the display is off, so that the first tick after it
    // comes back shows the frame it would have shown anyway. It moves in the 96-DPI picture's
    // pixels, across as many of them as it takes to reach the window's edges.
    const framework::CBitmap& frame = NextBackground();
    const motion::SpritePosition moved = motion::Advance({m_x, m_y}, m_speed, scale::ToUnits(width, m_dpi),
                                                         scale::ToUnits(height, m_dpi));
    m_x = moved.x;
    m_y = moved.y;
    if (m_displayOff)
        return;

    framework::CClientDC client(m_hWnd);
    framework::CDC background;
    background.CreateCompatibleDC(client);
    background.SelectObject(frame);

    framework::CDC sprite;
    sprite.CreateCompatibleDC(client);
    sprite.SelectObject(Artwork(4));
    framework::CDC maskPicture;
    if (m_geometry.cutOut) {
        maskPicture.CreateCompatibleDC(client);
        maskPicture.SelectObject(Artwork(5));
    }

    const int spriteX = scale::ToPixels(m_x, m_dpi);
    const int spriteY = scale::ToPixels(m_y, m_dpi);
    const int spriteSize = m_geometry.spriteSize;
    // A sprite wholly outside the frame draws nothing; skipping it also keeps far-off coordinates
    // away from the blitter.
    const bool spriteShows = spriteX > -spriteSize && spriteX < width && spriteY > -spriteSize && spriteY < height;
    const auto composeInto = [&](const auto& target) {
        compose::TileBackground(target, background, width, height, m_geometry);
        if (spriteShows)
            compose::DrawSprite(target, spriteX, spriteY, sprite, Artwork(5), maskPicture, m_geometry);
    };

    framework::CDC buffer;
    if (BackBufferReady(background, width, height) && buffer.CreateCompatibleDC(client) &&
        buffer.SelectObject(m_backBuffer)) {
        composeInto(buffer);
        client.BitBlt(0, 0, width, height, buffer, 0, 0, SRCCOPY);
    } else {
        // Without a buffer the frame goes straight to the window, flames first: a little flicker
        // rather than a frozen or garbled picture, and never the memory context's own 1 x 1 bitmap.
        composeInto(client);
    }
}

bool CAnimationWnd::BackBufferReady(const framework::CDC& like, int width, int height)
{
    // The buffer follows the client area, so a new screen size never shows a stale frame.
    if (m_backBuffer && m_backBufferSize.cx == width && m_backBufferSize.cy == height)
        return true;
    if (m_ticksUntilBufferTry > 0) {
        --m_ticksUntilBufferTry;
        return false;
    }
    // The old buffer goes first, so that its memory is there for the new one.
    m_backBuffer.DeleteObject();
    if (!m_backBuffer.Attach(s_createBackBuffer(like.m_hDC, width, height))) {
        m_ticksUntilBufferTry = kTicksBetweenBufferTries - 1;
        return false;
    }
    m_backBufferSize = SIZE{width, height};
    return true;
}

void CAnimationWnd::OnPaint()
{
    framework::CPaintDC paint(m_hWnd);
    RECT area{};
    GetClientRect(&area);
    framework::CDC background;
    background.CreateCompatibleDC(paint);
    background.SelectObject(NextBackground());
    compose::TileBackground(paint, background, area.right - area.left, area.bottom - area.top, m_geometry);
}

CAnimationWnd* StartPreview(framework::CWnd* parent)
{
    auto* preview = new CAnimationWnd(TRUE);
    // Every window of one tree has one DPI awareness, and the host's, in a program of its own,
    // need not be ours: the host is measured and the preview made in the host's. The preview
    // then draws at the scale its window reports, and everything else here keeps ours.
    const framework::CThreadDpiAwareness hostsAwareness(framework::DpiAwarenessOfWindow(parent->m_hWnd));
    RECT area{};
    parent->GetClientRect(&area);
    // A failed creation has already deleted the self-deleting window object.
    return preview->Create(0, WS_CHILD | WS_VISIBLE, area, parent, 0, nullptr) ? preview : nullptr;
}
