#pragma once
// The colour dialog and the sample caption that shows the chosen colours.
#include <windows.h>
#include <cstdint>

namespace ui {

// The chosen colour (0x00BBGGRR), or -1 when the user cancelled or the dialog
// failed. Opens with no colour preselected and sixteen black custom colours.
std::int32_t ShowColor(HWND owner);

// "QuillaneSampleText": the caption "Sample IconText", centred, in Tahoma
// 8.25 pt bold. Colours are 0x00BBGGRR values or system colour references
// (0x80000000 | COLOR_xxx, such as 0x8000000F for the button face).
inline constexpr wchar_t kSampleTextClass[] = L"QuillaneSampleText";
inline constexpr wchar_t kSampleText[] = L"Sample IconText";
inline constexpr std::int32_t kSystemButtonFace = static_cast<std::int32_t>(0x8000000F);
inline constexpr std::int32_t kSystemButtonText = static_cast<std::int32_t>(0x80000012);

bool RegisterSampleTextClass();
HWND CreateSampleText(HWND parent, int id, int x, int y, int width, int height);
void SampleTextSetForeColor(HWND sample, std::int32_t colour);
void SampleTextSetBackColor(HWND sample, std::int32_t colour);
// Makes the font again for a window that moved to a screen of another DPI.
void SampleTextSetDpi(HWND sample, UINT dpi);
std::int32_t SampleTextForeColor(HWND sample);
std::int32_t SampleTextBackColor(HWND sample);
// A colour value or system colour reference as the screen shows it.
COLORREF ResolveColor(std::int32_t colour);

} // namespace ui
