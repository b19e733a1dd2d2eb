#include "intake/PictureFiles.h"

#include "interfaces/Facts.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"

namespace intake {

const QString kLoadFilter = QStringLiteral(
    "All Picture Files (*.*)|*.bmp;*.jpg;*.gif;*.tif;*.tga;*.png;*.pcx;*.dib;*.wmf;*.emf;*.ico;*.cur|"
    "Picture Files (*.bmp)|*.bmp|Picture Files (*.jpg)|*.jpg|Picture Files (*.gif)|*.gif|"
    "Picture Files (*.tif)|*.tif|Picture Files(*.tga)|*.tga|Picture Files(*.png)|*.png|"
    "Picture Files(*.pcx)|*.pcx|Picture Files(*.dib)|*.dib|Picture Files (*.wmf)|*.wmf|"
    "Picture Files (*.emf)|*.emf|Icon Files (*.ico)|*.ico|Icon Files (*.cur)|*.cur");

const QString kSaveFilter =
    QStringLiteral("TIFF|*.tif|Targa|*.tga|BMP|*.bmp|GIF|*.gif|DIB|*.dib|PCX|*.pcx|JPEG|*.jpg|FIF|*.fif|PNG|*.png");

namespace {

const QString kGifRefused = QStringLiteral("Sorry. Not allowed by generous software giant without license");
constexpr int kJpegQualityWhenUnset = 65;
constexpr int kOverwritePromptHideReadOnly = platform::cdlOFNOverwritePrompt | platform::cdlOFNHideReadOnly;
constexpr int kSaveFilterJpeg = 7;

} // namespace

QString loadExtension(const QString& fileName)
{
    return fileName.right(3).toUpper();
}

LoadRoad loadRoad(const QString& extension)
{
    static const QStringList platformLoader = {QStringLiteral("BMP"), QStringLiteral("JPG"), QStringLiteral("GIF"),
                                               QStringLiteral("DIB"), QStringLiteral("WMF"), QStringLiteral("EMF"),
                                               QStringLiteral("ICO"), QStringLiteral("CUR")};
    static const QStringList pictureBuffer = {QStringLiteral("TIF"), QStringLiteral("TGA"), QStringLiteral("PNG"),
                                              QStringLiteral("PCX")};
    if (platformLoader.contains(extension))
        return LoadRoad::PlatformLoader;
    if (pictureBuffer.contains(extension))
        return LoadRoad::PictureBuffer;
    return LoadRoad::NotLoaded;
}

int saveFormat(const QString& extension)
{
    using platform::Picbuf;
    static const QList<std::pair<QString, int>> formats = {
        {QStringLiteral("TIF"), Picbuf::Tiff}, {QStringLiteral("TGA"), Picbuf::Targa}, {QStringLiteral("BMP"), Picbuf::Bmp},
        {QStringLiteral("DIB"), Picbuf::Dib},  {QStringLiteral("PCX"), Picbuf::Pcx},   {QStringLiteral("JPG"), Picbuf::Jpeg},
        {QStringLiteral("FIF"), Picbuf::Fif},  {QStringLiteral("PNG"), Picbuf::Png},
    };
    for (const auto& [name, code] : formats)
        if (name == extension)
            return code;
    return Picbuf::NoFormat;
}

void SaveImageAs(platform::Picbuf& picbuf, platform::CommonDialog& dlg)
{
    dlg.DialogTitle = QStringLiteral("Save Image");
    dlg.Filter = kSaveFilter;
    dlg.FilterIndex = kSaveFilterJpeg;
    dlg.Flags = kOverwritePromptHideReadOnly;
    try {
        dlg.CancelError = true;
        dlg.ShowSave();
        // The three characters that start two before the end: the extension of any
        // name of three characters or more.
        const QString extension = dlg.FileName.right(3).toUpper();
        // A format the caller chose stands; otherwise the name's extension chooses.
        if (picbuf.ImageFormat() == platform::Picbuf::NoFormat) {
            if (extension == QLatin1String("GIF")) {
                dlg.ui().msgBox(kGifRefused, platform::vbOKOnly);
                picbuf.setImageFormat(platform::Picbuf::NoFormat);
                picbuf.setWriteCompression(0);
                return;
            }
            picbuf.setImageFormat(saveFormat(extension));
            if (picbuf.ImageFormat() == platform::Picbuf::Jpeg && picbuf.WriteCompression() == 0)
                picbuf.setWriteCompression(kJpegQualityWhenUnset);
        }
        picbuf.setFilename(dlg.FileName);
        picbuf.Store();
        picbuf.setImageFormat(platform::Picbuf::NoFormat);
        picbuf.setWriteCompression(0);
    } catch (const platform::DialogCancelled&) {
        // The operator cancelled: nothing to say.
    } catch (const std::exception& e) {
        dlg.ui().msgBox(QString::fromStdString(e.what()), platform::vbOKOnly);
    }
}

std::array<int32_t, 4> cropCanvasPlace(int width, int height, bool& headerBand)
{
    // Sizes in single precision; the place taken to whole pixels, halves to even. The
    // margins' 5/4 and 4/5 factors make the space above and below (or left and right of)
    // the picture differ; that is the layout as it has always been.
    const auto nearest = [](float v) { return int32_t(platform::roundHalfEven(double(v))); };
    // The canvas is the TX picture's size.
    constexpr float canvasWidth = float(interfaces::kTxWidth), canvasHeight = float(interfaces::kTxHeight);
    constexpr int32_t right = int32_t(interfaces::kTxWidth), bottom = int32_t(interfaces::kTxHeight);
    const float w = float(width), h = float(height);
    const float ratio = w / h;
    std::array<int32_t, 4> place{};
    if (ratio >= 1.25f) {
        const float scaledHeight = canvasWidth * h / w;
        place = {0, nearest((canvasHeight - scaledHeight) / 2.0f * 5.0f / 4.0f), right,
                 nearest(scaledHeight + (canvasHeight - scaledHeight) / 2.0f * 4.0f / 5.0f)};
    } else {
        const float scaledWidth = canvasHeight * w / h;
        place = {nearest((canvasWidth - scaledWidth) / 2.0f * 4.0f / 5.0f), 0,
                 nearest(scaledWidth + (canvasWidth - scaledWidth) / 2.0f), bottom};
    }
    headerBand = double(ratio) > 1.33 && double(ratio) < 1.375;
    if (headerBand)
        place = {0, 32, right, bottom};
    return place;
}

} // namespace intake
