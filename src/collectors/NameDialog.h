#pragma once
// What the create and first-run dialogs share: the OK rule of their name box and the creation.
#include "ui/Context.h"
#include "ui/Layout.h"

class QLineEdit;
class QPushButton;

namespace quorrel {

// OK is enabled exactly while the name box holds at least one character.
void FollowNameBox(QLineEdit* text1, QPushButton* ok);

// Creates the collector named in `text1`, makes it the open one and resets both mode windows,
// then unloads the dialog `self`. A refused name or a failure leaves the dialog open.
void CreateCollectorFromDialog(Context& ctx, QLineEdit* text1, FormId self);

} // namespace quorrel
