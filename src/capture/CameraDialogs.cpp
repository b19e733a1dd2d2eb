#include "capture/CameraDialogs.h"

#include "platform/services/CaptureDevice.h"

#include <QCamera>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QListWidget>
#include <QSlider>
#include <QVBoxLayout>
#include <QVideoFrameFormat>

namespace capture {

QString formatCaption(const QCameraFormat& format)
{
    const QSize size = format.resolution();
    QString pixels = QVideoFrameFormat::pixelFormatToString(format.pixelFormat());
    const float low = format.minFrameRate();
    const float high = format.maxFrameRate();
    const QString rate = qFuzzyCompare(low, high) ? QStringLiteral("%1 frames/s").arg(double(high))
                                                  : QStringLiteral("%1 to %2 frames/s").arg(double(low)).arg(double(high));
    return QStringLiteral("%1 x %2  %3  %4").arg(size.width()).arg(size.height()).arg(pixels, rate);
}

bool chooseCameraFormat(platform::CaptureDevice& device, QWidget* parent)
{
    const QList<QCameraFormat> formats = device.formats();
    if (formats.isEmpty())
        return false;
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Video Format"));
    auto* list = new QListWidget(&dialog);
    for (const QCameraFormat& format : formats) {
        list->addItem(formatCaption(format));
        if (format == device.format())
            list->setCurrentRow(list->count() - 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return false;
    device.setFormat(formats.at(list->currentRow()));
    return true;
}

void showCameraSource(QCamera& camera, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Video Source"));
    auto* form = new QFormLayout;
    if (camera.supportedFeatures().testFlag(QCamera::Feature::ExposureCompensation)) {
        auto* exposure = new QDoubleSpinBox(&dialog);
        exposure->setRange(-4.0, 4.0);
        exposure->setSingleStep(0.5);
        exposure->setSuffix(QStringLiteral(" EV"));
        exposure->setValue(camera.exposureCompensation());
        QObject::connect(exposure, &QDoubleSpinBox::valueChanged, &camera,
                         [&camera](double ev) { camera.setExposureCompensation(float(ev)); });
        form->addRow(QStringLiteral("Exposure"), exposure);
    }
    const std::pair<QCamera::WhiteBalanceMode, const char*> balances[] = {
        {QCamera::WhiteBalanceAuto, "Automatic"},   {QCamera::WhiteBalanceSunlight, "Sunlight"},
        {QCamera::WhiteBalanceCloudy, "Cloudy"},    {QCamera::WhiteBalanceShade, "Shade"},
        {QCamera::WhiteBalanceTungsten, "Tungsten"}, {QCamera::WhiteBalanceFluorescent, "Fluorescent"},
        {QCamera::WhiteBalanceFlash, "Flash"},      {QCamera::WhiteBalanceSunset, "Sunset"},
    };
    auto* balance = new QComboBox(&dialog);
    for (const auto& [mode, name] : balances)
        if (camera.isWhiteBalanceModeSupported(mode)) {
            balance->addItem(QString::fromLatin1(name), int(mode));
            if (camera.whiteBalanceMode() == mode)
                balance->setCurrentIndex(balance->count() - 1);
        }
    if (balance->count() > 1) {
        QObject::connect(balance, &QComboBox::currentIndexChanged, &camera, [&camera, balance](int) {
            camera.setWhiteBalanceMode(QCamera::WhiteBalanceMode(balance->currentData().toInt()));
        });
        form->addRow(QStringLiteral("White balance"), balance);
    } else {
        delete balance;
    }
    if (camera.maximumZoomFactor() > camera.minimumZoomFactor()) {
        // The slider counts tenths of the zoom factor.
        auto* zoom = new QSlider(Qt::Horizontal, &dialog);
        zoom->setRange(int(camera.minimumZoomFactor() * 10), int(camera.maximumZoomFactor() * 10));
        zoom->setValue(int(camera.zoomFactor() * 10));
        QObject::connect(zoom, &QSlider::valueChanged, &camera,
                         [&camera](int tenths) { camera.setZoomFactor(float(tenths) / 10.0f); });
        form->addRow(QStringLiteral("Zoom"), zoom);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog.exec();
}

} // namespace capture
