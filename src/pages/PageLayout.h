#pragma once
// What a page's description is made of. Each page has one header (APPageLayout.h and its
// siblings) with one table: every control's name, id, kind, place and size in dialog units,
// template caption, the language text its caption shows and a flag. The table is an X-macro
// list, so that the resource compiler builds the Windows dialog templates from it
// (win32/ResourceControls.h) while C++ gets the named ids and a ControlRow array (below), from
// which the Qt pages are built and the forms learn each control's kind.
//
// A row: X(name, id, kind, x, y, width, height, template caption, caption text, flag)
//   kind     Group, Label, Edit, Password, Address, Button, DefaultButton, Check, Radio,
//            List (editable drop-down), SortedList (editable, sorted), DropList (choice only),
//            Display (multi-line, read-only, scrolled)
//   height   of a list: the height dropped down (the field itself is one line)
//   text     the language text the page shows as the caption (TextId), kNoText for none or a
//            fixed one
//   flag     None, Hidden (until the page shows it), StartsGroup (the first control of a group
//            of radio buttons, or the frame or button that ends the group before it)
// Controls without an id (-1) still have a name, for the table's sake.
#include <span>

#include "foundation/TextId.h"

enum class ControlKind {
    kGroup,
    kLabel,
    kEdit,
    kPassword,
    kAddress,
    kButton,
    kDefaultButton,
    kCheck,
    kRadio,
    kList,
    kSortedList,
    kDropList,
    kDisplay,
};

enum class ControlFlag { kNone, kHidden, kStartsGroup };

// A row's caption text when the page shows no language text there.
inline constexpr TextId kNoText = static_cast<TextId>(-1);

struct DialogRect {
    int x, y, width, height;
};

struct ControlRow {
    const char* name;
    int id;
    ControlKind kind;
    DialogRect rect;
    const char* caption;  // UTF-8, as the template has it
    TextId captionText;   // kNoText: none
    ControlFlag flag;
};

struct PageLayout {
    int templateId;
    const char* name;
    std::span<const ControlRow> controls;

    // The control of `id` on this page, or null (also for the controls without an id).
    constexpr const ControlRow* Find(int id) const {
        if (id < 0) {
            return nullptr;
        }
        for (const ControlRow& row : controls) {
            if (row.id == id) {
                return &row;
            }
        }
        return nullptr;
    }
};

// What each kind of control can do.
constexpr bool IsList(ControlKind kind) {
    return kind == ControlKind::kList || kind == ControlKind::kSortedList ||
           kind == ControlKind::kDropList;
}
constexpr bool IsEditableList(ControlKind kind) {
    return kind == ControlKind::kList || kind == ControlKind::kSortedList;
}
constexpr bool IsCheckable(ControlKind kind) {
    return kind == ControlKind::kCheck || kind == ControlKind::kRadio;
}
constexpr bool IsEditField(ControlKind kind) {
    return kind == ControlKind::kEdit || kind == ControlKind::kPassword;
}
constexpr bool IsButton(ControlKind kind) {
    return kind == ControlKind::kButton || kind == ControlKind::kDefaultButton || IsCheckable(kind);
}
// Every kind but the address field has a text of its own.
constexpr bool HasText(ControlKind kind) {
    return kind != ControlKind::kAddress;
}
const char* ControlKindName(ControlKind kind);

// Within a page, no two controls share an id.
constexpr bool IdsAreUnique(std::span<const ControlRow> controls) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[i].id >= 0 && controls[i].id == controls[j].id) {
                return false;
            }
        }
    }
    return true;
}

// A page header's table made into C++: the named ids in namespace `ns`, the array of rows
// `rows` and the page's description `layout`.
#define ZR40_DESCRIBE_PAGE(ns, controls, rows, layout, templateId, title) \
    namespace ns {                                                        \
    controls(ZR40_CONTROL_ID)                                             \
    }                                                                     \
    inline constexpr ControlRow rows[] = {controls(ZR40_CONTROL_ROW)};    \
    inline constexpr PageLayout layout{templateId, title, rows};          \
    static_assert(IdsAreUnique(rows), "two controls of the " title " page share an id");

// The expansions of one row.
#define ZR40_CONTROL_ID(name, id, kind, x, y, w, h, caption, text, flag) \
    inline constexpr int name = id;
#define ZR40_CONTROL_ROW(name, id, kind, x, y, w, h, caption, text, flag) \
    ControlRow{#name, id, ControlKind::k##kind, {x, y, w, h}, caption, text, ControlFlag::k##flag},
