#pragma once
// Window layouts as data: one table per window, in twips exactly as designed. Form builds the
// controls from its table, converts twips at 15 to the pixel and hands each control to its typed
// member in the window's controls struct (Controls.h).
#include <QObject>

#include <string>
#include <vector>

namespace quorrel {

enum class FormId {
    frmMain,
    frmPix,
    frmNameTxt,
    frmOpen,
    frmPreview,
    frmDelete,
    frmSaveAs,
    frmPixView,
    frmAbout,
    frmFirst,
    frmClipPrev,
};
inline constexpr int kFormCount = 11;

enum class Kind { Button, Label, TextBox, Combo, Image, RichText, FileList, Timer };

enum Flag : unsigned {
    NoFlags = 0,
    Disabled = 1u << 0,
    Hidden = 1u << 1,
    Default = 1u << 2, // Enter presses it while the window is active (and it is enabled)
    Cancel = 1u << 3,  // Esc presses it
    Border = 1u << 4,  // single-line border
    Stretch = 1u << 5, // image: picture stretched to the box
    Centred = 1u << 6,
    Green = 1u << 7,    // background pure green
    AutoSize = 1u << 8, // label sizes itself to its text (grows to the right)
    WordWrap = 1u << 9, // label wraps and grows downwards, width fixed
    Bold12 = 1u << 10,  // 12-point bold
    Bold975 = 1u << 11, // 9.75-point bold
    Clickable = 1u << 12,
};

// Stores a control just made in its member of the window's controls struct; false when the
// control is not of the member's type.
using BindFn = bool (*)(void* controls, QObject* made);

struct ControlLayout {
    const char* name;
    BindFn bind;
    Kind kind;
    const char* caption = "";
    int left = 0, top = 0, width = 0, height = 0; // twips; 0 for a timer
    int tab = -1; // tab index; -1 where the control never takes the focus
    unsigned flags = NoFlags;
};

enum class Frame { FixedSingle, Sizable, FixedDialog };

struct MenuEntry {
    const char* name;
    BindFn bind;
    const char* caption;
};

struct MenuLayout {
    const char* name;
    const char* caption;
    std::vector<MenuEntry> entries;
};

struct WindowLayout {
    FormId id;
    const char* name;
    std::string title;
    Frame frame = Frame::FixedSingle;
    bool minBox = false, maxBox = false, inTaskbar = true;
    bool centred = true; // else at fixedLeft, fixedTop (client area, twips)
    int fixedLeft = 0, fixedTop = 0;
    int clientWidth, clientHeight; // twips, as designed
    int loadHeight = 0;            // outer height set at load; 0: computed (picture viewer)
    std::vector<ControlLayout> controls = {};
    std::vector<MenuLayout> menus = {}; // the two main windows only
};

const WindowLayout& LayoutOf(FormId id);
const char* FormName(FormId id);

// Twips to pixels, 15 to the pixel (Qt scales for high DPI).
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}
constexpr int Twips(int px) {
    return px * 15;
}

} // namespace quorrel
