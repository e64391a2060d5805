// Dialog templates as data: what a dialog resource holds. The module keeps
// its templates in resources/ and hands them to DialogBoxIndirectParamW.
#pragma once

#include <cmath>
#include <cstddef>

enum class ControlKind {
    Label,          // static text
    Bitmap,         // static picture; `resource` names the bitmap
    Button,
    DefaultButton,  // the button Enter presses
    CheckBox,
    RadioButton,
    Edit,
    ReadOnlyEdit,
    GroupBox,
    CustomEdit,  // the host's numeric edit control
};

// What an edit control lets a person type: any text, or only a number
// (whole, or with decimals and exponent) within [low, high]. A numeric edit
// refuses other text as it is typed and keeps what it held.
struct EditEntry {
    enum class Kind { Text, Whole, Number };
    Kind kind = Kind::Text;
    double low = 0.0;
    double high = 0.0;

    // Whether a numeric edit of this entry holds `value`: a finite number
    // within [low, high], and whole for Kind::Whole; a text edit holds any.
    // The one rule for what a person may type and for what a plug-in may
    // show in the field from what it remembers.
    bool Holds(double value) const {
        if (kind == Kind::Text) return true;
        // NaN fails both comparisons; the infinities fail one of them.
        if (!(value >= low && value <= high)) return false;
        return kind != Kind::Whole || std::floor(value) == value;
    }
};

struct DialogControl {
    int id;  // -1 for controls nobody addresses
    ControlKind kind;
    const wchar_t* text;
    short x, y, width, height;  // dialog units
    int resource = 0;
    EditEntry entry = {};
};

struct DialogTemplate {
    int id;
    const wchar_t* title;
    short width, height;  // dialog units
    const wchar_t* font;
    short pointSize;
    const DialogControl* controls;
    std::size_t controlCount;
};
