#pragma once
// The runtime's picture writer: a picture saved as a Windows bitmap file, replaced whole
// or not at all (a failed or interrupted write leaves the previous file as it was).

#include <QImage>
#include <QString>

namespace platform {

// Throws VbError with the reason when the file cannot be written.
void SavePicture(const QImage& picture, const QString& path);

} // namespace platform
