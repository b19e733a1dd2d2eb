#pragma once
// The program's picture file formats by extension: which names the load menu accepts and
// how, the texts of the "Load Image" and "Save Image" dialogs, and SaveImageAs, the one
// routine through which a picture is saved under a name the operator chooses.

#include <QString>

#include <array>
#include <cstdint>

namespace platform {
class CommonDialog;
class Picbuf;
} // namespace platform

namespace intake {

// The dialogs' filters, as the dialog control takes them.
extern const QString kLoadFilter;
extern const QString kSaveFilter;

// The extension as the load menu reads it: the name's last three characters, upper-cased
// ("x.jpeg" gives "PEG").
QString loadExtension(const QString& fileName);

// How "Load Picture to TX" reads a file of that extension.
enum class LoadRoad { NotLoaded, PlatformLoader, PictureBuffer };
LoadRoad loadRoad(const QString& extension);

// The save format code an extension chooses (0 when none).
int saveFormat(const QString& extension);

// Asks for a name in the "Save Image" dialog and writes picbuf's picture there: in the
// caller's ImageFormat when it is not 0, else in the format of the name's extension. A
// cancel is silent; a GIF name is refused; any other failure shows its description.
void SaveImageAs(platform::Picbuf& picbuf, platform::CommonDialog& dlg);

// Where a W x H picture lands on the crop dialog's 640 x 512 canvas (left, top, right,
// bottom); headerBand is set for a 4:3 picture, which fills the canvas below a black band
// of 32 rows left free for a header.
std::array<int32_t, 4> cropCanvasPlace(int width, int height, bool& headerBand);

} // namespace intake
