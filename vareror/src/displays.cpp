#include "displays.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vareror::lib {

using core::SignalMonitor;

namespace {

// The spectrum shows this many dB below its strongest signal; its top follows a weaker
// signal down slowly and never sinks below the floor, so silence stays black.
constexpr double kSpectrumSpanDb = 60;
constexpr double kTopFloorDb = -70, kTopCeilingDb = 10, kTopFallPerDraw = 1;
// The FM views show shares of time from 1/1000 (dark) to all of it (bright), on a log scale.
constexpr double kShareDecades = 3;
constexpr size_t kSpectrumRows = 3;    // the spectrum's 300 ms
constexpr size_t kHistogramRows = 16;  // the FM histogram's 400 ms
constexpr size_t kTuningRows = 12;     // the tuning view's 300 ms of tones
constexpr double kTuningLowHz = 1000, kTuningHighHz = 2500;
constexpr double kLevelFloorDb = -60;

struct Mark {
    double hz;
    QRgb colour;
};
const Mark kMarks[] = {
    {1200, qRgb(210, 90, 255)},   // sync
    {1500, qRgb(170, 170, 170)},  // black
    {1900, qRgb(230, 200, 60)},   // leader
    {2300, qRgb(245, 245, 245)},  // white
};
const QRgb kNotchColour = qRgb(255, 40, 40);
const QRgb kSpectrumColour = qRgb(0, 150, 255), kSpectrumEdge = qRgb(150, 220, 255);
const QRgb kFmColour = qRgb(60, 220, 90);
const QRgb kBackground = qRgb(0, 0, 0), kPanel = qRgb(45, 45, 45);

// A display's columns over a range of Hz: column x covers [hz(x), hz(x + 1)).
struct Axis {
    double low, high;
    int width;
    double hz(double x) const { return low + x * (high - low) / width; }
    int column(double f) const { return int(std::floor((f - low) * width / (high - low))); }
};

QRgb dim(QRgb c, int share)
{
    return qRgb(qRed(c) * share / 100, qGreen(c) * share / 100, qBlue(c) * share / 100);
}

double dbLevel(double db, double top)
{
    return std::clamp((db - (top - kSpectrumSpanDb)) / kSpectrumSpanDb, 0.0, 1.0);
}

double shareLevel(double share)
{
    return share <= 0 ? 0 : std::clamp((std::log10(share) + kShareDecades) / kShareDecades, 0.0, 1.0);
}

// Per column, the strongest bin whose centre lies in it; a column narrower than a bin takes
// the value between the two bins around its middle.
void spectrumColumns(const std::vector<float> &row, double binHz, const Axis &axis, std::vector<float> &out)
{
    out.assign(size_t(axis.width), -120.0f);
    const auto value = [&](long k) { return row[size_t(std::clamp<long>(k, 0, long(row.size()) - 1))]; };
    for (int x = 0; x < axis.width; ++x) {
        const double from = axis.hz(x) / binHz, to = axis.hz(x + 1) / binHz;
        const long first = long(std::ceil(from)), last = long(std::ceil(to)) - 1;
        if (first <= last && first < long(row.size())) {
            float best = value(first);
            for (long k = first + 1; k <= std::min(last, long(row.size()) - 1); ++k)
                best = std::max(best, row[size_t(k)]);
            out[size_t(x)] = best;
        } else {
            const double mid = (from + to) / 2;
            const long k = long(std::floor(mid));
            const double t = mid - double(k);
            out[size_t(x)] = float(value(k) * (1 - t) + value(k + 1) * t);
        }
    }
}

// Per column, the share of time the frequency spent in it (bins split where they straddle
// two columns).
void shareColumns(const std::vector<float> &row, const Axis &axis, std::vector<float> &out)
{
    out.assign(size_t(axis.width), 0.0f);
    const double w = SignalMonitor::kFmBinHz;
    for (int x = 0; x < axis.width; ++x) {
        const double from = axis.hz(x), to = axis.hz(x + 1);
        const long first = std::max(0L, long(std::floor(from / w)));
        const long last = std::min(long(row.size()) - 1, long(std::ceil(to / w)) - 1);
        double sum = 0;
        for (long b = first; b <= last; ++b) {
            const double overlap = std::min(to, (b + 1) * w) - std::max(from, b * w);
            if (overlap > 0)
                sum += row[size_t(b)] * overlap / w;
        }
        out[size_t(x)] = float(sum);
    }
}

// The mean of the newest `count` rows.
std::vector<float> recentMean(const std::deque<std::vector<float>> &rows, size_t count)
{
    std::vector<float> mean;
    const size_t n = std::min(count, rows.size());
    if (n == 0)
        return mean;
    mean.assign(rows.back().size(), 0.0f);
    for (size_t r = rows.size() - n; r < rows.size(); ++r)
        for (size_t b = 0; b < mean.size(); ++b)
            mean[b] += rows[r][b];
    for (float &v : mean)
        v /= float(n);
    return mean;
}

QRgb *line(QImage &image, int y) { return reinterpret_cast<QRgb *>(image.scanLine(y)); }

// A vertical line; `overDark` draws only over dark pixels, so a signal at the line's
// frequency stays visible.
void verticalLine(QImage &image, int x, int y0, int y1, QRgb colour, int step = 1, bool overDark = false)
{
    if (x < 0 || x >= image.width())
        return;
    for (int y = std::max(0, y0); y < std::min(y1, image.height()); y += step) {
        QRgb &p = line(image, y)[x];
        if (!overDark || qGray(p) < 50)
            p = colour;
    }
}

// The marks inside the range: solid (behind a spectrum), dotted (over a waterfall) or as a
// short tick at the top. The notch's mark goes over everything.
enum class MarkStyle { Solid, Dotted, Tick };
void drawMarks(QImage &image, const Axis &axis, const DisplaySettings &s, MarkStyle style)
{
    for (const Mark &m : kMarks) {
        const int x = axis.column(m.hz);
        if (style == MarkStyle::Solid)
            verticalLine(image, x, 0, image.height(), dim(m.colour, 45));
        else if (style == MarkStyle::Dotted)
            verticalLine(image, x, 0, image.height(), dim(m.colour, 80), 4, true);
        else
            verticalLine(image, x, 0, std::max(3, image.height() / 8), m.colour, 1, true);
    }
    if (s.notchHz > 0)
        verticalLine(image, axis.column(s.notchHz), 0, image.height(), kNotchColour,
                     style == MarkStyle::Dotted ? 2 : 1);
}

bool canWriteText() { return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr; }

} // namespace

