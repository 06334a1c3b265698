#pragma once
// How windows reach each other: the app's registry of windows. Each window exists at most once,
// is created (and loaded) on first reference and lives until it is unloaded. The mode-window
// operations let a dialog change both mode windows without knowing their classes.
#include "Layout.h"

#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

namespace quorrel {

class Forms {
  public:
    virtual ~Forms() = default;

    // The window, created and loaded when it is not loaded yet.
    virtual QWidget* Form(FormId id) = 0;
    // Loads when needed, shows modeless, brings to the front.
    virtual void Show(FormId id) = 0;
    // Runs the window's unload and destroys it; nothing when not loaded or already unloading.
    virtual void Unload(FormId id) = 0;
    virtual bool IsLoaded(FormId id) const = 0;

    // Mode windows.
    virtual void SetCollectorLabels(const QString& name) = 0; // " " & name & " " in both
    virtual void ResetClipList(const QString& editText) = 0;  // frmMain Combo1: clear, text, enable
    virtual void AddClipItems(const QStringList& items) = 0;  // appended to frmMain Combo1
    virtual void EnableAdd() = 0;                             // frmMain cmdAdd
    virtual void HidePictureSlots() = 0;
    virtual void RefreshPictureSlots() = 0;
};

} // namespace quorrel
