// A screen reader's view of the program, for the GUI tests under Wine: finds the program's main
// window, asks it for its IAccessible (AccessibleObjectFromWindow, across processes as a screen
// reader does), walks the objects and prints one line each, then checks what a screen-reader user
// needs: the buttons, the alert panel and the results outline with checked rows; a row's default
// action toggles its check; and, with a WinEvent hook, that the focus follows the Down key through
// the rows; hit-testing (accHitTest) lands on the row or button under a point, and navigation
// (accNavigate) goes from a button to its neighbour and through the rows. Prints "acc_client: N passed, N
// failed" and exits 1 on any failure.
//
//   acc_client.exe [TITLE]   (the main window's title; "Korvane ADS" by default)
//   acc_client.exe TITLE rows   (only prints every object and item, and changes nothing)

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include <oleacc.h>

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", what);
    ok ? ++passed : ++failed;
    std::fflush(stdout);
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 128 && c >= 32 ? static_cast<char>(c) : '?';
    }
    return out;
}

VARIANT childVar(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring textOf(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* object,
                    long id) {
    BSTR text = nullptr;
    std::wstring result;
    if ((object->*get)(childVar(id), &text) == S_OK && text != nullptr) {
        result = text;
    }
    SysFreeString(text);
    return result;
}

long numberOf(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* object,
              long id) {
    VARIANT value;
    VariantInit(&value);
    if ((object->*get)(childVar(id), &value) == S_OK && value.vt == VT_I4) {
        return value.lVal;
    }
    VariantClear(&value);
    return -1;
}

struct TFound {
    IAccessible* object = nullptr; // held
    long child = CHILDID_SELF;
    long role = 0;
    long state = 0;
    std::wstring name;
};

std::vector<TFound> found;
bool everyItem = false; // every item printed, not only the first few of each object

void walk(IAccessible* object, int depth) {
    const long role = numberOf(&IAccessible::get_accRole, object, CHILDID_SELF);
    const long state = numberOf(&IAccessible::get_accState, object, CHILDID_SELF);
    const std::wstring name = textOf(&IAccessible::get_accName, object, CHILDID_SELF);
    std::printf("%*srole=%ld state=0x%lx name=\"%s\" value=\"%s\"\n", depth * 2, "", role, state,
                narrow(name).c_str(),
                narrow(textOf(&IAccessible::get_accValue, object, CHILDID_SELF)).c_str());
    object->AddRef();
    found.push_back(TFound{object, CHILDID_SELF, role, state, name});
    long count = 0;
    object->get_accChildCount(&count);
    for (long i = 1; i <= count && depth < 8; ++i) {
        IDispatch* dispatch = nullptr;
        const HRESULT hr = object->get_accChild(childVar(i), &dispatch);
        if (hr == S_OK && dispatch != nullptr) {
            IAccessible* child = nullptr;
            if (SUCCEEDED(dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child)))) {
                walk(child, depth + 1);
                child->Release();
            }
            dispatch->Release();
        } else if (hr == S_FALSE) {
            const long itemRole = numberOf(&IAccessible::get_accRole, object, i);
            const long itemState = numberOf(&IAccessible::get_accState, object, i);
            const std::wstring itemName = textOf(&IAccessible::get_accName, object, i);
            if (i <= 12 || everyItem) {
                std::printf("%*sitem %ld role=%ld state=0x%lx name=\"%s\" value=\"%s\" description=\"%s\"\n",
                            depth * 2 + 2, "", i, itemRole, itemState, narrow(itemName).c_str(),
                            narrow(textOf(&IAccessible::get_accValue, object, i)).c_str(),
                            narrow(textOf(&IAccessible::get_accDescription, object, i)).c_str());
            }
            object->AddRef();
            found.push_back(TFound{object, i, itemRole, itemState, itemName});
        }
    }
}

const TFound* first(const std::function<bool(const TFound&)>& test) {
    for (const TFound& each : found) {
        if (test(each)) {
            return &each;
        }
    }
    return nullptr;
}