bool fmViews(int32_t tuneWord) { return (tuneWord & 0x20) && !(tuneWord & 0x10); }

DisplayRenderer::DisplayRenderer()
{
    // Black through blue and cyan to yellow and white: weak signals stay visible, strong
    // ones stand out.
    const QRgb stops[] = {qRgb(0, 0, 0), qRgb(0, 0, 90), qRgb(0, 90, 230), qRgb(0, 220, 220),
                          qRgb(255, 255, 0), qRgb(255, 255, 255)};
    constexpr int n = int(std::size(stops)) - 1;
    palette_.resize(256);
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0 * n;
        const int k = std::min(n - 1, int(t));
        const double f = t - k;
        const auto mix = [&](int (*c)(QRgb)) { return int(c(stops[k]) * (1 - f) + c(stops[k + 1]) * f + 0.5); };
        palette_[size_t(i)] = qRgb(mix(qRed), mix(qGreen), mix(qBlue));
    }
}

DisplayRenderer::~DisplayRenderer() = default;

void DisplayRenderer::feed(const float *samples, size_t n, double rate)
{
    if (rate <= 0)
        return;
    if (!monitor_ || monitor_->sampleRate() != rate)
        monitor_ = std::make_unique<SignalMonitor>(rate);
    monitor_->process(samples, n);
}

void DisplayRenderer::draw(QImage *specA, QImage *specB, QImage *tune, const DisplaySettings &settings)
{
    DisplaySettings s = settings;
    if (s.highHz <= s.lowHz) {
        s.lowHz = 700;
        s.highHz = 2000;
    }
    if (monitor_ && !monitor_->spectrumRows().empty()) {
        // The scale's top follows the strongest signal in range.
        const SignalMonitor &m = *monitor_;
        const std::vector<float> &row = m.spectrumRows().back();
        double strongest = kTopFloorDb;
        for (size_t k = size_t(s.lowHz / m.spectrumBinHz()); k < row.size() && k * m.spectrumBinHz() <= s.highHz; ++k)
            strongest = std::max(strongest, double(row[k]));
        topDb_ = std::clamp(std::max(strongest, topDb_ - kTopFallPerDraw), kTopFloorDb, kTopCeilingDb);
    }
    const bool fm = fmViews(s.tuneWord);
    if (specA && !specA->isNull())
        fm ? drawFmHistogram(*specA, s) : drawSpectrum(*specA, s);
    if (specB && !specB->isNull())
        fm ? drawFmScroll(*specB, s) : drawWaterfall(*specB, s);
    if (tune && !tune->isNull())
        drawTuning(*tune, s);
}

