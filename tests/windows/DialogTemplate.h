// An extended dialog template (DLGTEMPLATEEX) as the dialog manager reads it
// from a module's resources.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct DialogRect {
    short x, y, cx, cy;
    bool operator==(const DialogRect &other) const
    {
        return x == other.x && y == other.y && cx == other.cx && cy == other.cy;
    }
};

inline std::ostream &operator<<(std::ostream &out, const DialogRect &r)
{
    return out << r.x << ", " << r.y << ", " << r.cx << " x " << r.cy;
}

// A name or an ordinal, as templates hold class names, texts and menus.
struct NameOrOrdinal {
    std::u16string name;
    int ordinal = -1;  // -1: a name (possibly empty)
};

struct DialogItem {
    DWORD id = 0;
    DWORD style = 0;
    DialogRect rect{};
    NameOrOrdinal windowClass;  // predefined classes by atom: 0x80 button, 0x82 static
    NameOrOrdinal text;
};

struct DialogTemplate {
    DWORD style = 0;
    DialogRect rect{};
    std::u16string title;
    WORD pointSize = 0;
    BYTE charset = 0;
    std::u16string font;
    std::vector<DialogItem> items;
};

// Throws std::runtime_error when the bytes are not an extended template.
DialogTemplate ParseDialogTemplate(const std::vector<uint8_t> &bytes);
