#pragma once
// The picture-buffer control: holds one picture and writes it to a file in a chosen
// format. The program uses it as its general picture writer: callers set the picture,
// ImageFormat, WriteCompression and filename, then call Store. The buffer keeps
// everything that was set, so a later Store that only changes the file name writes in
// the format of the previous write.

#include <QImage>
#include <QString>
#include <QWidget>
#include <stdexcept>

namespace platform {

// Raised by Store when the picture cannot be written; what() is a description fit for
// the operator.
class PicbufError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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
    void setPicture(const QImage &image);

    int ImageFormat() const { return format_; }
    void setImageFormat(int code) { format_ = code; }

    int WriteCompression() const { return quality_; }
    void setWriteCompression(int quality) { quality_ = quality; }

    QString filename() const { return filename_; }
    void setFilename(const QString &path) { filename_ = path; }

    // Writes the picture held to filename in ImageFormat (JPEG at WriteCompression).
    // The file is replaced whole or not at all. Throws PicbufError on failure.
    void Store();

    // Look of the control (set once at start-up).
    quint32 BackColor() const { return backColor_; }
    void setBackColor(quint32 vbColour);
    int Appearance() const { return appearance_; }
    void setAppearance(int appearance);

    // The Qt image-writer format for a format code, or an empty string when the buffer
    // cannot write that format.
    static QByteArray writerFormat(int code);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage picture_;
    int format_ = Bmp; // a buffer that no write has set yet writes bitmaps
    int quality_ = 0;
    QString filename_;
    quint32 backColor_ = 0;
    int appearance_ = 0;
};

} // namespace platform
