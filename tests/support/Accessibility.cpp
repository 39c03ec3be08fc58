#include "tests/support/Accessibility.h"

#include "platform/ComPtr.h"

#include <oleacc.h>

namespace testing_support {

namespace {

template <typename Read> std::wstring ReadText(HWND control, Read read) {
    platform::ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(object.put()))) ||
        !object)
        return L"<no object>";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (FAILED(read(*object.get(), self, &text)))
        return L"<failed>";
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

} // namespace

std::wstring AccessibleName(HWND control) {
    return ReadText(control, [](IAccessible& object, VARIANT self, BSTR* text) {
        return object.get_accName(self, text);
    });
}

std::wstring AccessibleDescription(HWND control) {
    return ReadText(control, [](IAccessible& object, VARIANT self, BSTR* text) {
        return object.get_accDescription(self, text);
    });
}

} // namespace testing_support
