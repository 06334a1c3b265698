#pragma once
// The controls of each window as typed members, named as in its layout. Form fills them while it
// builds the controls from the window's table, so a window reaches its controls by member and a
// misspelt name does not compile.
#include "ClickableLabel.h" // complete: its users call QLabel members
#include "Layout.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;
class QWidget;

namespace quorrel {

class ImageBox;

// What both mode windows have: the collector label, the hot-key timer and the shared menus.
struct ModeControls {
    ClickableLabel* lblCollector = nullptr;
    QTimer* Timer1 = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuProgHelp = nullptr;
    QAction* mnuAbout = nullptr;
};

struct frmMainControls : ModeControls {
    static constexpr FormId kId = FormId::frmMain;
    QLineEdit* Text1 = nullptr;
    QPushButton* cmdAddToClipboard = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdPreview = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* cmdClipPrev = nullptr;
    QPushButton* cmdPix = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblShowHide = nullptr;
    QAction* mnuNew = nullptr;
};

struct frmPixControls : ModeControls {
    static constexpr FormId kId = FormId::frmPix;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdCapture = nullptr;
    QPushButton* cmdText = nullptr;
    ImageBox* imgClipboard = nullptr;
    ImageBox* img1 = nullptr;
    ImageBox* img2 = nullptr;
    ImageBox* img3 = nullptr;
    ImageBox* img4 = nullptr;
    ImageBox* img5 = nullptr;
    ImageBox* img6 = nullptr;
    ImageBox* img7 = nullptr;
    ImageBox* img8 = nullptr;
    ImageBox* img9 = nullptr;
    ImageBox* img10 = nullptr;
    ImageBox* img11 = nullptr;
    ImageBox* img12 = nullptr;
    ImageBox* img13 = nullptr;
    ImageBox* img14 = nullptr;
    ImageBox* img15 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QAction* mnuCreate = nullptr;
};

struct frmNameTxtControls {
    static constexpr FormId kId = FormId::frmNameTxt;
    QLineEdit* Text1 = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* Label1 = nullptr;
};

struct frmOpenControls {
    static constexpr FormId kId = FormId::frmOpen;
    QComboBox* Combo1 = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
};

struct frmPreviewControls {
    static constexpr FormId kId = FormId::frmPreview;
    QTextEdit* RichTextBox1 = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
};

struct frmDeleteControls {
    static constexpr FormId kId = FormId::frmDelete;
    QComboBox* Combo1 = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblSkip = nullptr;
};

struct frmSaveAsControls {
    static constexpr FormId kId = FormId::frmSaveAs;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
};

struct frmPixViewControls {
    static constexpr FormId kId = FormId::frmPixView;
    ImageBox* Image1 = nullptr;
};

struct frmAboutControls {
    static constexpr FormId kId = FormId::frmAbout;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    ImageBox* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblBuild = nullptr;
};

struct frmFirstControls {
    static constexpr FormId kId = FormId::frmFirst;
    QLineEdit* Text1 = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;
    QLabel* Label1 = nullptr;
};

struct frmClipPrevControls {
    static constexpr FormId kId = FormId::frmClipPrev;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdClose = nullptr;
    QTextEdit* RichTextBox1 = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QWidget* File1 = nullptr; // the file list: its Path only
    QLabel* Label1 = nullptr;
};

} // namespace quorrel
