// The eleven windows, in twips as designed.
#include "Controls.h"
#include "LayoutRows.h"

#include <array>
#include <string>

namespace quorrel {
namespace {

std::string Title(const char* left, int spaces, const char* right) {
    return std::string(left) + std::string(spaces, ' ') + right;
}

WindowLayout Main() {
    using Ctls = frmMainControls;
    return {
        .id = FormId::frmMain,
        .name = "frmMain",
        .title = Title("Quorrel", 24, "Text Mode"),
        .minBox = true,
        .clientWidth = 6795,
        .clientHeight = 2430,
        .loadHeight = 3270,
        .controls =
            {
                {CONTROL(Text1), .left = 120, .top = 480, .width = 6495, .height = 375, .tab = 0},
                {CONTROL(cmdAddToClipboard), .caption = "Add to &Clipboard", .left = 240,
                 .top = 1080, .width = 1335, .height = 495, .tab = 1},
                {CONTROL(cmdAdd), .caption = "&Add to Collector", .left = 240, .top = 1680,
                 .width = 1335, .height = 495, .tab = 2},
                {CONTROL(cmdClear), .caption = "Clear Clipboar&d", .left = 1680, .top = 1080,
                 .width = 1335, .height = 495, .tab = 3},
                {CONTROL(cmdPreview), .caption = "&Paste Preview", .left = 1680, .top = 1680,
                 .width = 1335, .height = 495, .tab = 4},
                {CONTROL(Combo1), .caption = "Select To Replace Clipboard Contents", .left = 3120,
                 .top = 1200, .width = 3135, .height = 315, .tab = 5},
                {CONTROL(cmdClipPrev), .caption = "Pre&view Clips", .left = 3120, .top = 1680,
                 .width = 1215, .height = 495, .tab = 6},
                {CONTROL(cmdPix), .caption = "&Graphics Mode", .left = 4560, .top = 1680,
                 .width = 1335, .height = 495, .tab = 7},
                {CONTROL(Label1), .caption = "Current Clipboard Contents", .left = 360, .top = 240,
                 .width = 2175, .height = 255},
                {CONTROL(Label2), .caption = "Collection", .left = 3480, .top = 960, .width = 2055,
                 .height = 255},
                {CONTROL(lblCollector), .caption = "Select a Collector", .left = 4320, .top = 240,
                 .width = 1305, .height = 255,
                 .flags = Green | Border | Centred | AutoSize | Clickable},
                {CONTROL(Label3), .caption = "Current Collector", .left = 4320, .top = 0,
                 .width = 1185, .height = 195, .flags = Centred | AutoSize},
                {CONTROL(lblShowHide), .caption = "Use Win + Alt to Hide or Unhide Program",
                 .left = 480, .top = 2280, .width = 5175, .height = 255, .flags = Centred},
                {CONTROL(Timer1)},
            },
        .menus =
            {
                {"mnuFile",
                 "&File",
                 {{ENTRY(mnuNew), .caption = "&Create a New Collector"},
                  {ENTRY(mnuOpen), .caption = "&Open an Existing Collector"},
                  {ENTRY(mnuSave), .caption = "&Save Current Collector As..."},
                  {ENTRY(mnuDelete), .caption = "&Delete a Collector"},
                  {ENTRY(mnuExit), .caption = "E&xit"}}},
                {"mnuhelp",
                 "&Help",
                 {{ENTRY(mnuProgHelp), .caption = "&Help"},
                  {ENTRY(mnuAbout), .caption = "&About"}}},
            },
    };
}

WindowLayout Pix() {
    using Ctls = frmPixControls;
    // The picture slots stand in five columns of three, img1 at the top left.
    auto slot = [](BindFn bind, const char* name, int n) {
        return ControlLayout{.name = name,
                             .bind = bind,
                             .kind = Kind::Image,
                             .left = 3360 + 1080 * ((n - 1) / 3),
                             .top = 600 + 1080 * ((n - 1) % 3),
                             .width = 975,
                             .height = 975,
                             .flags = Hidden | Stretch | Border | Clickable};
    };
#define PICTURE_SLOT(n) slot(&layout::Bind<Ctls, &Ctls::img##n>, "img" #n, n)
    return {
        .id = FormId::frmPix,
        .name = "frmPix",
        .title = Title("Quorrel", 33, "Graphics Mode"),
        .minBox = true,
        .clientWidth = 9135,
        .clientHeight = 4845,
        .loadHeight = 5565,
        .controls =
            {
                {CONTROL(cmdClear), .caption = "Clear Clipboard", .left = 120, .top = 3840,
                 .width = 1335, .height = 495, .tab = 0},
                {CONTROL(cmdSave), .caption = "Add To Collector", .left = 1560, .top = 3840,
                 .width = 1335, .height = 495, .tab = 1, .flags = Default},
                {CONTROL(cmdPreview), .caption = "Preview", .left = 3000, .top = 3840,
                 .width = 1335, .height = 495, .tab = 2},
                {CONTROL(cmdCapture), .caption = "Capture Screen", .left = 4440, .top = 3840,
                 .width = 1335, .height = 495, .tab = 3},
                {CONTROL(cmdText), .caption = "&Text Mode", .left = 5880, .top = 3840,
                 .width = 1335, .height = 495, .tab = 4},
                {CONTROL(imgClipboard), .left = 120, .top = 720, .width = 3015, .height = 3015,
                 .flags = Stretch | Border | Clickable},
                PICTURE_SLOT(1),
                PICTURE_SLOT(2),
                PICTURE_SLOT(3),
                PICTURE_SLOT(4),
                PICTURE_SLOT(5),
                PICTURE_SLOT(6),
                PICTURE_SLOT(7),
                PICTURE_SLOT(8),
                PICTURE_SLOT(9),
                PICTURE_SLOT(10),
                PICTURE_SLOT(11),
                PICTURE_SLOT(12),
                PICTURE_SLOT(13),
                PICTURE_SLOT(14),
                PICTURE_SLOT(15),
                {CONTROL(Label2), .caption = "Current Clipboard Contents", .left = 240, .top = 360,
                 .width = 2655, .height = 255, .flags = Centred},
                {CONTROL(Label3), .caption = "Current Collector", .left = 4680, .top = 0,
                 .width = 1215, .height = 255},
                {CONTROL(lblCollector), .left = 5040, .top = 240, .width = 555, .height = 255,
                 .flags = Green | Border | Centred | AutoSize | Clickable},
                {CONTROL(Label1), .caption = "Use Win + Alt to Hide Or Unhide Program",
                 .left = 2640, .top = 4440, .width = 3135, .height = 255},
                {CONTROL(Timer1)},
            },
        .menus =
            {
                {"mnuFile",
                 "&File",
                 {{ENTRY(mnuCreate), .caption = "&Create a New Collector"},
                  {ENTRY(mnuOpen), .caption = "&Open an Existing Collector"},
                  {ENTRY(mnuSave), .caption = "&Save Current Collector As..."},
                  {ENTRY(mnuDelete), .caption = "&Delete a Collector"},
                  {ENTRY(mnuExit), .caption = "E&xit"}}},
                {"mnuHelp",
                 "&Help",
                 {{ENTRY(mnuProgHelp), .caption = "&Help"},
                  {ENTRY(mnuAbout), .caption = "&About"}}},
            },
    };
#undef PICTURE_SLOT
}

WindowLayout NameTxt() {
    using Ctls = frmNameTxtControls;
    return {
        .id = FormId::frmNameTxt,
        .name = "frmNameTxt",
        .title = "Create Collector",
        .frame = Frame::Sizable,
        .clientWidth = 4965,
        .clientHeight = 2070,
        .loadHeight = 2520,
        .controls =
            {
                {CONTROL(Text1), .left = 240, .top = 720, .width = 4335, .height = 375, .tab = 0},
                {CONTROL(cmdOk), .caption = "&OK", .left = 1920, .top = 1440, .width = 1215,
                 .height = 495, .tab = 2, .flags = Disabled | Default},
                {CONTROL(cmdCancel), .caption = "&Cancel", .left = 3360, .top = 1440, .width = 1215,
                 .height = 495, .tab = 3, .flags = Cancel},
                {CONTROL(Label1), .caption = "Give the new collector a name", .left = 240,
                 .top = 360, .width = 2295, .height = 255},
            },
    };
}

WindowLayout Open() {
    using Ctls = frmOpenControls;
    return {
        .id = FormId::frmOpen,
        .name = "frmOpen",
        .title = "Open Collector",
        .frame = Frame::Sizable,
        .clientWidth = 5265,
        .clientHeight = 1950,
        .loadHeight = 2400,
        .controls =
            {
                {CONTROL(Combo1), .caption = "Select a collector", .left = 960, .top = 600,
                 .width = 3495, .height = 315, .tab = 0},
                {CONTROL(cmdOk), .caption = "&OK", .left = 1440, .top = 1320, .width = 1215,
                 .height = 495, .tab = 1, .flags = Disabled | Default},
                {CONTROL(cmdCancel), .caption = "&Cancel", .left = 3000, .top = 1320, .width = 1215,
                 .height = 495, .tab = 2, .flags = Cancel},
            },
    };
}

WindowLayout Preview() {
    using Ctls = frmPreviewControls;
    return {
        .id = FormId::frmPreview,
        .name = "frmPreview",
        .title = Title("Quorrel", 54, "Paste Preview"),
        .minBox = true,
        .clientWidth = 9810,
        .clientHeight = 4620,
        .loadHeight = 5115,
        .controls =
            {
                {CONTROL(RichTextBox1), .left = 240, .top = 240, .width = 9375, .height = 3735,
                 .tab = 0},
                {CONTROL(cmdOk), .caption = "&OK", .left = 3720, .top = 4080, .width = 1215,
                 .height = 495, .tab = 1, .flags = Default},
                {CONTROL(cmdCancel), .caption = "&Cancel", .left = 5160, .top = 4080, .width = 1215,
                 .height = 495, .tab = 2, .flags = Cancel},
            },
    };
}

WindowLayout Delete() {
    using Ctls = frmDeleteControls;
    return {
        .id = FormId::frmDelete,
        .name = "frmDelete",
        .title = Title("Quorrel", 13, "Delete Collector"),
        .clientWidth = 5925,
        .clientHeight = 1950,
        .loadHeight = 2385,
        .controls =
            {
                {CONTROL(Combo1), .left = 360, .top = 480, .width = 4575, .height = 315, .tab = 0},
                {CONTROL(cmdOk), .caption = "&OK", .left = 3000, .top = 1320, .width = 1215,
                 .height = 495, .tab = 2, .flags = Default},
                {CONTROL(cmdCancel), .caption = "&Cancel", .left = 4440, .top = 1320, .width = 1215,
                 .height = 495, .tab = 3, .flags = Cancel},
                {CONTROL(Label1), .caption = "Choose a Collector to Delete", .left = 720,
                 .top = 240, .width = 4575, .height = 255},
                {CONTROL(lblSkip), .left = 120, .top = 960, .width = 5640, .height = 195,
                 .flags = WordWrap},
            },
    };
}

WindowLayout SaveAs() {
    using Ctls = frmSaveAsControls;
    return {
        .id = FormId::frmSaveAs,
        .name = "frmSaveAs",
        .title = Title("Quorrel", 8, "Save As..."),
        .frame = Frame::Sizable,
        .clientWidth = 5880,
        .clientHeight = 1980,
        .loadHeight = 2430,
        .controls =
            {
                {CONTROL(Label1), .caption = "Type In The Name To Save Colledctor As", .left = 240,
                 .top = 360, .width = 3015, .height = 255},
                {CONTROL(Text1), .left = 240, .top = 720, .width = 5295, .height = 375, .tab = 1},
                {CONTROL(cmdOk), .caption = "&OK", .left = 2640, .top = 1320, .width = 1215,
                 .height = 495, .tab = 2, .flags = Disabled | Default},
                {CONTROL(cmdCancel), .caption = "&Cancel", .left = 3960, .top = 1320, .width = 1215,
                 .height = 495, .tab = 3, .flags = Cancel},
            },
    };
}

WindowLayout PixView() {
    using Ctls = frmPixViewControls;
    return {
        .id = FormId::frmPixView,
        .name = "frmPixView",
        .title = Title("Quorrel", 20, "Preview"),
        .frame = Frame::Sizable,
        .minBox = true,
        .clientWidth = 6420,
        .clientHeight = 4155,
        .controls =
            {
                {CONTROL(Image1), .left = 120, .top = 120, .width = 6135, .height = 3975,
                 .flags = Clickable},
            },
    };
}

WindowLayout About() {
    using Ctls = frmAboutControls;
    return {
        .id = FormId::frmAbout,
        .name = "frmAbout",
        .title = "About Quorrel ",
        .frame = Frame::FixedDialog,
        .inTaskbar = false,
        .centred = false,
        .fixedLeft = 2430,
        .fixedTop = 2475,
        .clientWidth = 6195,
        .clientHeight = 3360,
        .loadHeight = 3975,
        .controls =
            {
                {CONTROL(cmdOK), .caption = "OK", .left = 4245, .top = 2625, .width = 1260,
                 .height = 345, .tab = 0, .flags = Default | Cancel},
                {CONTROL(cmdSysInfo), .caption = "&System Info...", .left = 4260, .top = 3075,
                 .width = 1245, .height = 345, .tab = 1},
                {CONTROL(Image1), .left = 120, .top = 240, .width = 2895, .height = 2145,
                 .flags = Stretch},
                {CONTROL(Label1), .caption = "Quorrel ", .left = 3240, .top = 960, .width = 2175,
                 .height = 255, .flags = Bold975},
                {CONTROL(lblVersion), .caption = "   Version 1.0", .left = 3240, .top = 1680,
                 .width = 1095, .height = 375},
                {CONTROL(lblBuild), .caption = "Build 2", .left = 4440, .top = 1680, .width = 1215,
                 .height = 495},
            },
    };
}

WindowLayout First() {
    using Ctls = frmFirstControls;
    return {
        .id = FormId::frmFirst,
        .name = "frmFirst",
        .title = "Create Collector",
        .frame = Frame::Sizable,
        .clientWidth = 5910,
        .clientHeight = 1860,
        .loadHeight = 2310,
        .controls =
            {
                {CONTROL(Text1), .left = 480, .top = 600, .width = 4935, .height = 375, .tab = 0},
                {CONTROL(cmdOk), .caption = "&OK", .left = 840, .top = 1200, .width = 1215,
                 .height = 495, .tab = 1, .flags = Disabled | Default},
                {CONTROL(cmdCancel), .caption = "&Cancel", .left = 2280, .top = 1200, .width = 1215,
                 .height = 495, .tab = 2},
                {CONTROL(cmdHelp), .caption = "&Help", .left = 3720, .top = 1200, .width = 1215,
                 .height = 495, .tab = 3},
                {CONTROL(Label1), .caption = "Give the new Collector a name", .left = 600,
                 .top = 240, .width = 3135, .height = 255},
            },
    };
}

WindowLayout ClipPrev() {
    using Ctls = frmClipPrevControls;
    return {
        .id = FormId::frmClipPrev,
        .name = "frmClipPrev",
        .title = Title("Quorrel", 35, "Clip Preview"),
        .frame = Frame::Sizable,
        .minBox = true,
        .clientWidth = 9810,
        .clientHeight = 4575,
        .loadHeight = 5115,
        .controls =
            {
                {CONTROL(cmdAdd), .caption = "&Add to Clipboard", .left = 7080, .top = 4080,
                 .width = 1215, .height = 495, .tab = 0},
                {CONTROL(cmdClose), .caption = "&Close", .left = 8400, .top = 4080, .width = 1215,
                 .height = 495, .tab = 1, .flags = Cancel},
                {CONTROL(RichTextBox1), .left = 120, .top = 120, .width = 9495, .height = 3855,
                 .tab = 2},
                {CONTROL(cmdBack), .caption = "&Back", .left = 3600, .top = 4080, .width = 1215,
                 .height = 495, .tab = 3, .flags = Disabled},
                {CONTROL(cmdNext), .caption = "&Next", .left = 4800, .top = 4080, .width = 1215,
                 .height = 495, .tab = 4},
                {CONTROL(File1), .left = 240, .top = 4080, .width = 1215, .height = 480, .tab = 5,
                 .flags = Hidden},
                {CONTROL(Label1), .left = 6240, .top = 4200, .width = 150, .height = 360,
                 .flags = Bold12 | Border | AutoSize},
            },
    };
}

} // namespace

const WindowLayout& LayoutOf(FormId id) {
    // In the order of FormId.
    static const std::array<WindowLayout, kFormCount> layouts = {
        Main(),   Pix(),     NameTxt(), Open(),  Preview(),  Delete(),
        SaveAs(), PixView(), About(),   First(), ClipPrev(),
    };
    return layouts[static_cast<int>(id)];
}

const char* FormName(FormId id) {
    return LayoutOf(id).name;
}

} // namespace quorrel