struct TSearch {
    std::wstring title;
    HWND window = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<TSearch*>(data);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (IsWindowVisible(window) && std::wstring(text).find(s->title) == 0) {
        s->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND mainWindow(const std::wstring& title) {
    TSearch search{title};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.window;
}

struct TFocusSeen {
    HWND window = nullptr;
    long child = 0;
};
std::vector<TFocusSeen> focusEvents;

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (event == EVENT_OBJECT_FOCUS && object == OBJID_CLIENT) {
        focusEvents.push_back(TFocusSeen{window, child});
    }
}

void pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (GetTickCount() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
}

void pressKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Where a screen reader's pointer lands: asks each object for the point, going down while an object
// answers one of its children's; answers the last object (held) and the child it named.
IAccessible* hitAt(IAccessible* root, long x, long y, long& child) {
    IAccessible* at = root;
    at->AddRef();
    child = CHILDID_SELF;
    for (int depth = 0; depth < 8; ++depth) {
        VARIANT hit;
        VariantInit(&hit);
        if (at->accHitTest(x, y, &hit) != S_OK) {
            break;
        }
        if (hit.vt == VT_I4) {
            child = hit.lVal;
            break;
        }
        IAccessible* inner = nullptr;
        if (hit.vt == VT_DISPATCH && hit.pdispVal != nullptr &&
            SUCCEEDED(hit.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&inner)))) {
            at->Release();
            at = inner;
        }
        VariantClear(&hit);
        if (inner == nullptr) {
            break;
        }
    }
    return at;
}

// A point in the middle of an object's or item's place on the screen, at most 40 pixels from its left (a
// row is as wide as all its columns, wider than the tree shows); false when it has none.
bool centreOf(IAccessible* object, long child, long& x, long& y) {
    long left = 0, top = 0, width = 0, height = 0;
    if (object->accLocation(&left, &top, &width, &height, childVar(child)) != S_OK || width <= 0 ||
        height <= 0) {
        return false;
    }
    x = left + (width / 2 < 40 ? width / 2 : 40);
    y = top + height / 2;
    return true;
}

