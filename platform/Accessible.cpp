#include "platform/Accessible.h"

#include "platform/ComPtr.h"

#include <oleacc.h>

#include <map>
#include <memory>
#include <utility>

namespace platform {

namespace {

struct Annotation {
    std::wstring name;
    std::wstring description;
    WNDPROC original = nullptr; // the control's procedure before ours
};

// The annotated controls. Not found through a window property, as the
// common controls' subclassing does on every message: under Wine a property
// is a round trip to its server (tens of microseconds), and the restore
// list's box gets several messages for each of a whole drive's folders.
class AnnotationTable {
  public:
    AnnotationTable() { InitializeCriticalSection(&lock_); }
    ~AnnotationTable() { DeleteCriticalSection(&lock_); }
    AnnotationTable(const AnnotationTable&) = delete;
    AnnotationTable& operator=(const AnnotationTable&) = delete;

    Annotation* Find(HWND control) {
        const Lock lock(lock_);
        const auto found = table_.find(control);
        return found == table_.end() ? nullptr : found->second;
    }
    bool Add(HWND control, Annotation* annotation) {
        const Lock lock(lock_);
        return table_.emplace(control, annotation).second;
    }
    void Remove(HWND control) {
        const Lock lock(lock_);
        table_.erase(control);
    }

  private:
    class Lock {
      public:
        explicit Lock(CRITICAL_SECTION& section) : section_(section) {
            EnterCriticalSection(&section_);
        }
        ~Lock() { LeaveCriticalSection(&section_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        CRITICAL_SECTION& section_;
    };
    CRITICAL_SECTION lock_{};
    std::map<HWND, Annotation*> table_;
};

AnnotationTable& Annotations() {
    // Never destroyed: a control may still get its last messages while the
    // process ends, after static objects are gone.
    static AnnotationTable* const table = new AnnotationTable;
    return *table;
}

Annotation* AnnotationOf(HWND control) {
    return IsWindow(control) ? Annotations().Find(control) : nullptr;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's accessible object of a control, with the name and description
// of its annotation, read when asked, so that a client holding the object
// hears the current ones.
// A COM object goes through Release, never through its interface's destructor.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class AnnotatedAccessible final : public IAccessible {
  public:
    AnnotatedAccessible(HWND control, ComPtr<IAccessible> standard)
        : control_(control), standard_(std::move(standard)) {}
    AnnotatedAccessible(const AnnotatedAccessible&) = delete;
    AnnotatedAccessible& operator=(const AnnotatedAccessible&) = delete;

    // IUnknown: the interfaces the system's object offers besides
    // IAccessible (IOleWindow, IEnumVARIANT) are its own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return standard_->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        return standard_->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
    }

    // IAccessible: the name and description are the annotation's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        const Annotation* annotation = AnnotationOf(control_);
        if (IsSelf(child) && annotation && !annotation->name.empty())
            return Copy(annotation->name, name);
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        const Annotation* annotation = AnnotationOf(control_);
        if (IsSelf(child) && annotation && !annotation->description.empty())
            return Copy(annotation->description, description);
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

  private:
    ~AnnotatedAccessible() = default;

    static HRESULT Copy(const std::wstring& text, BSTR* out) {
        if (!out)
            return E_POINTER;
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    LONG refs_ = 1;
    HWND control_;
    ComPtr<IAccessible> standard_;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The answer to WM_GETOBJECT for the control's client object, or 0 to leave
// it to the system (which then makes its own object, unnamed by us).
LRESULT AnswerGetObject(HWND control, WPARAM wParam) {
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(standard.put()))))
        return 0;
    IAccessible* annotated = new AnnotatedAccessible(control, std::move(standard));
    // The result holds a reference of its own until the client takes it.
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, annotated);
    annotated->Release();
    return result > 0 ? result : 0;
}

LRESULT CALLBACK AnnotatedProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    Annotation* annotation = Annotations().Find(control);
    if (!annotation)
        return DefWindowProcW(control, message, wParam, lParam);
    const WNDPROC original = annotation->original;
    switch (message) {
    case WM_GETOBJECT:
        // lParam carries a 32-bit object id, sign-extended or not.
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
            if (const LRESULT answer = AnswerGetObject(control, wParam))
                return answer;
        }
        break;
    case WM_NCDESTROY: {
        // The last message: the control forgets its annotation first.
        Annotations().Remove(control);
        const std::unique_ptr<Annotation> gone(annotation);
        return CallWindowProcW(original, control, message, wParam, lParam);
    }
    default:
        break;
    }
    return CallWindowProcW(original, control, message, wParam, lParam);
}

Annotation* Annotate(HWND control) {
    if (Annotation* found = AnnotationOf(control))
        return found;
    if (!IsWindow(control))
        return nullptr;
    auto annotation = std::make_unique<Annotation>();
    annotation->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
    if (!annotation->original || !Annotations().Add(control, annotation.get()))
        return nullptr;
    SetLastError(ERROR_SUCCESS);
    if (!SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnnotatedProc)) &&
        GetLastError() != ERROR_SUCCESS) {
        Annotations().Remove(control);
        return nullptr;
    }
    return annotation.release();
}

bool Change(HWND control, std::wstring Annotation::*field, const std::wstring& text, DWORD event) {
    Annotation* annotation = Annotate(control);
    if (!annotation)
        return false;
    if (annotation->*field != text) {
        annotation->*field = text;
        NotifyWinEvent(event, control, OBJID_CLIENT, CHILDID_SELF);
    }
    return true;
}

} // namespace

bool SetAccessibleName(HWND control, const std::wstring& name) {
    return Change(control, &Annotation::name, name, EVENT_OBJECT_NAMECHANGE);
}

bool SetAccessibleDescription(HWND control, const std::wstring& description) {
    return Change(control, &Annotation::description, description, EVENT_OBJECT_DESCRIPTIONCHANGE);
}

} // namespace platform
