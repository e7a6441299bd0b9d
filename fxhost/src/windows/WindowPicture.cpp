#include "WindowPicture.h"

#include <cstring>
#include <memory>

namespace fxhost::platform {

namespace {

struct ReleaseWindowDC {
    HWND window;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
struct DeleteMemoryDC {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DeleteGdiObject {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};

// Selects an object into a device context for as long as it lives.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection &) = delete;
    Selection &operator=(const Selection &) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace

Picture CaptureWindow(HWND window)
{
    // From another thread this sends the paint messages and waits for them.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT rect;
    if (!GetWindowRect(window, &rect)) return {};
    Picture picture;
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;
    if (picture.width <= 0 || picture.height <= 0) return {};

    std::unique_ptr<HDC__, ReleaseWindowDC> screen(GetWindowDC(window), ReleaseWindowDC{window});
    if (!screen) return {};
    std::unique_ptr<HDC__, DeleteMemoryDC> memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    std::unique_ptr<HBITMAP__, DeleteGdiObject> bitmap(
        CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap) return {};
    {
        Selection selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.get(), 0, 0, SRCCOPY)) return {};
    }
    GdiFlush();
    picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * sizeof(uint32_t));
    for (uint32_t &pixel : picture.pixels) pixel &= 0x00FFFFFF;
    return picture;
}

}  // namespace fxhost::platform