// Where accNavigate leads from an object's child: the item it names (object stays), or another
// object's self (answered held in next). Answers false when it leads nowhere.
bool navigate(IAccessible* object, long from, long direction, IAccessible*& next, long& child) {
    VARIANT end;
    VariantInit(&end);
    next = nullptr;
    child = CHILDID_SELF;
    if (object->accNavigate(direction, childVar(from), &end) != S_OK) {
        return false;
    }
    bool led = false;
    if (end.vt == VT_I4) {
        child = end.lVal;
        led = true;
    } else if (end.vt == VT_DISPATCH && end.pdispVal != nullptr) {
        led = SUCCEEDED(end.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&next)));
    }
    VariantClear(&end);
    return led;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring title = argc > 1 ? argv[1] : L"Korvane ADS";
    CoInitialize(nullptr);
    HWND window = mainWindow(title);
    check(window != nullptr, "the main window is found");
    if (window == nullptr) {
        std::printf("acc_client: %d passed, %d failed\n", passed, failed);
        return 1;
    }

    // Asked for by the GUID's value, not through a symbol a link order can get wrong.
    const GUID iidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    check(IsEqualGUID(IID_IAccessible, iidAccessible),
          "IID_IAccessible is {618736E0-3C3D-11CF-810C-00AA00389B71}");
    IAccessible* root = nullptr;
    const HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), iidAccessible,
                                                  reinterpret_cast<void**>(&root));
    check(SUCCEEDED(hr) && root != nullptr, "the window answers with an IAccessible");
    if (root == nullptr) {
        std::printf("acc_client: %d passed, %d failed\n", passed, failed);
        return 1;
    }
    everyItem = argc > 2 && std::wstring(argv[2]) == L"rows";
    walk(root, 0);
    if (everyItem) {
        for (const TFound& each : found) {
            each.object->Release();
        }
        root->Release();
        CoUninitialize();
        return 0;
    }

    auto named = [](long role, const wchar_t* name) {
        return first([=](const TFound& f) { return f.role == role && f.name == name; }) != nullptr;
    };
    check(named(ROLE_SYSTEM_PUSHBUTTON, L"Backup Checked"), "Backup Checked is a push button");
    check(named(ROLE_SYSTEM_PUSHBUTTON, L"Delete Checked"), "Delete Checked is a push button");
    check(first([](const TFound& f) { return f.role == ROLE_SYSTEM_GROUPING && !f.name.empty(); }) != nullptr,
          "the alert panel is a group named by its title");
    const TFound* outline = first([](const TFound& f) { return f.role == ROLE_SYSTEM_OUTLINE; });
    check(outline != nullptr, "the results tree is an outline");
    const TFound* row = first([](const TFound& f) {
        return f.role == ROLE_SYSTEM_OUTLINEITEM && (f.state & STATE_SYSTEM_CHECKED) != 0 &&
               f.name.find(L':') == std::wstring::npos && !f.name.empty();
    });
    check(row != nullptr, "the outline has checked rows after the scan");
    const TFound* stream = first([](const TFound& f) {
        return f.role == ROLE_SYSTEM_OUTLINEITEM && (f.state & STATE_SYSTEM_CHECKED) != 0 &&
               f.name.find(L'\\') == std::wstring::npos;
    });
    if (stream != nullptr) {
        const std::wstring value = textOf(&IAccessible::get_accValue, stream->object, stream->child);
        check(value == L"2", "a stream row's value is its level, 2");
        const std::wstring description =
            textOf(&IAccessible::get_accDescription, stream->object, stream->child);
        check(!description.empty(), "a stream row's description carries the other columns");
        check(stream->object->accDoDefaultAction(childVar(stream->child)) == S_OK,
              "the row's default action is done");
        const long after = numberOf(&IAccessible::get_accState, stream->object, stream->child);
        check(after != -1 && (after & STATE_SYSTEM_CHECKED) == 0, "the default action unchecked the row");
        stream->object->accDoDefaultAction(childVar(stream->child));
        const long again = numberOf(&IAccessible::get_accState, stream->object, stream->child);
        check((again & STATE_SYSTEM_CHECKED) != 0, "done again, it checks the row again");
    } else {
        check(false, "a stream row is listed");
    }

    // Hit-testing from the window down: a point on a stream row lands on that row of the outline, a
    // point on a button on the button.
    if (stream != nullptr) {
        long x = 0, y = 0;
        long child = 0;
        const bool placed = centreOf(stream->object, stream->child, x, y);
        IAccessible* hit = placed ? hitAt(root, x, y, child) : nullptr;
        std::printf("hit test at (%ld, %ld): child %ld of \"%s\" (the row is child %ld)\n", x, y, child,
                    hit != nullptr ? narrow(textOf(&IAccessible::get_accName, hit, CHILDID_SELF)).c_str()
                                   : "",
                    stream->child);
        check(hit != nullptr && child == stream->child &&
                  numberOf(&IAccessible::get_accRole, hit, CHILDID_SELF) == ROLE_SYSTEM_OUTLINE,
              "accHitTest on a row answers that row of the outline");
        if (hit != nullptr) {
            hit->Release();
        }
    }
    const TFound* backup = first([](const TFound& f) { return f.name == L"Backup Checked"; });
    if (backup != nullptr) {
        long x = 0, y = 0;
        long child = 0;
        IAccessible* hit = centreOf(backup->object, CHILDID_SELF, x, y) ? hitAt(root, x, y, child) : nullptr;
        check(hit != nullptr && child == CHILDID_SELF &&
                  textOf(&IAccessible::get_accName, hit, CHILDID_SELF) == L"Backup Checked",
              "accHitTest on Backup Checked answers the button");
        if (hit != nullptr) {
            hit->Release();
        }
        // Navigation: the next object beside Backup Checked is Delete Checked, and back again.
        IAccessible* next = nullptr;
        long unused = 0;
        const bool led = navigate(backup->object, CHILDID_SELF, NAVDIR_NEXT, next, unused) && next != nullptr;
        check(led && textOf(&IAccessible::get_accName, next, CHILDID_SELF) == L"Delete Checked",
              "accNavigate NEXT from Backup Checked leads to Delete Checked");
        IAccessible* back = nullptr;
        check(led && navigate(next, CHILDID_SELF, NAVDIR_PREVIOUS, back, unused) && back != nullptr &&
                  textOf(&IAccessible::get_accName, back, CHILDID_SELF) == L"Backup Checked",
              "accNavigate PREVIOUS from Delete Checked leads back to Backup Checked");
        for (IAccessible* held : {next, back}) {
            if (held != nullptr) {
                held->Release();
            }
        }
    }
    if (outline != nullptr) {
        // The rows in order: the first child, the one after it, and back.
        IAccessible* unusedObject = nullptr;
        long firstRow = 0;
        long secondRow = 0;
        long backRow = 0;
        const bool firstLed =
            navigate(outline->object, CHILDID_SELF, NAVDIR_FIRSTCHILD, unusedObject, firstRow);
        const bool nextLed =
            firstLed && navigate(outline->object, firstRow, NAVDIR_NEXT, unusedObject, secondRow);
        const bool backLed =
            nextLed && navigate(outline->object, secondRow, NAVDIR_PREVIOUS, unusedObject, backRow);
        const std::wstring firstName = textOf(&IAccessible::get_accName, outline->object, firstRow);
        const std::wstring secondName = textOf(&IAccessible::get_accName, outline->object, secondRow);
        std::printf("navigation: first row %ld \"%s\", next %ld \"%s\"\n", firstRow,
                    narrow(firstName).c_str(), secondRow, narrow(secondName).c_str());
        check(firstLed &&
                  numberOf(&IAccessible::get_accRole, outline->object, firstRow) == ROLE_SYSTEM_OUTLINEITEM &&
                  firstName.find(L'\\') != std::wstring::npos,
              "accNavigate FIRSTCHILD of the outline is its first row, a file");
        check(nextLed && secondRow == firstRow + 1 && secondName.find(L'\\') == std::wstring::npos &&
                  !secondName.empty(),
              "accNavigate NEXT from the first row is the next row, its first stream");
        check(backLed && backRow == firstRow, "accNavigate PREVIOUS leads back to the first row");
    }

    // The caption bar's button: an item of the window's client object, a menu button named "About"
    // above the client area, whose default action drops its menu down (closed again with Escape).
    const TFound* tab = first([&](const TFound& f) { return f.object == root && f.child != CHILDID_SELF; });
    check(tab != nullptr && tab->role == ROLE_SYSTEM_BUTTONMENU && tab->name == L"About" &&
              textOf(&IAccessible::get_accDefaultAction, root, tab->child) == L"Press" &&
              (tab->state & STATE_SYSTEM_HASPOPUP) != 0,
          "the caption bar's button is a menu button named About, pressed by its default action");
    if (tab != nullptr) {
        long left = 0, top = 0, width = 0, height = 0;
        POINT client{0, 0};
        ClientToScreen(window, &client);
        check(root->accLocation(&left, &top, &width, &height, childVar(tab->child)) == S_OK && width > 0 &&
                  height > 0 && top + height <= client.y,
              "the caption bar's button lies above the client area");
        SetForegroundWindow(window);
        check(root->accDoDefaultAction(childVar(tab->child)) == S_OK, "its default action is done");
        HWND menu = nullptr;
        for (int i = 0; i < 40 && menu == nullptr; ++i) {
            pump(100);
            HWND popup = FindWindowW(L"#32768", nullptr);
            menu = popup != nullptr && IsWindowVisible(popup) ? popup : nullptr;
        }
        check(menu != nullptr, "the default action drops the caption bar's menu down");
        pressKey(VK_ESCAPE);
        pump(500);
    }

    // The focus follows the keyboard: the tree takes the focus, Down moves it a row.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, onWinEvent, process,
                                         0, WINEVENT_OUTOFCONTEXT);
    check(hook != nullptr, "a WinEvent hook is set on the program");
    if (outline != nullptr) {
        SetForegroundWindow(window);
        outline->object->accSelect(SELFLAG_TAKEFOCUS, childVar(CHILDID_SELF));
        pump(500);
        focusEvents.clear();
        pressKey(VK_DOWN);
        pump(1000);
        pressKey(VK_DOWN);
        pump(1000);
        long lastRow = 0;
        for (const TFocusSeen& seen : focusEvents) {
            std::printf("focus event: child %ld\n", seen.child);
            lastRow = seen.child;
        }
        check(focusEvents.size() >= 2 && lastRow > 1, "each Down raised a focus event on the next row");
        const long focusedState =
            lastRow > 0 ? numberOf(&IAccessible::get_accState, outline->object, lastRow) : 0;
        check((focusedState & STATE_SYSTEM_FOCUSED) != 0, "the row the event names is focused");
    }
    if (hook != nullptr) {
        UnhookWinEvent(hook);
    }

    for (TFound& each : found) {
        each.object->Release();
    }
    root->Release();
    CoUninitialize();
    std::printf("acc_client: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
