#pragma once
// Makes a window's controls and menus from the rows of its layout and stores each in its typed
// member of the window's controls struct.
#include "Layout.h"

class QLabel;
class QMenuBar;
class QString;
class QWidget;

namespace quorrel {

// The control of one row, a child of `parent`, stored through the row's binding into
// `controls`. A timer is made too (it is no widget).
QObject* MakeControl(const ControlLayout& row, QWidget* parent, void* controls);

// The menus of the bar, each entry stored in its member of `controls`.
void MakeMenus(QMenuBar* bar, const std::vector<MenuLayout>& menus, void* controls);

// Label captions set at run time keep the label's self-sizing rule (grow to the right from the
// fixed left edge, or downwards for a wrapping label).
void SetCaption(QLabel* label, const QString& caption);

// The windows were laid out for an 8-point bitmap dialog font, narrower than Arial: Liberation
// Sans (Arial's widths, package fonts-liberation) at 7.5 points fits every caption at 96 dpi.
void UseDialogFont();

} // namespace quorrel