void DisplayRenderer::drawSpectrum(QImage &image, const DisplaySettings &s)
{
    image.fill(kBackground);
    const Axis axis{double(s.lowHz), double(s.highHz), image.width()};
    drawMarks(image, axis, s, MarkStyle::Solid);
    if (monitor_ && !monitor_->spectrumRows().empty()) {
        // The mean power of the last rows: a calmer curve than one row's.
        const auto &rows = monitor_->spectrumRows();
        const size_t n = std::min(kSpectrumRows, rows.size());
        mean_.assign(rows.back().size(), 0.0f);
        for (size_t r = rows.size() - n; r < rows.size(); ++r)
            for (size_t k = 0; k < mean_.size(); ++k)
                mean_[k] += float(std::pow(10.0, rows[r][k] / 10.0));
        for (float &v : mean_)
            v = float(10 * std::log10(std::max(v / float(n), 1e-12f)));
        spectrumColumns(mean_, monitor_->spectrumBinHz(), axis, column_);
        const int h = image.height();
        for (int x = 0; x < image.width(); ++x) {
            const int top = h - int(std::lround(dbLevel(column_[size_t(x)], topDb_) * h));
            for (int y = std::max(0, top); y < h; ++y)
                line(image, y)[x] = y == top ? kSpectrumEdge : kSpectrumColour;
        }
    }
    drawMarks(image, axis, s, MarkStyle::Tick);
}

void DisplayRenderer::drawWaterfall(QImage &image, const DisplaySettings &s)
{
    image.fill(kBackground);
    const Axis axis{double(s.lowHz), double(s.highHz), image.width()};
    if (monitor_) {
        const auto &rows = monitor_->spectrumRows();
        const int n = std::min(image.height(), int(rows.size()));
        for (int y = 0; y < n; ++y) {
            spectrumColumns(rows[rows.size() - 1 - size_t(y)], monitor_->spectrumBinHz(), axis, column_);
            QRgb *out = line(image, y);
            for (int x = 0; x < image.width(); ++x)
                out[x] = palette_[size_t(std::lround(dbLevel(column_[size_t(x)], topDb_) * 255))];
        }
    }
    drawMarks(image, axis, s, MarkStyle::Dotted);
}

void DisplayRenderer::drawFmHistogram(QImage &image, const DisplaySettings &s)
{
    image.fill(kBackground);
    const Axis axis{double(s.lowHz), double(s.highHz), image.width()};
    drawMarks(image, axis, s, MarkStyle::Solid);
    if (monitor_) {
        shareColumns(recentMean(monitor_->fmRows(), kHistogramRows), axis, column_);
        const int h = image.height();
        for (int x = 0; x < image.width() && x < int(column_.size()); ++x) {
            const int top = h - int(std::lround(shareLevel(column_[size_t(x)]) * h));
            for (int y = std::max(0, top); y < h; ++y)
                line(image, y)[x] = kFmColour;
        }
    }
    drawMarks(image, axis, s, MarkStyle::Tick);
}

void DisplayRenderer::drawFmScroll(QImage &image, const DisplaySettings &s)
{
    image.fill(kBackground);
    const Axis axis{double(s.lowHz), double(s.highHz), image.width()};
    if (monitor_) {
        const auto &rows = monitor_->fmRows();
        const int n = std::min(image.height(), int(rows.size()));
        for (int y = 0; y < n; ++y) {
            shareColumns(rows[rows.size() - 1 - size_t(y)], axis, column_);
            QRgb *out = line(image, y);
            for (int x = 0; x < image.width(); ++x)
                out[x] = palette_[size_t(std::lround(shareLevel(column_[size_t(x)]) * 255))];
        }
    }
    drawMarks(image, axis, s, MarkStyle::Dotted);
}

