#pragma once
// The folders of finished pictures (sent pictures, auto-saved received pictures): their
// files are named by the time the picture finished, "yymmddhhmmss.jpg", so name order
// is time order. Only such files are the program's own: pruning never touches any
// other file of the folder. The camera folder's names carry the prefix "Camera" before
// the date; `prefix` names it (letter case ignored when names are matched).

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace engine {

// The dated name of a picture finished at `when` that is free in `folder`: the plain
// name, or, when a picture finished in the same second, the name with "_2" ("_3" ...)
// before the extension, which sorts after it.
QString freeDatedName(const QString& folder, const QDateTime& when, const QString& prefix = {});

// True for the program's own dated picture names ("yymmddhhmmss.jpg", "..._2.jpg").
bool isDatedPictureName(const QString& name, const QString& prefix = {});

// The program's dated pictures in `folder`, oldest first (file names only).
QStringList datedPictures(const QString& folder, const QString& prefix = {});

// Deletes the oldest dated pictures of `folder` while more than `keep` are there, at
// most `mostDeletions` of them, never the file named `spare` (the picture just
// written). A file that cannot be deleted is skipped. Returns the number deleted.
int pruneDatedPictures(const QString& folder, int keep, int mostDeletions, const QString& spare,
                       const QString& prefix = {});

} // namespace engine
