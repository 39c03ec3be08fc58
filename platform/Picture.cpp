#include "platform/Picture.h"

#include "platform/Files.h"
#include "platform/Handles.h"

#include <cstdint>
#include <vector>

#include <cmath>

namespace platform {

namespace {

struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { GlobalFree(h); }
};
using GlobalMemory = UniqueHandle<GlobalTraits>;

} // namespace

Picture Picture::Load(const std::wstring& path) {
    // The size is looked at before anything is read: a huge file is no picture
    // to show, and is never read.
    constexpr size_t kLargestPicture = size_t{256} * 1024 * 1024;
    std::vector<std::uint8_t> bytes;
    if (!ReadAllBytes(path, bytes, kLargestPicture))
        return {};
    return FromMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
}

Picture Picture::FromMemory(const void* data, DWORD size) {
    if (!data || size == 0)
        return {};
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    void* bytes = memory ? GlobalLock(memory.get()) : nullptr;
    if (!bytes)
        return {};
    CopyMemory(bytes, data, size);
    GlobalUnlock(memory.get());
    Picture result;
    ComPtr<IStream> stream;
    // The stream takes the memory over and frees it with itself.
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.put())))
        return result;
    memory.release();
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.put()))))
        return result;
    result.picture_ = std::move(picture);
    return result;
}

long Picture::WidthHimetric() const {
    OLE_XSIZE_HIMETRIC width = 0;
    if (!picture_ || FAILED(picture_->get_Width(&width)))
        return 0;
    return width;
}

long Picture::HeightHimetric() const {
    OLE_YSIZE_HIMETRIC height = 0;
    if (!picture_ || FAILED(picture_->get_Height(&height)))
        return 0;
    return height;
}

bool Picture::Render(HDC dc, const RECT& target) const {
    if (!picture_)
        return false;
    const long width = WidthHimetric();
    const long height = HeightHimetric();
    // HIMETRIC runs bottom-up: start at the bottom edge and go up.
    return SUCCEEDED(picture_->Render(dc, target.left, target.top, target.right - target.left,
                                      target.bottom - target.top, 0, height, width, -height,
                                      nullptr));
}

long HimetricToPixels(long himetric, int twipsPerPixel) {
    if (twipsPerPixel <= 0)
        return 0;
    return std::lround(static_cast<double>(himetric) * 1440.0 / 2540.0 / twipsPerPixel);
}

} // namespace platform
