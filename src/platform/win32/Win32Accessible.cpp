#include "platform/win32/Win32Accessible.h"

#include <atomic>
#include <string>
#include <vector>

#include <oleacc.h>

namespace plat::win32 {

namespace {

std::vector<HWND> childWindows(HWND window) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

BSTR bstrOf(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// The IAccessible of one toolkit window's client area.
class TWin32Accessible final : public IAccessible {
public:
    TWin32Accessible(HWND window, TControlSink& sink, std::weak_ptr<void> alive)
        : FWindow(window), FSink(sink), FAlive(std::move(alive)) {}

    // ---- IUnknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, IID_IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --FReferences;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // ---- IDispatch: screen readers call the interface directly; no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IAccessible.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) {
            return E_POINTER;
        }
        *parent = nullptr;
        if (gone()) {
            return E_FAIL;
        }
        // The system's object of this window, whose parent is the parent window's client area.
        return CreateStdAccessibleObject(FWindow, OBJID_WINDOW, IID_IDispatch,
                                         reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        if (gone()) {
            return E_FAIL;
        }
        *count = static_cast<long>(childWindows(FWindow).size()) + FSink.sinkAccessibleItemCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override {
        if (dispatch == nullptr) {
            return E_POINTER;
        }
        *dispatch = nullptr;
        if (gone()) {
            return E_FAIL;
        }
        if (child.vt != VT_I4 || child.lVal < 1) {
            return E_INVALIDARG;
        }
        const std::vector<HWND> windows = childWindows(FWindow);
        const long index = child.lVal;
        if (index <= static_cast<long>(windows.size())) {
            return AccessibleObjectFromWindow(windows[static_cast<std::size_t>(index - 1)], OBJID_CLIENT,
                                              IID_IDispatch, reinterpret_cast<void**>(dispatch));
        }
        // The control's items are simple elements, reached through this object.
        return index - static_cast<long>(windows.size()) <= FSink.sinkAccessibleItemCount() ? S_FALSE
                                                                                            : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return text(child, name, [](const TAccessibleItem& item) { return item.name; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return text(child, value, [](const TAccessibleItem& item) { return item.value; });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return text(child, description, [](const TAccessibleItem& item) { return item.description; });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return text(child, action, [](const TAccessibleItem& item) { return item.defaultAction; });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return number(child, role, [](const TAccessibleItem& item) { return accessibleRole(item.role); });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return number(child, state, [this](const TAccessibleItem& item) {
            long states = accessibleState(item.states);
            if (!IsWindowEnabled(FWindow)) {
                states |= STATE_SYSTEM_UNAVAILABLE;
            }
            return states;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        if (help != nullptr) {
            *help = nullptr;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file != nullptr) {
            *file = nullptr;
        }
        if (topic != nullptr) {
            *topic = 0;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        if (shortcut != nullptr) {
            *shortcut = nullptr;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) {
            return E_POINTER;
        }
        VariantInit(focus);
        if (gone()) {
            return E_FAIL;
        }
        const HWND focused = GetFocus();
        if (focused == FWindow) {
            const int item = FSink.sinkAccessibleFocusItem();
            focus->vt = VT_I4;
            focus->lVal = item == 0 ? CHILDID_SELF : static_cast<long>(childWindows(FWindow).size()) + item;
            return S_OK;
        }
        if (focused != nullptr && IsChild(FWindow, focused)) {
            IDispatch* dispatch = nullptr;
            if (SUCCEEDED(AccessibleObjectFromWindow(focused, OBJID_CLIENT, IID_IDispatch,
                                                     reinterpret_cast<void**>(&dispatch)))) {
                focus->vt = VT_DISPATCH;
                focus->pdispVal = dispatch;
                return S_OK;
            }
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection == nullptr) {
            return E_POINTER;
        }
        VariantInit(selection);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (gone()) {
            return E_FAIL;
        }
        if (child.vt == VT_I4 && child.lVal == CHILDID_SELF && (flags & SELFLAG_TAKEFOCUS) != 0) {
            SetFocus(FWindow);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
            return E_POINTER;
        }
        *left = *top = *width = *height = 0;
        int item = 0;
        const HRESULT found = itemOf(child, item);
        if (found != S_OK) {
            return found;
        }
        const TRect location = FSink.sinkAccessible(item).location;
        POINT origin{location.left, location.top};
        ClientToScreen(FWindow, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = location.width();
        *height = location.height();
        return S_OK;
    }
    // From the object itself: its first or last child, or the next or previous visible window beside
    // it (a button's neighbour). From a child: the next or previous child, child windows first, then
    // the control's items in their order (the tree's rows top to bottom).
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (end == nullptr) {
            return E_POINTER;
        }
        VariantInit(end);
        if (gone()) {
            return E_FAIL;
        }
        if (start.vt != VT_I4) {
            return E_INVALIDARG;
        }
        const long count = static_cast<long>(childWindows(FWindow).size()) + FSink.sinkAccessibleItemCount();
        const bool forward =
            direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
        const bool backward =
            direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT;
        if (start.lVal == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
                return count == 0 ? S_FALSE : childVariant(direction == NAVDIR_FIRSTCHILD ? 1 : count, end);
            }
            if (!forward && !backward) {
                return E_INVALIDARG;
            }
            for (HWND beside = GetWindow(FWindow, forward ? GW_HWNDNEXT : GW_HWNDPREV); beside != nullptr;
                 beside = GetWindow(beside, forward ? GW_HWNDNEXT : GW_HWNDPREV)) {
                if (IsWindowVisible(beside)) {
                    return windowVariant(beside, end);
                }
            }
            return S_FALSE;
        }
        if (start.lVal < 1 || start.lVal > count) {
            return E_INVALIDARG;
        }
        if (!forward && !backward) {
            return direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD ? S_FALSE : E_INVALIDARG;
        }
        const long next = start.lVal + (forward ? 1 : -1);
        return next < 1 || next > count ? S_FALSE : childVariant(next, end);
    }
    // A point on one of the child windows answers that window's object; a point on one of the
    // control's items (a row of the tree) answers the item; elsewhere in the client area, the
    // object itself.
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (child == nullptr) {
            return E_POINTER;
        }
        VariantInit(child);
        if (gone()) {
            return E_FAIL;
        }
        POINT at{x, y};
        ScreenToClient(FWindow, &at);
        RECT client{};
        GetClientRect(FWindow, &client);
        if (!PtInRect(&client, at)) {
            return S_FALSE;
        }
        const HWND under = ChildWindowFromPointEx(FWindow, at, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (under != nullptr && under != FWindow) {
            return windowVariant(under, child);
        }
        const int item = FSink.sinkAccessibleItemAt(at.x, at.y);
        child->vt = VT_I4;
        child->lVal = item <= 0 ? CHILDID_SELF : static_cast<long>(childWindows(FWindow).size()) + item;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        int item = 0;
        const HRESULT found = itemOf(child, item);
        if (found != S_OK) {
            return found;
        }
        return FSink.sinkAccessibleDefaultAction(item) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~TWin32Accessible() = default;

    bool gone() const { return FAlive.expired() || !IsWindow(FWindow); }

    // The control's item a child number names: 0 for the control itself. A child window is its own
    // object: asked here, it answers E_INVALIDARG.
    // Child id (1 to the child count) as accNavigate answers it: a child window's object, or an item.
    HRESULT childVariant(long id, VARIANT* out) const {
        const std::vector<HWND> windows = childWindows(FWindow);
        if (id <= static_cast<long>(windows.size())) {
            return windowVariant(windows[static_cast<std::size_t>(id - 1)], out);
        }
        out->vt = VT_I4;
        out->lVal = id;
        return S_OK;
    }
    static HRESULT windowVariant(HWND window, VARIANT* out) {
        IDispatch* dispatch = nullptr;
        const HRESULT hr = AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IDispatch,
                                                      reinterpret_cast<void**>(&dispatch));
        if (FAILED(hr) || dispatch == nullptr) {
            return FAILED(hr) ? hr : E_FAIL;
        }
        out->vt = VT_DISPATCH;
        out->pdispVal = dispatch;
        return S_OK;
    }

    HRESULT itemOf(const VARIANT& child, int& item) const {
        if (gone()) {
            return E_FAIL;
        }
        if (child.vt != VT_I4) {
            return E_INVALIDARG;
        }
        if (child.lVal == CHILDID_SELF) {
            item = 0;
            return S_OK;
        }
        const long index = child.lVal - static_cast<long>(childWindows(FWindow).size());
        if (index < 1 || index > FSink.sinkAccessibleItemCount()) {
            return E_INVALIDARG;
        }
        item = static_cast<int>(index);
        return S_OK;
    }

    template <typename Read> HRESULT text(const VARIANT& child, BSTR* result, Read read) {
        if (result == nullptr) {
            return E_POINTER;
        }
        *result = nullptr;
        int item = 0;
        const HRESULT found = itemOf(child, item);
        if (found != S_OK) {
            return found;
        }
        const std::wstring value = read(FSink.sinkAccessible(item));
        if (value.empty()) {
            return S_FALSE;
        }
        *result = bstrOf(value);
        return *result != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    template <typename Read> HRESULT number(const VARIANT& child, VARIANT* result, Read read) {
        if (result == nullptr) {
            return E_POINTER;
        }
        VariantInit(result);
        int item = 0;
        const HRESULT found = itemOf(child, item);
        if (found != S_OK) {
            return found;
        }
        result->vt = VT_I4;
        result->lVal = read(FSink.sinkAccessible(item));
        return S_OK;
    }

    HWND FWindow;
    TControlSink& FSink;
    std::weak_ptr<void> FAlive;
    std::atomic<ULONG> FReferences{1};
};

} // namespace

long accessibleRole(TAccRole role) {
    switch (role) {
    case TAccRole::client:
        return ROLE_SYSTEM_CLIENT;
    case TAccRole::pane:
        return ROLE_SYSTEM_PANE;
    case TAccRole::grouping:
        return ROLE_SYSTEM_GROUPING;
    case TAccRole::staticText:
        return ROLE_SYSTEM_STATICTEXT;
    case TAccRole::graphic:
        return ROLE_SYSTEM_GRAPHIC;
    case TAccRole::pushButton:
        return ROLE_SYSTEM_PUSHBUTTON;
    case TAccRole::menuButton:
        return ROLE_SYSTEM_BUTTONMENU;
    case TAccRole::checkButton:
        return ROLE_SYSTEM_CHECKBUTTON;
    case TAccRole::editText:
        return ROLE_SYSTEM_TEXT;
    case TAccRole::spinButton:
        return ROLE_SYSTEM_SPINBUTTON;
    case TAccRole::progressBar:
        return ROLE_SYSTEM_PROGRESSBAR;
    case TAccRole::outline:
        return ROLE_SYSTEM_OUTLINE;
    case TAccRole::outlineItem:
        return ROLE_SYSTEM_OUTLINEITEM;
    case TAccRole::link:
        return ROLE_SYSTEM_LINK;
    case TAccRole::toolBar:
        return ROLE_SYSTEM_TOOLBAR;
    }
    return ROLE_SYSTEM_CLIENT;
}

long accessibleState(TAccStates states) {
    static constexpr struct {
        TAccState ours;
        long system;
    } kStates[] = {
        {asUnavailable, STATE_SYSTEM_UNAVAILABLE},
        {asFocused, STATE_SYSTEM_FOCUSED},
        {asFocusable, STATE_SYSTEM_FOCUSABLE},
        {asSelected, STATE_SYSTEM_SELECTED},
        {asSelectable, STATE_SYSTEM_SELECTABLE},
        {asChecked, STATE_SYSTEM_CHECKED},
        {asExpanded, STATE_SYSTEM_EXPANDED},
        {asCollapsed, STATE_SYSTEM_COLLAPSED},
        {asReadOnly, STATE_SYSTEM_READONLY},
        {asInvisible, STATE_SYSTEM_INVISIBLE},
        {asOffscreen, STATE_SYSTEM_OFFSCREEN},
        {asHasPopup, STATE_SYSTEM_HASPOPUP},
        {asLinked, STATE_SYSTEM_LINKED},
        {asDefault, STATE_SYSTEM_DEFAULT},
        {asMixed, STATE_SYSTEM_MIXED},
    };
    long result = 0;
    for (const auto& each : kStates) {
        if ((states & each.ours) != 0) {
            result |= each.system;
        }
    }
    return result;
}

LRESULT answerGetObject(HWND window, TControlSink& sink, const std::weak_ptr<void>& alive, WPARAM wParam,
                        LPARAM lParam) {
    // The object id is a 32-bit value, sign-extended in a 64-bit lParam.
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) {
        return 0;
    }
    auto* object = new TWin32Accessible(window, sink, alive);
    const LRESULT result = LresultFromObject(IID_IAccessible, wParam, object);
    object->Release(); // LresultFromObject holds its own reference while the client has none yet
    return result;
}

void raiseAccessibleEvent(HWND window, TAccEvent event, int item) {
    if (window == nullptr) {
        return;
    }
    DWORD code = EVENT_OBJECT_FOCUS;
    switch (event) {
    case TAccEvent::focus:
        code = EVENT_OBJECT_FOCUS;
        break;
    case TAccEvent::selection:
        code = EVENT_OBJECT_SELECTION;
        break;
    case TAccEvent::stateChange:
        code = EVENT_OBJECT_STATECHANGE;
        break;
    case TAccEvent::valueChange:
        code = EVENT_OBJECT_VALUECHANGE;
        break;
    case TAccEvent::nameChange:
        code = EVENT_OBJECT_NAMECHANGE;
        break;
    case TAccEvent::show:
        code = EVENT_OBJECT_SHOW;
        break;
    case TAccEvent::hide:
        code = EVENT_OBJECT_HIDE;
        break;
    case TAccEvent::alert:
        code = EVENT_SYSTEM_ALERT;
        break;
    case TAccEvent::reorder:
        code = EVENT_OBJECT_REORDER;
        break;
    }
    const LONG child = item == 0 ? CHILDID_SELF : static_cast<LONG>(childWindows(window).size()) + item;
    NotifyWinEvent(code, window, OBJID_CLIENT, child);
}

} // namespace plat::win32
