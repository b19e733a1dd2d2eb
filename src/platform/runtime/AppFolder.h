#pragma once
// Where the program keeps its files: the per-user data folder $XDG_DATA_HOME/Tovaro
// (by default ~/.local/share/Tovaro). Paths are joined with "/"; nothing here or
// elsewhere changes the process's working directory.

#include <QString>

namespace platform {

// The application folder's path (not created; no trailing "/").
QString appFolder();

// Creates the application folder when missing (and the folders above it). Returns false when
// it can't be made, and *why (when given) names the folder that could not be made and the
// system's reason ("share cannot be made in /home/op/.local: Read-only file system").
bool ensureAppFolder(QString* why = nullptr);

// a + "/" + b with exactly one "/" between them; "\" in b (as the program's names
// such as "\Favorites\Favorite1.bmp" are written) becomes "/".
QString joinPath(const QString& a, const QString& b);

// A path under the application folder: appPath("TXImages") or appPath("\\AutoSave\\").
QString appPath(const QString& relative);

// The folder of the running executable, where libvareror.so is built beside tovaro.
QString exeFolder();

// The engine library's path: exeFolder() + "/libvareror.so".
QString engineLibraryPath();

} // namespace platform
