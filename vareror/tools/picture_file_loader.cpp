// vareror-wav reads the pictures it encodes through Qt's image library, which brings Qt's GUI
// libraries with it: loaded at every start, they took some 4 ms of each run, a decode's too,
// which needs none of them. So the reader lives in a module of its own beside the program
// (vareror-wav-pictures.so, pictures/picture_file_qt.cpp), loaded only when a picture is read.
#include "picture_file.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace vareror::tools {

namespace {
// the module's one entry (extern "C", so that dlsym finds it by this name)
using ReadEntry = bool (*)(const char *path, core::RgbImage *out, std::string *why);
constexpr const char *kModule = "vareror-wav-pictures.so", *kEntry = "vareror_wav_read_picture";

// the folder the program was started from, where the module is built and installed beside it
std::string programFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    const std::string path(buf, size_t(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}
} // namespace

bool readPictureFile(const char *path, core::RgbImage &out, std::string &why)
{
    // (kept loaded for the process's life: the image plugins Qt loaded from it stay in use)
    const std::string module = programFolder() + "/" + kModule;
    void *handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        why = std::string("its reader could not be loaded (") + dlerror() + ")";
        return false;
    }
    const auto read = reinterpret_cast<ReadEntry>(dlsym(handle, kEntry));
    if (!read) {
        why = std::string("its reader ") + module + " has no " + kEntry;
        return false;
    }
    return read(path, &out, &why);
}

} // namespace vareror::tools
