#pragma once
// The base of the toolkit's components that are not controls (menus and their items, timers,
// image lists): a name a window's table of declared components gives them, so that the window's
// code can find them as it finds its controls. Header only.

#include <string>

class TComponent {
public:
    TComponent() = default;
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = default;
    TComponent& operator=(const TComponent&) = default;
    TComponent(TComponent&&) = default;
    TComponent& operator=(TComponent&&) = default;

    const std::wstring& name() const { return FName; }
    void setName(const std::wstring& value) { FName = value; }

private:
    std::wstring FName;
};
