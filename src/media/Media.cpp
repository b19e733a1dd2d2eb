#include "media/Media.h"

#include "shell/FormMain.h"

namespace media {

Media::Media(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Media::mulmed_Click() {}

} // namespace media
