#pragma once
// The system's own closed-folder icon, read frame by frame as it is stored,
// and PNG pictures through Windows' imaging component where the system has it.
#include "platform/ComPtr.h"
#include "platform/WindowPart.h"

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct IWICImagingFactory;

namespace platform {

// The module and icon index (negative: a resource id) of the shell's
// closed-folder icon: the stock folder icon where the system names one of its
// own, else shell32.dll's icon of resource id 4.
void SystemFolderIconLocation(std::wstring& module, int& index);

// Every frame of the icon group at index in the module, as its RT_ICON
// resources hold them. Where the module keeps no icons itself (Windows 10
// 1903 on moved them to SystemResources\<name>.mun), that file is read.
bool ReadIconGroup(const std::wstring& module, int index,
                   std::vector<std::vector<std::uint8_t>>& frames);

// The frames of the shell's closed-folder icon.
bool ReadSystemFolderIcon(std::vector<std::vector<std::uint8_t>>& frames);

// PNG through the Windows Imaging Component (Vista on, XP with .NET 3 or
// later): made on demand, so that its absence only means no PNG. COM is set
// up for the thread while the object lives where the thread had none.
class PngCodec {
  public:
    PngCodec();
    ~PngCodec();
    PngCodec(const PngCodec&) = delete;
    PngCodec& operator=(const PngCodec&) = delete;

    bool available() const { return static_cast<bool>(factory_); }
    // Pixels as 4 bytes each, blue, green, red, alpha (not multiplied), rows top down.
    bool Decode(const std::uint8_t* png, size_t size, unsigned& width, unsigned& height,
                std::vector<std::uint8_t>& bgra) const;
    bool Encode(unsigned width, unsigned height, const std::vector<std::uint8_t>& bgra,
                std::vector<std::uint8_t>& png) const;

  private:
    bool comInitialized_ = false;
    ComPtr<IWICImagingFactory> factory_;
};

} // namespace platform
