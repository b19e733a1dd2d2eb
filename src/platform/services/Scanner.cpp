#include "platform/services/Scanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstring>

namespace platform {

namespace {

bool initialised = false;

void ensureInitialised()
{
    if (initialised)
        return;
    SANE_Int version = 0;
    const SANE_Status status = sane_init(&version, nullptr);
    if (status != SANE_STATUS_GOOD)
        throw ScanError(status, QString::fromUtf8(sane_strstatus(status)));
    initialised = true;
}

void check(SANE_Status status)
{
    if (status == SANE_STATUS_CANCELLED)
        throw ScanCancelled();
    if (status != SANE_STATUS_GOOD)
        throw ScanError(status, QString::fromUtf8(sane_strstatus(status)));
}

// Sample `index` (0-based along the line) of a line, scaled to 0..255.
int sample(const uchar* line, int depth, int index, bool grayBits)
{
    switch (depth) {
    case 1: {
        const bool set = (line[index / 8] >> (7 - index % 8)) & 1;
        return grayBits ? (set ? 0 : 255) : (set ? 255 : 0);
    }
    case 16: {
        quint16 value;
        std::memcpy(&value, line + 2 * index, 2);
        return value >> 8;
    }
    default: return line[index];
    }
}

int wholeLines(const ScanFrame& frame)
{
    if (frame.bytesPerLine <= 0 || frame.pixelsPerLine <= 0)
        return 0;
    int lines = int(frame.data.size() / frame.bytesPerLine);
    if (frame.lines >= 0)
        lines = std::min(lines, frame.lines);
    return lines;
}

bool lineFits(const ScanFrame& frame, int samplesPerPixel)
{
    const qint64 bits = qint64(frame.pixelsPerLine) * samplesPerPixel * frame.depth;
    return (frame.depth == 1 || frame.depth == 8 || frame.depth == 16) && (bits + 7) / 8 <= frame.bytesPerLine;
}

} // namespace

QImage imageFromFrames(const std::vector<ScanFrame>& frames)
{
    if (frames.empty())
        return QImage();
    const ScanFrame& first = frames.front();
    const int width = first.pixelsPerLine;
    if (first.format == SANE_FRAME_GRAY || first.format == SANE_FRAME_RGB) {
        const bool rgb = first.format == SANE_FRAME_RGB;
        const int height = wholeLines(first);
        if (height <= 0 || !lineFits(first, rgb ? 3 : 1))
            return QImage();
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            const uchar* line = reinterpret_cast<const uchar*>(first.data.constData()) + qint64(y) * first.bytesPerLine;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                if (rgb)
                    out[x] = qRgb(sample(line, first.depth, 3 * x, false), sample(line, first.depth, 3 * x + 1, false),
                                  sample(line, first.depth, 3 * x + 2, false));
                else {
                    const int v = sample(line, first.depth, x, true);
                    out[x] = qRgb(v, v, v);
                }
            }
        }
        return image;
    }
    // A three-pass scan: one frame per colour, in whatever order the device sent them.
    const ScanFrame* planes[3] = {nullptr, nullptr, nullptr};
    for (const ScanFrame& frame : frames) {
        if (frame.format < SANE_FRAME_RED || frame.format > SANE_FRAME_BLUE)
            return QImage();
        if (frame.pixelsPerLine != width || !lineFits(frame, 1))
            return QImage();
        planes[frame.format - SANE_FRAME_RED] = &frame;
    }
    if (!planes[0] || !planes[1] || !planes[2])
        return QImage();
    const int height = std::min({wholeLines(*planes[0]), wholeLines(*planes[1]), wholeLines(*planes[2])});
    if (height <= 0)
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const uchar* line[3];
        for (int c = 0; c < 3; ++c)
            line[c] = reinterpret_cast<const uchar*>(planes[c]->data.constData()) + qint64(y) * planes[c]->bytesPerLine;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(sample(line[0], planes[0]->depth, x, false), sample(line[1], planes[1]->depth, x, false),
                          sample(line[2], planes[2]->depth, x, false));
    }
    return image;
}

QList<ScannerDevice> Scanner::devices()
{
    ensureInitialised();
    const SANE_Device** list = nullptr;
    check(sane_get_devices(&list, SANE_FALSE));
    QList<ScannerDevice> found;
    for (int i = 0; list && list[i]; ++i)
        found.append({QString::fromUtf8(list[i]->name), QString::fromUtf8(list[i]->vendor),
                      QString::fromUtf8(list[i]->model), QString::fromUtf8(list[i]->type)});
    return found;
}

