#include "bench/BareFrame.h"

#include "resources/resource.h"

#include <string>

namespace bare {

namespace {

constexpr int kTileWidth = 124;
constexpr int kTileHeight = 157;
constexpr int kSpriteSize = 188;

HBITMAP Load(UINT id)
{
    return ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
}

void Tile(HDC target, HDC frame, int width, int height)
{
    for (int row = 0; row < height; row += kTileHeight)
        for (int column = 0; column < width; column += kTileWidth)
            ::BitBlt(target, column, row, kTileWidth, kTileHeight, frame, 1, 0, SRCCOPY);
}

}  // namespace

Artwork::Artwork()
    : frames{Load(IDB_BACKGROUND0), Load(IDB_BACKGROUND1), Load(IDB_BACKGROUND2), Load(IDB_BACKGROUND3)},
      sprite(Load(IDB_SPRITE)),
      mask(Load(IDB_SPRITE_MASK))
{
}

Artwork::~Artwork()
{
    for (HBITMAP frame : frames)
        ::DeleteObject(frame);
    ::DeleteObject(sprite);
    ::DeleteObject(mask);
}

bool Artwork::Loaded() const
{
    for (HBITMAP frame : frames)
        if (!frame)
            return false;
    return sprite && mask;
}

Animation::~Animation()
{
    ::DeleteObject(m_backBuffer);
}

HBITMAP Animation::NextFrame()
{
    return m_artwork.frames[m_counter++ % 4];
}

void Animation::Move(int width, int height)
{
    m_x += m_speed;
    if (m_x >= width) {
        m_x = -kSpriteSize;
        m_y += 168;
    }
    if (m_y >= height)
        m_y = -7;
}

void Animation::Tick(HWND window)
{
    HDC client = ::GetDC(window);
    RECT area;
    ::GetClientRect(window, &area);
    const int width = area.right;
    const int height = area.bottom;

    HDC frame = ::CreateCompatibleDC(client);
    ::SelectObject(frame, NextFrame());
    Move(width, height);
    HDC sprite = ::CreateCompatibleDC(client);
    ::SelectObject(sprite, m_artwork.sprite);
    HDC buffer = ::CreateCompatibleDC(client);
    if (!m_backBuffer || m_bufferWidth != width || m_bufferHeight != height) {
        ::DeleteObject(m_backBuffer);
        m_backBuffer = ::CreateCompatibleBitmap(client, width, height);
        m_bufferWidth = width;
        m_bufferHeight = height;
    }
    ::SelectObject(buffer, m_backBuffer);

    Tile(buffer, frame, width, height);
    if (m_x > -kSpriteSize && m_x < width && m_y > -kSpriteSize && m_y < height)
        ::MaskBlt(buffer, m_x, m_y, kSpriteSize, kSpriteSize, sprite, 0, 0, m_artwork.mask, 0, 0, 0xCCAA0020);
    ::BitBlt(client, 0, 0, width, height, buffer, 0, 0, SRCCOPY);

    ::DeleteDC(buffer);
    ::DeleteDC(sprite);
    ::DeleteDC(frame);
    ::ReleaseDC(window, client);
}

void Animation::Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC target = ::BeginPaint(window, &paint);
    RECT area;
    ::GetClientRect(window, &area);
    HDC frame = ::CreateCompatibleDC(target);
    ::SelectObject(frame, NextFrame());
    Tile(target, frame, area.right, area.bottom);
    ::DeleteDC(frame);
    ::EndPaint(window, &paint);
}

int StoredSpeed(const wchar_t* appName)
{
    const std::wstring key = std::wstring(L"Software\\Tarnwick Inc.\\") + appName + L"\\Config";
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Speed", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 1;
    const int stored = static_cast<int>(value);
    return stored < 0 ? 10 : stored;
}

}  // namespace bare
