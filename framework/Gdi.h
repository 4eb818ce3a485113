#pragma once
// Owners of GDI handles. Each handle has exactly one owner that releases it on every path.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace framework {

// A bitmap that is deleted with its owner.
class CBitmap {
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() { DeleteObject(); }

    BOOL LoadBitmap(HINSTANCE module, UINT id);
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height);
    BOOL Attach(HBITMAP bitmap);
    BOOL DeleteObject();

    // A bitmap like the screen's, width x height, from pixels 0x00RRGGBB, top row first.
    BOOL CreateFromPixels(int width, int height, const std::vector<std::uint32_t>& pixels);
    // A monochrome bitmap, width x height, white where white is non-zero (top row first).
    BOOL CreateMonochrome(int width, int height, const std::vector<std::uint8_t>& white);
    // The bitmap's size and its pixels as 0x00RRGGBB, top row first; empty on failure. The bitmap
    // must not be selected into a device context.
    std::vector<std::uint32_t> GetPixels(SIZE& size) const;

    HBITMAP GetSafeHandle() const { return m_hBitmap; }
    explicit operator bool() const { return m_hBitmap != nullptr; }

private:
    HBITMAP m_hBitmap = nullptr;
};

// A device context, either owned (a memory context we created and delete) or borrowed (one the
// system lends to a window and that its own wrapper gives back). An owned context also puts back
// the bitmap it held when it was made, so a bitmap is never deleted while still selected.
template <bool t_owned>
class CDCT {
public:
    CDCT() = default;
    explicit CDCT(HDC dc) : m_hDC(dc) {}
    CDCT(const CDCT&) = delete;
    CDCT& operator=(const CDCT&) = delete;
    ~CDCT()
    {
        if constexpr (t_owned) {
            if (m_hDC) {
                if (m_originalBitmap)
                    ::SelectObject(m_hDC, m_originalBitmap);
                ::DeleteDC(m_hDC);
            }
        }
    }

    template <bool t_other>
    BOOL CreateCompatibleDC(const CDCT<t_other>& other)
    {
        static_assert(t_owned, "only an owned context can be created");
        m_hDC = ::CreateCompatibleDC(other.m_hDC);
        return m_hDC != nullptr;
    }

    HBITMAP SelectObject(const CBitmap& bitmap)
    {
        HBITMAP previous = static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap.GetSafeHandle()));
        if (!m_originalBitmap)
            m_originalBitmap = previous;
        return previous;
    }

    BOOL BitBlt(int x, int y, int width, int height, const CDCT<true>& source, int sourceX, int sourceY,
                DWORD rop) const
    {
        return ::BitBlt(m_hDC, x, y, width, height, source.m_hDC, sourceX, sourceY, rop);
    }

    BOOL MaskBlt(int x, int y, int width, int height, const CDCT<true>& source, int sourceX, int sourceY,
                 const CBitmap& mask, int maskX, int maskY, DWORD rop) const
    {
        return ::MaskBlt(m_hDC, x, y, width, height, source.m_hDC, sourceX, sourceY, mask.GetSafeHandle(),
                         maskX, maskY, rop);
    }

    HDC m_hDC = nullptr;

private:
    HGDIOBJ m_originalBitmap = nullptr;
};

using CDC = CDCT<true>;
using CDCHandle = CDCT<false>;

// The client area's context of a window, for drawing outside WM_PAINT.
class CClientDC : public CDCHandle {
public:
    explicit CClientDC(HWND hWnd) : CDCHandle(::GetDC(hWnd)), m_hWnd(hWnd) {}
    ~CClientDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }

private:
    HWND m_hWnd;
};

// The context of one WM_PAINT, from BeginPaint to EndPaint.
class CPaintDC : public CDCHandle {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

}  // namespace framework
