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

}  // namespace framework
