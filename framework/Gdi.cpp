#include "framework/Gdi.h"

namespace framework {

BOOL CBitmap::LoadBitmap(HINSTANCE module, UINT id)
{
    return Attach(::LoadBitmapW(module, MAKEINTRESOURCEW(id)));
}

BOOL CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc, width, height));
}

BOOL CBitmap::Attach(HBITMAP bitmap)
{
    DeleteObject();
    m_hBitmap = bitmap;
    return bitmap != nullptr;
}

BOOL CBitmap::DeleteObject()
{
    if (!m_hBitmap)
        return FALSE;
    const BOOL deleted = ::DeleteObject(m_hBitmap);
    m_hBitmap = nullptr;
    return deleted;
}

namespace {

// The layout both directions use: 32 bits a pixel, top row first, blue in the lowest byte.
BITMAPINFO TopDownRgb(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

BOOL CBitmap::CreateFromPixels(int width, int height, const std::vector<std::uint32_t>& pixels)
{
    DeleteObject();
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height)
        return FALSE;
    const CClientDC screen(nullptr);  // the screen's own context
    if (!Attach(::CreateCompatibleBitmap(screen.m_hDC, width, height)))
        return FALSE;
    const BITMAPINFO info = TopDownRgb(width, height);
    if (::SetDIBits(screen.m_hDC, m_hBitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) {
        DeleteObject();
        return FALSE;
    }
    return TRUE;
}

BOOL CBitmap::CreateMonochrome(int width, int height, const std::vector<std::uint8_t>& white)
{
    DeleteObject();
    if (width <= 0 || height <= 0 || white.size() != static_cast<std::size_t>(width) * height)
        return FALSE;
    // Rows of a monochrome bitmap's bits are padded to whole 16-bit words; the first pixel is
    // the highest bit.
    const std::size_t stride = ((static_cast<std::size_t>(width) + 15) / 16) * 2;
    std::vector<BYTE> bits(stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (white[static_cast<std::size_t>(y) * width + x])
                bits[stride * y + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    return Attach(::CreateBitmap(width, height, 1, 1, bits.data()));
}

std::vector<std::uint32_t> CBitmap::GetPixels(SIZE& size) const
{
    size = SIZE{0, 0};
    BITMAP header{};
    if (!m_hBitmap || !::GetObjectW(m_hBitmap, sizeof header, &header) || header.bmWidth <= 0 ||
        header.bmHeight <= 0)
        return {};
    const CClientDC screen(nullptr);  // the screen's own context
    BITMAPINFO info = TopDownRgb(header.bmWidth, header.bmHeight);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(header.bmWidth) * header.bmHeight);
    if (::GetDIBits(screen.m_hDC, m_hBitmap, 0, header.bmHeight, pixels.data(), &info, DIB_RGB_COLORS) !=
        header.bmHeight)
        return {};
    for (std::uint32_t& pixel : pixels)
        pixel &= 0x00FFFFFF;
    size = SIZE{header.bmWidth, header.bmHeight};
    return pixels;
}

}  // namespace framework