// From the top: the level bar (green, yellow near full scale, red when the input clips,
// a white line at the peak); the tones of the last 300 ms between 1000 and 2500 Hz
// against the 1200, 1500 and 2300 Hz marks; the sync lamp with the syncs' frequency, or
// the sound device's failure in red.
void DisplayRenderer::drawTuning(QImage &image, const DisplaySettings &s)
{
    image.fill(kBackground);
    const int w = image.width(), h = image.height();
    const bool text = canWriteText() && h >= 40;
    const int fontPx = std::max(7, h / 7);
    const int barTop = 2, barHeight = std::max(3, h / 8);
    const int toneTop = barTop + barHeight + 3;
    const int statusHeight = text ? fontPx + 3 : std::max(3, h / 6);
    const int labelHeight = text ? fontPx + 1 : 0;
    const int toneBottom = h - statusHeight - labelHeight - 2;

    const double level = monitor_ ? monitor_->levelDb() : -120;
    const double peakDb = monitor_ && monitor_->peak() > 0 ? 20 * std::log10(monitor_->peak()) : -120;
    const bool clipping = monitor_ && monitor_->peak() >= 0.99;
    const auto levelColumn = [&](double db) {
        return int(std::lround(std::clamp((db - kLevelFloorDb) / -kLevelFloorDb, 0.0, 1.0) * (w - 4))) + 2;
    };
    const QRgb barColour = clipping ? qRgb(255, 40, 40) : level > -6 ? qRgb(240, 210, 0) : qRgb(40, 200, 60);
    for (int y = barTop; y < barTop + barHeight && y < h; ++y) {
        QRgb *out = line(image, y);
        const int filled = levelColumn(level);
        for (int x = 2; x < w - 2; ++x)
            out[x] = x < filled ? barColour : kPanel;
    }
    if (monitor_)
        verticalLine(image, std::min(w - 3, levelColumn(peakDb)), barTop, barTop + barHeight, qRgb(255, 255, 255));

    const Axis axis{kTuningLowHz, kTuningHighHz, w};
    if (toneBottom > toneTop) {
        for (const Mark &m : kMarks)
            if (m.hz != 1900)
                verticalLine(image, axis.column(m.hz), toneTop, toneBottom, dim(m.colour, 60));
        if (monitor_) {
            shareColumns(recentMean(monitor_->fmRows(), kTuningRows), axis, column_);
            const int span = toneBottom - toneTop;
            for (int x = 0; x < w; ++x) {
                const int top = toneBottom - int(std::lround(shareLevel(column_[size_t(x)]) * span));
                for (int y = std::max(toneTop, top); y < toneBottom; ++y)
                    line(image, y)[x] = kFmColour;
            }
        }
    }

    const bool sync = monitor_ && monitor_->syncSeen();
    const int statusTop = h - statusHeight;
    if (!s.fault.isEmpty()) {
        for (int y = statusTop; y < h; ++y)
            std::fill_n(line(image, y), w, qRgb(170, 0, 0));
    } else {
        const int lamp = std::min(statusHeight - 2, fontPx);
        for (int y = statusTop + 1; y < statusTop + 1 + lamp; ++y)
            std::fill_n(line(image, y) + 2, std::min(lamp, w - 2), sync ? qRgb(40, 230, 60) : qRgb(70, 70, 70));
    }
    if (!text)
        return;

    QPainter p(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(fontPx);
    p.setFont(font);
    p.setPen(QColor(200, 200, 200));
    for (const Mark &m : kMarks) {
        if (m.hz == 1900)
            continue;
        const int x = axis.column(m.hz);
        p.drawText(QRect(x - 20, toneBottom, 40, labelHeight + 1), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(int(m.hz)));
    }
    const QRect status(4 + fontPx, statusTop, w - 6 - fontPx, statusHeight);
    if (!s.fault.isEmpty()) {
        p.setPen(Qt::white);
        p.drawText(QRect(2, statusTop, w - 4, statusHeight), Qt::AlignLeft | Qt::AlignVCenter, s.fault);
    } else if (sync) {
        const int offset = int(std::lround(monitor_->syncHz() - SignalMonitor::kSyncHz));
        p.setPen(QColor(40, 230, 60));
        p.drawText(status, Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("SYNC %1%2 Hz").arg(offset > 0 ? "+" : "").arg(offset));
    } else {
        p.setPen(QColor(140, 140, 140));
        p.drawText(status, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("no sync"));
    }
}

} // namespace vareror::lib