void Scanner::shutdown()
{
    if (!initialised)
        return;
    sane_exit();
    initialised = false;
}

Scanner::Scanner(const QString& device)
{
    ensureInitialised();
    SANE_Handle handle = nullptr;
    check(sane_open(device.toUtf8().constData(), &handle));
    handle_ = handle;
}

Scanner::~Scanner()
{
    if (handle_) {
        sane_cancel(handle_);
        sane_close(handle_);
    }
}

namespace {

// The option called `name` and its number; null when there is none.
const SANE_Option_Descriptor* findOption(SANE_Handle handle, const QString& name, SANE_Int& number)
{
    const QByteArray wanted = name.toUtf8();
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle, i);
        if (!option)
            return nullptr;
        if (option->name && wanted == option->name) {
            number = i;
            return option;
        }
    }
}

} // namespace

QStringList Scanner::choices(const QString& name) const
{
    SANE_Int number = 0;
    const SANE_Option_Descriptor* option = findOption(handle_, name, number);
    QStringList values;
    if (!option || option->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return values;
    for (const SANE_String_Const* value = option->constraint.string_list; value && *value; ++value)
        values.append(QString::fromUtf8(*value));
    return values;
}

void Scanner::setOption(const QString& name, const QVariant& value)
{
    SANE_Int number = 0;
    const SANE_Option_Descriptor* option = findOption(handle_, name, number);
    if (!option)
        throw ScanError(0, QStringLiteral("The scanner has no option \"%1\".").arg(name));
    if (!SANE_OPTION_IS_ACTIVE(option->cap) || !SANE_OPTION_IS_SETTABLE(option->cap))
        throw ScanError(0, QStringLiteral("The scanner's option \"%1\" cannot be set now.").arg(name));
    SANE_Int info = 0;
    switch (option->type) {
    case SANE_TYPE_BOOL: {
        SANE_Bool on = value.toBool() ? SANE_TRUE : SANE_FALSE;
        check(sane_control_option(handle_, number, SANE_ACTION_SET_VALUE, &on, &info));
        break;
    }
    case SANE_TYPE_INT: {
        SANE_Int whole = value.toInt();
        check(sane_control_option(handle_, number, SANE_ACTION_SET_VALUE, &whole, &info));
        break;
    }
    case SANE_TYPE_FIXED: {
        SANE_Fixed fixed = SANE_FIX(value.toDouble());
        check(sane_control_option(handle_, number, SANE_ACTION_SET_VALUE, &fixed, &info));
        break;
    }
    case SANE_TYPE_STRING: {
        QByteArray text = value.toString().toUtf8();
        if (text.size() >= option->size)
            throw ScanError(0, QStringLiteral("The value for \"%1\" is too long.").arg(name));
        text.resize(option->size, '\0');
        check(sane_control_option(handle_, number, SANE_ACTION_SET_VALUE, text.data(), &info));
        break;
    }
    default: throw ScanError(0, QStringLiteral("The scanner's option \"%1\" takes no value.").arg(name));
    }
}

QImage Scanner::scan(const Progress& progress, int chunk)
{
    std::vector<ScanFrame> frames;
    QByteArray buffer(std::max(chunk, 1), '\0');
    // A three-pass scan sends three frames; no device sends more for one picture.
    for (int number = 0; number < 3; ++number) {
        check(sane_start(handle_));
        SANE_Parameters parameters{};
        check(sane_get_parameters(handle_, &parameters));
        ScanFrame frame;
        frame.format = parameters.format;
        frame.depth = parameters.depth;
        frame.pixelsPerLine = parameters.pixels_per_line;
        frame.bytesPerLine = parameters.bytes_per_line;
        frame.lines = parameters.lines;
        const qint64 total = parameters.lines > 0 ? qint64(parameters.lines) * parameters.bytes_per_line : 0;
        for (;;) {
            SANE_Int length = 0;
            const SANE_Status status = sane_read(handle_, reinterpret_cast<SANE_Byte*>(buffer.data()),
                                                 SANE_Int(buffer.size()), &length);
            if (status == SANE_STATUS_EOF)
                break;
            check(status);
            frame.data.append(buffer.constData(), length);
            if (progress && !progress(number, frame.data.size(), total)) {
                sane_cancel(handle_);
                throw ScanCancelled();
            }
        }
        frames.push_back(std::move(frame));
        if (parameters.last_frame)
            break;
    }
    sane_cancel(handle_);
    QImage image = imageFromFrames(frames);
    if (image.isNull())
        throw ScanError(0, QStringLiteral("The scanner delivered no picture."));
    return image;
}

} // namespace platform
