#pragma once
// Qt Multimedia's backend for the camera and the media player. Debian's default backend
// lacks the plugins the program needs, so the program asks for the ffmpeg backend,
// unless the environment chose one already. Call before the first use of Qt Multimedia
// (main() and the tests' main do it before the application object exists).

namespace platform {

void chooseMediaBackend();

} // namespace platform
