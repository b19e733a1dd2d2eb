#pragma once
// Deleting a picture file the way the desktop does: into the user's trash, from where it
// can be restored.

#include <QString>

namespace platform {

// Moves the regular file at path into the trash. Anything else (a folder, a link, a name
// that is gone) is refused and left where it is. Returns false, with the reason in
// *error when given, when nothing was moved.
bool moveToTrash(const QString& path, QString* error = nullptr);

} // namespace platform
