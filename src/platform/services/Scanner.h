#pragma once
// Scanners through SANE: the devices it finds, and one device opened to set its options
// and scan a picture, read in chunks with a progress report that can cancel. SANE is
// initialised on the first use and left at the program's shut-down (shutdown()).

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <stdexcept>
#include <vector>

namespace platform {

struct ScannerDevice {
    QString name;   // what a device is opened by ("test:0")
    QString vendor;
    QString model;
    QString type;
};

// A scan that failed: SANE's status (0 for failures of our own) and its text.
class ScanError : public std::runtime_error {
public:
    ScanError(int status, const QString& what) : std::runtime_error(what.toStdString()), status(status) {}
    int status;
};

// The scan was cancelled by the progress report.
class ScanCancelled : public ScanError {
public:
    ScanCancelled() : ScanError(2, QStringLiteral("Operation was cancelled")) {}
};

// One frame as the device delivered it. format: 0 gray, 1 RGB, 2 red, 3 green, 4 blue
// (SANE's frame formats); depth 1, 8 or 16 bits a sample, 16-bit samples in the
// machine's byte order; lines -1 when the device did not know the height.
struct ScanFrame {
    int format = 0;
    int depth = 8;
    int pixelsPerLine = 0;
    int bytesPerLine = 0;
    int lines = -1;
    QByteArray data;
};

// The picture of one scan's frames: a gray or RGB frame alone, or a red, a green and a
// blue frame together. 1-bit gray is black where a bit is set; other 1-bit samples are
// full where set; 16-bit samples keep their high byte. The height is the lines read
// (at most the lines announced). A null picture when the frames hold no whole line or
// do not fit together.
QImage imageFromFrames(const std::vector<ScanFrame>& frames);

class Scanner {
public:
    // The devices SANE finds. Throws ScanError.
    static QList<ScannerDevice> devices();
    // Leaves SANE (at the program's shut-down); a later use initialises it again.
    static void shutdown();

    // Bytes of frame `frame` read so far, of `total` (0 when the height is not known).
    // Returning false cancels the scan.
    using Progress = std::function<bool(int frame, qint64 done, qint64 total)>;

    // Opens `device`. Throws ScanError.
    explicit Scanner(const QString& device);
    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // The values option `name` offers from a list (empty when it has no such list or no
    // such option).
    QStringList choices(const QString& name) const;
    // Sets option `name` as its type asks (text, whole number, fixed-point number, truth
    // value). Throws ScanError when there is no such option or it cannot be set.
    void setOption(const QString& name, const QVariant& value);

    // Scans one picture: every frame of it, read in chunks of `chunk` bytes, `progress`
    // told after each. Throws ScanError (ScanCancelled when cancelled); an empty picture
    // is an error too.
    QImage scan(const Progress& progress, int chunk = 32768);

private:
    void* handle_ = nullptr;
};

} // namespace platform
