#include "platform/FolderIcon.h"

#include "platform/Handles.h"
#include "platform/SystemApi.h"
#include "platform/TextCompare.h"

#include <objidl.h>
#include <wincodec.h>

#include <cstring>

namespace platform {

namespace {

// SHSTOCKICONID values.
constexpr unsigned kStockDocument = 0; // SIID_DOCNOASSOC
constexpr unsigned kStockFolder = 3;   // SIID_FOLDER
// The closed folder among shell32's icons: resource id 4 on every version.
// (ExtractIcon's index 3 names it on Windows, but Wine's shell32 lists two
// named groups first, so its fourth group is the document.)
constexpr int kShellFolderIndex = -4;

// LOAD_LIBRARY_AS_IMAGE_RESOURCE, Vista on: resources without the module's code.
constexpr DWORD kAsImageResource = 0x20;

struct ModuleTraits : NullIsNone<HMODULE> {
    static void close(Handle h) { FreeLibrary(h); }
};
using ResourceModule = UniqueHandle<ModuleTraits>;

std::wstring SystemFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return name;
    return std::wstring(folder) + L"\\" + name;
}

ResourceModule LoadResources(const std::wstring& path) {
    ResourceModule module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | kAsImageResource));
    // XP refuses the flag it does not know.
    if (!module)
        module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    return module;
}

// A resource's name: a number, or text where it has one.
struct ResourceName {
    WORD id = 0;
    std::wstring text;
    LPCWSTR get() const { return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str(); }
};

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    ResourceName entry;
    if (IS_INTRESOURCE(name))
        entry.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    else
        entry.text = name;
    reinterpret_cast<std::vector<ResourceName>*>(names)->push_back(entry);
    return TRUE;
}

// The group as ExtractIcon counts: index is the place in the module's order,
// a negative one a resource id.
bool GroupName(HMODULE module, int index, ResourceName& name) {
    if (index < 0) {
        name.id = static_cast<WORD>(-index);
        return true;
    }
    std::vector<ResourceName> names;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14), CollectName, // RT_GROUP_ICON
                       reinterpret_cast<LONG_PTR>(&names));
    if (static_cast<size_t>(index) >= names.size()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    name = names[static_cast<size_t>(index)];
    return true;
}

bool ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, std::vector<std::uint8_t>& bytes) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found)
        return false;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0)
        return false;
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes.assign(begin, begin + size);
    return true;
}

bool ReadGroupFrom(HMODULE module, int index, std::vector<std::vector<std::uint8_t>>& frames) {
    ResourceName name;
    std::vector<std::uint8_t> group;
    if (!GroupName(module, index, name) ||
        !ResourceBytes(module, name.get(), MAKEINTRESOURCEW(14), group))
        return false;
    // GRPICONDIR: three words, then an entry of 14 bytes per frame ending in its id.
    if (group.size() < 6)
        return false;
    const size_t count = group[4] | group[5] << 8;
    if (group.size() < 6 + count * 14)
        return false;
    frames.clear();
    for (size_t i = 0; i < count; ++i) {
        const size_t at = 6 + i * 14 + 12;
        const auto id = static_cast<WORD>(group[at] | group[at + 1] << 8);
        std::vector<std::uint8_t> frame;
        if (ResourceBytes(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3), frame)) // RT_ICON
            frames.push_back(std::move(frame));
    }
    if (frames.empty()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

} // namespace

void SystemFolderIconLocation(std::wstring& module, int& index) {
    std::wstring document;
    int documentIndex = 0;
    // A stub that answers the same icon for every id (Wine's) names no folder.
    if (StockIconLocation(kStockFolder, module, index) &&
        !(StockIconLocation(kStockDocument, document, documentIndex) && documentIndex == index &&
          CompareNoCase(document, module) == 0))
        return;
    module = SystemFile(L"shell32.dll");
    index = kShellFolderIndex;
}

bool ReadIconGroup(const std::wstring& module, int index,
                   std::vector<std::vector<std::uint8_t>>& frames) {
    ResourceModule loaded = LoadResources(module);
    if (loaded && ReadGroupFrom(loaded.get(), index, frames))
        return true;
    const DWORD error = loaded ? GetLastError() : DWORD(ERROR_MOD_NOT_FOUND);
    // The module's icons may live in its resource file beside the system.
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    const size_t slash = module.find_last_of(L"\\/");
    if (length > 0 && length < MAX_PATH) {
        const std::wstring mun = std::wstring(windows) + L"\\SystemResources\\" +
                                 module.substr(slash == std::wstring::npos ? 0 : slash + 1) +
                                 L".mun";
        loaded = LoadResources(mun);
        if (loaded && ReadGroupFrom(loaded.get(), index, frames))
            return true;
    }
    SetLastError(error);
    return false;
}

bool ReadSystemFolderIcon(std::vector<std::vector<std::uint8_t>>& frames) {
    std::wstring module;
    int index = 0;
    SystemFolderIconLocation(module, index);
    if (ReadIconGroup(module, index, frames))
        return true;
    return ReadIconGroup(SystemFile(L"shell32.dll"), kShellFolderIndex, frames);
}

namespace {
// The first imaging factory, which every version of the component has.
const CLSID kImagingFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const GUID kPngContainer = {
    0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
const GUID kBgra32 = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
} // namespace

PngCodec::PngCodec() {
    // S_FALSE (already set up) is paired as well; another apartment's model
    // leaves COM usable but not ours to end.
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (FAILED(CoCreateInstance(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(factory_.put()))))
        factory_.reset();
}

PngCodec::~PngCodec() {
    factory_.reset();
    if (comInitialized_)
        CoUninitialize();
}

bool PngCodec::Decode(const std::uint8_t* png, size_t size, unsigned& width, unsigned& height,
                      std::vector<std::uint8_t>& bgra) const {
    if (!factory_ || size > size_t{64} * 1024 * 1024)
        return false;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(factory_->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png), static_cast<DWORD>(size))) ||
        FAILED(factory_->CreateDecoderFromStream(stream.get(), nullptr,
                                                 WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory_->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), kBgra32, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 4096 || h > 4096)
        return false;
    bgra.assign(size_t{w} * h * 4, 0);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(bgra.size()), bgra.data())))
        return false;
    width = w;
    height = h;
    return true;
}

bool PngCodec::Encode(unsigned width, unsigned height, const std::vector<std::uint8_t>& bgra,
                      std::vector<std::uint8_t>& png) const {
    if (!factory_ || bgra.size() != size_t{width} * height * 4)
        return false;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> properties;
    WICPixelFormatGUID format = kBgra32;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(factory_->CreateEncoder(kPngContainer, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), properties.put())) ||
        FAILED(frame->Initialize(properties.get())) || FAILED(frame->SetSize(width, height)) ||
        FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, kBgra32) ||
        FAILED(frame->WritePixels(height, width * 4, static_cast<UINT>(bgra.size()),
                                  const_cast<BYTE*>(bgra.data()))) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return false;
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
        FAILED(GetHGlobalFromStream(stream.get(), &memory)) || stat.cbSize.QuadPart == 0 ||
        stat.cbSize.QuadPart > GlobalSize(memory))
        return false;
    const void* data = GlobalLock(memory);
    if (!data)
        return false;
    const auto* begin = static_cast<const std::uint8_t*>(data);
    png.assign(begin, begin + static_cast<size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return true;
}

} // namespace platform
