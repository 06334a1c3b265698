#pragma once
#include <string>

namespace quorrel {

// Moves a file or folder whole to the desktop's Trash (on Linux the freedesktop.org trash of its
// file system, or the user's own when that lies on the same one), from where it can be restored.
// False when there is no Trash for it or it could not be moved there: then it is where it was.
bool MoveToTrash(const std::string& path);

} // namespace quorrel
