// The eleven windows, in twips as designed.
#include "Layout.h"

#include <array>
#include <string>

namespace quorrel {
namespace {

std::string Title(const char* left, int spaces, const char* right) {
    return std::string(left) + std::string(spaces, ' ') + right;
}

const std::vector<MenuLayout> kMainMenus = {
    {"mnuFile",
     "&File",
     {{"mnuNew", "&Create a New Collector"},
      {"mnuOpen", "&Open an Existing Collector"},
      {"mnuSave", "&Save Current Collector As..."},
      {"mnuDelete", "&Delete a Collector"},
      {"mnuExit", "E&xit"}}},
    {"mnuhelp", "&Help", {{"mnuProgHelp", "&Help"}, {"mnuAbout", "&About"}}},
};

const std::vector<MenuLayout> kPixMenus = {
    {"mnuFile",
     "&File",
     {{"mnuCreate", "&Create a New Collector"},
      {"mnuOpen", "&Open an Existing Collector"},
      {"mnuSave", "&Save Current Collector As..."},
      {"mnuDelete", "&Delete a Collector"},
      {"mnuExit", "E&xit"}}},
    {"mnuHelp", "&Help", {{"mnuProgHelp", "&Help"}, {"mnuAbout", "&About"}}},
};

std::vector<ControlLayout> PixControls() {
    std::vector<ControlLayout> c = {
        {"cmdClear", Kind::Button, "Clear Clipboard", 120, 3840, 1335, 495, 0, NoFlags},
        {"cmdSave", Kind::Button, "Add To Collector", 1560, 3840, 1335, 495, 1, Default},
        {"cmdPreview", Kind::Button, "Preview", 3000, 3840, 1335, 495, 2, NoFlags},
        {"cmdCapture", Kind::Button, "Capture Screen", 4440, 3840, 1335, 495, 3, NoFlags},
        {"cmdText", Kind::Button, "&Text Mode", 5880, 3840, 1335, 495, 4, NoFlags},
        {"imgClipboard", Kind::Image, "", 120, 720, 3015, 3015, -1, Stretch | Border | Clickable},
    };
    static const char* const names[15] = {"img1",  "img2",  "img3",  "img4",  "img5",
                                          "img6",  "img7",  "img8",  "img9",  "img10",
                                          "img11", "img12", "img13", "img14", "img15"};
    constexpr std::array<int, 5> lefts = {3360, 4440, 5520, 6600, 7680};
    constexpr std::array<int, 3> tops = {600, 1680, 2760};
    for (int n = 1; n <= 15; ++n)
        c.push_back({names[n - 1], Kind::Image, "", lefts[(n - 1) / 3], tops[(n - 1) % 3], 975, 975,
                     -1, Hidden | Stretch | Border | Clickable});
    c.push_back(
        {"Label2", Kind::Label, "Current Clipboard Contents", 240, 360, 2655, 255, -1, Centred});
    c.push_back({"Label3", Kind::Label, "Current Collector", 4680, 0, 1215, 255, -1, NoFlags});
    c.push_back({"lblCollector", Kind::Label, "", 5040, 240, 555, 255, -1,
                 Green | Border | Centred | AutoSize | Clickable});
    c.push_back({"Label1", Kind::Label, "Use Win + Alt to Hide Or Unhide Program", 2640, 4440, 3135,
                 255, -1, NoFlags});
    c.push_back({"Timer1", Kind::Timer, "", 0, 0, 0, 0, -1, NoFlags});
    return c;
}

std::array<WindowLayout, kFormCount> Build() {
    return {{
        {FormId::frmMain,
         "frmMain",
         Title("Quorrel", 24, "Text Mode"),
         Frame::FixedSingle,
         true,
         false,
         true,
         true,
         0,
         0,
         6795,
         2430,
         3270,
         {
             {"Text1", Kind::TextBox, "", 120, 480, 6495, 375, 0, NoFlags},
             {"cmdAddToClipboard", Kind::Button, "Add to &Clipboard", 240, 1080, 1335, 495, 1,
              NoFlags},
             {"cmdAdd", Kind::Button, "&Add to Collector", 240, 1680, 1335, 495, 2, NoFlags},
             {"cmdClear", Kind::Button, "Clear Clipboar&d", 1680, 1080, 1335, 495, 3, NoFlags},
             {"cmdPreview", Kind::Button, "&Paste Preview", 1680, 1680, 1335, 495, 4, NoFlags},
             {"Combo1", Kind::Combo, "Select To Replace Clipboard Contents", 3120, 1200, 3135, 315,
              5, NoFlags},
             {"cmdClipPrev", Kind::Button, "Pre&view Clips", 3120, 1680, 1215, 495, 6, NoFlags},
             {"cmdPix", Kind::Button, "&Graphics Mode", 4560, 1680, 1335, 495, 7, NoFlags},
             {"Label1", Kind::Label, "Current Clipboard Contents", 360, 240, 2175, 255, -1,
              NoFlags},
             {"Label2", Kind::Label, "Collection", 3480, 960, 2055, 255, -1, NoFlags},
             {"lblCollector", Kind::Label, "Select a Collector", 4320, 240, 1305, 255, -1,
              Green | Border | Centred | AutoSize | Clickable},
             {"Label3", Kind::Label, "Current Collector", 4320, 0, 1185, 195, -1,
              Centred | AutoSize},
             {"lblShowHide", Kind::Label, "Use Win + Alt to Hide or Unhide Program", 480, 2280,
              5175, 255, -1, Centred},
             {"Timer1", Kind::Timer, "", 0, 0, 0, 0, -1, NoFlags},
         },
         kMainMenus},
        {FormId::frmPix, "frmPix", Title("Quorrel", 33, "Graphics Mode"), Frame::FixedSingle, true,
         false, true, true, 0, 0, 9135, 4845, 5565, PixControls(), kPixMenus},
        {FormId::frmNameTxt,
         "frmNameTxt",
         "Create Collector",
         Frame::Sizable,
         false,
         false,
         true,
         true,
         0,
         0,
         4965,
         2070,
         2520,
         {
             {"Text1", Kind::TextBox, "", 240, 720, 4335, 375, 0, NoFlags},
             {"cmdOk", Kind::Button, "&OK", 1920, 1440, 1215, 495, 2, Disabled | Default},
             {"cmdCancel", Kind::Button, "&Cancel", 3360, 1440, 1215, 495, 3, NoFlags},
             {"Label1", Kind::Label, "Give the new collector a name", 240, 360, 2295, 255, -1,
              NoFlags},
         },
         {}},
        {FormId::frmOpen,
         "frmOpen",
         "Open Collector",
         Frame::Sizable,
         false,
         false,
         true,
         true,
         0,
         0,
         5265,
         1950,
         2400,
         {
             {"Combo1", Kind::Combo, "Select a collector", 960, 600, 3495, 315, 0, NoFlags},
             {"cmdOk", Kind::Button, "&OK", 1440, 1320, 1215, 495, 1, Disabled},
             {"cmdCancel", Kind::Button, "&Cancel", 3000, 1320, 1215, 495, 2, NoFlags},
         },
         {}},
        {FormId::frmPreview,
         "frmPreview",
         Title("Quorrel", 54, "Paste Preview"),
         Frame::FixedSingle,
         true,
         false,
         true,
         true,
         0,
         0,
         9810,
         4620,
         5115,
         {
             {"RichTextBox1", Kind::RichText, "", 240, 240, 9375, 3735, 0, NoFlags},
             {"cmdOk", Kind::Button, "&OK", 3720, 4080, 1215, 495, 1, Default},
             {"cmdCancel", Kind::Button, "&Cancel", 5160, 4080, 1215, 495, 2, NoFlags},
         },
         {}},
        {FormId::frmDelete,
         "frmDelete",
         Title("Quorrel", 13, "Delete Collector"),
         Frame::FixedSingle,
         false,
         false,
         true,
         true,
         0,
         0,
         5925,
         1950,
         2385,
         {
             {"Combo1", Kind::Combo, "", 360, 480, 4575, 315, 0, NoFlags},
             {"cmdOk", Kind::Button, "&OK", 3000, 1320, 1215, 495, 2, Default},
             {"cmdCancel", Kind::Button, "&Cancel", 4440, 1320, 1215, 495, 3, NoFlags},
             {"Label1", Kind::Label, "Choose a Collector to Delete", 720, 240, 4575, 255, -1,
              NoFlags},
             {"lblSkip", Kind::Label, "", 120, 960, 5640, 195, -1, WordWrap},
         },
         {}},
        {FormId::frmSaveAs,
         "frmSaveAs",
         Title("Quorrel", 8, "Save As..."),
         Frame::Sizable,
         false,
         false,
         true,
         true,
         0,
         0,
         5880,
         1980,
         2430,
         {
             {"Label1", Kind::Label, "Type In The Name To Save Colledctor As", 240, 360, 3015, 255,
              -1, NoFlags},
             {"Text1", Kind::TextBox, "", 240, 720, 5295, 375, 1, NoFlags},
             {"cmdOk", Kind::Button, "&OK", 2640, 1320, 1215, 495, 2, Disabled | Default},
             {"cmdCancel", Kind::Button, "&Cancel", 3960, 1320, 1215, 495, 3, NoFlags},
         },
         {}},
        {FormId::frmPixView,
         "frmPixView",
         Title("Quorrel", 20, "Preview"),
         Frame::Sizable,
         true,
         false,
         true,
         true,
         0,
         0,
         6420,
         4155,
         0,
         {
             {"Image1", Kind::Image, "", 120, 120, 6135, 3975, -1, Clickable},
         },
         {}},
        {FormId::frmAbout,
         "frmAbout",
         "About Quorrel ",
         Frame::FixedDialog,
         false,
         false,
         false,
         false,
         2430,
         2475,
         6195,
         3360,
         3975,
         {
             {"cmdOK", Kind::Button, "OK", 4245, 2625, 1260, 345, 0, Default | Cancel},
             {"cmdSysInfo", Kind::Button, "&System Info...", 4260, 3075, 1245, 345, 1, NoFlags},
             {"Image1", Kind::Image, "", 120, 240, 2895, 2145, -1, Stretch},
             {"Label1", Kind::Label, "Quorrel ", 3240, 960, 2175, 255, -1, Bold975},
             {"lblVersion", Kind::Label, "   Version 1.0", 3240, 1680, 1095, 375, -1, NoFlags},
             {"lblBuild", Kind::Label, "Build 2", 4440, 1680, 1215, 495, -1, NoFlags},
         },
         {}},
        {FormId::frmFirst,
         "frmFirst",
         "Create Collector",
         Frame::Sizable,
         false,
         false,
         true,
         true,
         0,
         0,
         5910,
         1860,
         2310,
         {
             {"Text1", Kind::TextBox, "", 480, 600, 4935, 375, 0, NoFlags},
             {"cmdOk", Kind::Button, "&OK", 840, 1200, 1215, 495, 1, Disabled | Default},
             {"cmdCancel", Kind::Button, "&Cancel", 2280, 1200, 1215, 495, 2, NoFlags},
             {"cmdHelp", Kind::Button, "&Help", 3720, 1200, 1215, 495, 3, NoFlags},
             {"Label1", Kind::Label, "Give the new Collector a name", 600, 240, 3135, 255, -1,
              NoFlags},
         },
         {}},
        {FormId::frmClipPrev,
         "frmClipPrev",
         Title("Quorrel", 35, "Clip Preview"),
         Frame::Sizable,
         true,
         false,
         true,
         true,
         0,
         0,
         9810,
         4575,
         5115,
         {
             {"cmdAdd", Kind::Button, "&Add to Clipboard", 7080, 4080, 1215, 495, 0, NoFlags},
             {"cmdClose", Kind::Button, "&Close", 8400, 4080, 1215, 495, 1, NoFlags},
             {"RichTextBox1", Kind::RichText, "", 120, 120, 9495, 3855, 2, NoFlags},
             {"cmdBack", Kind::Button, "&Back", 3600, 4080, 1215, 495, 3, Disabled},
             {"cmdNext", Kind::Button, "&Next", 4800, 4080, 1215, 495, 4, NoFlags},
             {"File1", Kind::FileList, "", 240, 4080, 1215, 480, 5, Hidden},
             {"Label1", Kind::Label, "", 6240, 4200, 150, 360, -1, Bold12 | Border | AutoSize},
         },
         {}},
    }};
}

} // namespace

const WindowLayout& LayoutOf(FormId id) {
    static const std::array<WindowLayout, kFormCount> layouts = Build();
    return layouts[static_cast<int>(id)];
}

const char* FormName(FormId id) {
    return LayoutOf(id).name;
}

} // namespace quorrel
