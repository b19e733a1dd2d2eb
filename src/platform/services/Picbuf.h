#pragma once
// The picture-buffer control: holds one picture, reads it from a file and writes it to a
// file in a chosen format. It is the program's one picture decoder: Picbuf::load() and the
// platform loader LoadPicture() both decode by the file's content, never by its name, so
// the callers' extension tables only decide which names they accept.
//
// Writing: callers set the picture, ImageFormat, WriteCompression and filename, then call
// Store. The buffer keeps everything that was set, so a later Store that only changes the
// file name writes in the format of the previous write.
//
// Picture files are untrusted: sides above kMaxPictureSide, pictures that would need more
// than kMaxPictureMegabytes, and damaged data are refused with a PicbufError before any
// large allocation.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWidget>
#include <stdexcept>

namespace platform {

namespace codec { enum class Adjustment; }

// Raised by load and Store when the picture cannot be read or written; what() is a
// description fit for the operator.
class PicbufError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kMaxPictureSide = 16384;
inline constexpr int kMaxPictureMegabytes = 256;

// The picture a file's bytes hold, decoded by their content: BMP (RLE too), DIB with or
// without its "BM" file header, JPEG, GIF, PNG, TIFF, ICO and CUR (their largest image),
// Targa, PCX, WMF and EMF. Metafiles are drawn on white. Throws PicbufError.
QImage decodePicture(const QByteArray &bytes);

// The platform picture loader: the picture of the file at path. Throws PicbufError.
QImage LoadPicture(const QString &path);

class Picbuf : public QWidget {
    Q_OBJECT
public:
    // Format codes of ImageFormat; 0 means none chosen.
    enum Format {
        NoFormat = 0,
        Tiff = 1,
        Targa = 2,
        Bmp = 3,
        Dib = 5,
        Pcx = 6,
        Jpeg = 7,
        Fif = 9,
        Png = 10,
    };
    // The quality used for a JPEG write when WriteCompression was never set.
    static constexpr int DefaultJpegQuality = 65;

    explicit Picbuf(QWidget *parent = nullptr);

    QImage picture() const { return picture_; }
    // Puts a copy of the picture into the buffer; raises PictureChanged.
    void setPicture(const QImage &image);

    int ImageFormat() const { return format_; }
    void setImageFormat(int code) { format_ = code; }

    int WriteCompression() const { return quality_; }
    void setWriteCompression(int quality) { quality_ = quality; }

    QString filename() const { return filename_; }
    void setFilename(const QString &path) { filename_ = path; }

    // Reads the picture of filename into the buffer and raises PictureChanged. On failure
    // throws PicbufError and keeps the picture it held.
    void load();

    // Writes the picture held to filename in ImageFormat (JPEG at WriteCompression).
    // The file is replaced whole or not at all. Throws PicbufError on failure.
    void Store();

    // The check callers make before a save (above 1 they grey the picture first). This
    // buffer never asks for that: it is always 0.
    int preSaveCheck() const { return 0; }

    // The preparation before a series of loads (the strip, the browser's pages, the mug
    // shots): Clear empties the buffer and raises PictureChanged, so a series in which no
    // file loads leaves it empty, never holding a picture from before. The flag and the
    // depth are kept as set.
    void Clear();
    bool Flag() const { return flag_; }
    void setFlag(bool on) { flag_ = on; }
    int Depth() const { return depth_; }
    void setDepth(int bits) { depth_ = bits; }

    // The picture adjustments. Each works on a copy and puts the result in place of the
    // picture, raising PictureChanged; an empty buffer stays as it is and raises nothing.
    // On failure they throw PicbufError and keep the picture.
    void sharpen(int radius);  // radius 0: as wide as the blur's sigma of 1 asks
    void soften(int radius);
    void grey();               // Rec. 709 luma, kept as 24-bit colour
    void negative();
    // Brightness and contrast from 0.00 to 1.00, applied together; 0.5 each leaves the
    // picture as it is.
    void brightnessContrast(double brightness, double contrast);
    // Gamma from 1.0 to 10.0; 5.0 leaves the picture as it is, above it brightens.
    void gamma(double level);

    // The two display settings the picture-adjust panel gives the shown buffer at each
    // opening (2 and 5); kept as set. The buffer always shows its picture stretched over
    // itself, whatever they hold.
    int DisplayMode() const { return displayMode_; }
    void setDisplayMode(int value) { displayMode_ = value; }
    int DisplayOption() const { return displayOption_; }
    void setDisplayOption(int value) { displayOption_ = value; }

    // Look of the control (set once at start-up).
    quint32 BackColor() const { return backColor_; }
    void setBackColor(quint32 vbColour);
    int Appearance() const { return appearance_; }
    void setAppearance(int appearance);

    // The Qt image-writer format for a format code written through Qt, or an empty
    // string (Targa and PCX are written by the buffer's own encoder; FIF by none).
    static QByteArray writerFormat(int code);

signals:
    // After every picture put into the buffer and every operation on it.
    void PictureChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QByteArray encode(int code) const;
    void adjust(codec::Adjustment what, double a, double b);

    QImage picture_;
    int format_ = Bmp; // a buffer that no write has set yet writes bitmaps
    int quality_ = 0;
    QString filename_;
    bool flag_ = false;
    int depth_ = 24;
    int displayMode_ = 0;
    int displayOption_ = 0;
    quint32 backColor_ = 0;
    int appearance_ = 0;
};

} // namespace platform
