#pragma once
// The picture vareror-wav encodes: read from a file in any format Qt's image library reads
// (through its format plugins), as 8-bit RGB.

#include "image.h"

#include <string>

namespace vareror::tools {

// Reads the picture at `path` into `out`. False when it cannot; `why` then says more where
// there is more to say than that the picture could not be read (its reader is missing).
bool readPictureFile(const char *path, core::RgbImage &out, std::string &why);

} // namespace vareror::tools
