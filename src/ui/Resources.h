#pragma once
// The program's own pictures, compiled into it: the application icon and the About box picture.
#include <QIcon>
#include <QImage>

namespace quorrel {

// The icon every window and message box carries (16 x 16, 32 x 32 and a scalable drawing), as
// the application's window icon.
QIcon AppIcon();
// The About box's product picture, 200 x 150 pixels.
QImage ProductPicture();

} // namespace quorrel
