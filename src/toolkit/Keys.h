#pragma once
// Keys as the toolkit hands them to controls: the platform's virtual-key codes for the keys the
// widgets act on, and the modifier keys held with them. Header only, so that the platform backends
// can use them without linking the toolkit.

#ifdef VK_BACK
#error "include toolkit headers before <windows.h>"
#endif

// Virtual-key codes, with the platform's values.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_F10 = 0x79;

// Modifier keys held with a key, a set of bits.
enum TShiftKey : unsigned { ssShift = 1u << 0, ssCtrl = 1u << 1, ssAlt = 1u << 2 };
using TShiftState = unsigned;
