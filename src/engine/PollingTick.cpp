// The engine's polling tick: every 200 ms the engine does its job, the received picture
// and the tuning displays are drawn, and the status word is acted on: a received FSK
// identification, a transmission in progress, a finished picture, a received picture
// starting; then the end of a sent picture (archived) or of a received one (recent
// row, frozen view, auto-save).

#include "engine/EngineControl.h"

#include "engine/ButtonStates.h"
#include "engine/FormRXfloat.h"
#include "engine/Modes.h"
#include "engine/PictureArchive.h"
#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/ShellRoom.h"
#include "interfaces/StripsRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Twips.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/LineControl.h"
#include "platform/widgets/PictureBox.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QTabWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace engine {

namespace {

void setRect(int32_t* rect, int left, int top, int right, int bottom)
{
    rect[0] = left;
    rect[1] = top;
    rect[2] = right;
    rect[3] = bottom;
}

// The received picture's full copy and the RX screen are the TX picture's size.
void setTxPictureRect(int32_t* rect)
{
    setRect(rect, 0, 0, int(interfaces::kTxWidth), int(interfaces::kTxHeight));
}

// Where the 1:1 view shows a W x H picture of a mode: 16 rows more for the modes
// below 6 and tall pictures, 160 x 120 for the small modes, the TX picture's size for
// pictures wider than that (a later rule overrides an earlier one).
QRect trueSizeView(int mode, int width, int height)
{
    QRect view(0, 0, width, height);
    if (hasExtraRows(mode, height))
        view.setHeight(height + 16);
    if (isSmallMode(mode))
        view = QRect(0, 0, 160, 120);
    if (width > interfaces::kTxWidth)
        view = QRect(0, 0, int(interfaces::kTxWidth), int(interfaces::kTxHeight));
    return view;
}

// A twips value as whole pixels.
int pixels(double twips)
{
    return int(platform::roundHalfEven(twips / platform::kTwipsPerPixel));
}

} // namespace

void EngineControl::drawIntoWindow(platform::PictureBox* box, int32_t dib)
{
    engine_.mmsDrawDIBwnd(static_cast<QWidget*>(box), nullptr, dib, nullptr, 4);
}

void EngineControl::drawIntoBox(platform::PictureBox* box, const int32_t* dst, int32_t dib, const int32_t* src)
{
    const QRect area(dst[0], dst[1], dst[2] - dst[0], dst[3] - dst[1]);
    box->hDC()->paint(area, [&](QImage& layer) { engine_.mmsDrawDIBdc(&layer, dst, dib, src, 4); });
}

void EngineControl::Timer1_Timer()
{
    // Nothing to poll without an engine, and nothing may reach it once it is deleted. A
    // tick that would run inside another one (a handler it calls let events run) is
    // skipped: the running tick finishes with its own status word.
    if (!engine_.present() || engine_.deleted() || ticking_)
        return;
    ticking_ = true;
    const struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{ticking_};

    const platform::Engine& e = engine_;
    platform::StepRunner steps(QStringLiteral("Timer1_Timer"));
    if (modeChanged_ == 1) {
        modeChanged_ = 0;
        steps.step(QStringLiteral("TX mode name"), [&] {
            form_.Combo2->setText(platform::engineText(e.EngineString(e.mmsGetModeName(txModeNumber()))));
        });
    }
    int32_t status = 0;
    steps.step(QStringLiteral("mmsDoJob"), [&] { status = e.mmsDoJob(1); });
    const int width = modeWidth_;
    const int height = modeHeight_;
    setRect(srcRect_, 0, 0, width, height);
    setTxPictureRect(dstRect_);
    drawViews(steps, width, height);

    // The word's bits are the engine's (vareror.h); an end comes alone.
    if (status & VRR_STATUS_FSKID) {
        steps.step(QStringLiteral("Label56"), [&] {
            form_.Label56->setCaption(platform::engineText(e.EngineString(e.mmsGetFSKID())));
        });
        // The call-sign box looks the call up as its text changes, inside this tick.
        steps.step(QStringLiteral("Text3"), [&] {
            form_.qso().showReceivedCall(platform::engineText(e.EngineString(e.mmsGetFSKID())));
        });
    }
    if (status & VRR_STATUS_SENDING)
        showTransmitProgress(steps);
    if (status == VRR_STATUS_ENDED)
        finishedPicture(steps);
    if (status & VRR_STATUS_RX_STARTED)
        receivedPictureStarts(steps);
    if (status == VRR_STATUS_ENDED && platform::backColor(form_.Command3) == SendingColour)
        endOfTransmission(steps);
    if (status == VRR_STATUS_ENDED && platform::backColor(form_.Command1) == ReceivingColour)
        endOfReception(steps);
    tellEngineFaults();
}

// What the engine could not read, write, open or key (its settings file, its sound devices,
// its PTT), told once each while the engine reports it; one that went and comes again (a PTT
// failing at the next transmission) is told again. A folder that cannot be written has been
// told at start-up already: the engine's settings file is not told again.
void EngineControl::tellEngineFaults()
{
    QStringList faults;
    QString settingsFile;
    try {
        faults = QString::fromLatin1(engine_.vrrGetOption("filefault")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (appFolderReadOnly_ && !faults.isEmpty())
            settingsFile = QString::fromLatin1(engine_.vrrGetOption("settingsfile"));
    } catch (const std::exception&) {
        return;
    }
    for (const QString& gone : std::as_const(engineFaults_))
        if (!faults.contains(gone))
            told_.remove(gone);
    engineFaults_ = faults;
    for (const QString& fault : faults)
        if (settingsFile.isEmpty() || !fault.contains(settingsFile))
            tellLater(QStringLiteral("The engine: %1.").arg(fault), fault);
}

// Shown once the tick is over: a message box inside it would hold the reception up. Once
// for each key while it stands (told_), not once a run: a trouble that comes again is said
// again.
void EngineControl::tellLater(const QString& text, const QString& key)
{
    if (told_.contains(key))
        return;
    told_.insert(key);
    QTimer::singleShot(0, this, [this, text] { form_.ui().msgBox(text, platform::vbExclamation); });
}

// The auto-save folder as set; when it is gone (a home folder moved or restored), made
// again where its parent stands, else the application folder's "AutoSave" in its place
// for this run, which the operator is told once.
QString EngineControl::autoSaveFolder()
{
    const QDir folder(autoSaveDir_);
    if (folder.exists() || (QFileInfo(folder.absolutePath()).dir().exists() && QDir().mkdir(folder.absolutePath())))
        return autoSaveDir_;
    const QString fallback = platform::appPath(QStringLiteral("AutoSave")) + QLatin1Char('/');
    QDir().mkpath(fallback);
    if (QDir::cleanPath(fallback) != QDir::cleanPath(autoSaveDir_))
        tellLater(QStringLiteral("The auto-save folder %1 does not exist and cannot be made: received pictures are "
                                 "saved in %2.")
                      .arg(QDir::toNativeSeparators(autoSaveDir_), QDir::toNativeSeparators(fallback)),
                  QStringLiteral("auto-save folder ") + autoSaveDir_);
    return fallback;
}

// The RX picture and the tuning displays into the main window, or the RX picture alone
// into the monitor while it replaces the main window.
void EngineControl::drawViews(platform::StepRunner& steps, int width, int height)
{
    if (form_.Check4->value() == 0) {
        steps.step(QStringLiteral("tuning display"), [&] { drawIntoWindow(form_.Picture15, tuneDib_); });
        steps.step(QStringLiteral("spectrum B"), [&] { drawIntoWindow(form_.Picture17, specDibB_); });
        steps.step(QStringLiteral("spectrum A"), [&] { drawIntoWindow(form_.Picture16, specDibA_); });
        steps.step(QStringLiteral("RX Full"), [&] { drawIntoBox(form_.Picture18, dstRect_, rxDib_, srcRect_); });
        const QRect view = trueSizeView(rxModeNumber(), width, height);
        setRect(dstRect_, 0, 0, view.width(), view.height());
        steps.step(QStringLiteral("RX True"), [&] { drawIntoBox(form_.Picture22, dstRect_, rxDib_, srcRect_); });
    }
    if (form_.Check4->value() == 1) {
        steps.step(QStringLiteral("RX monitor"), [&] {
            platform::PictureBox* box = form_.formRXfloat().Picture1;
            setRect(dstRect_, 0, 0, int(platform::roundHalfEven(box->ScaleWidth())),
                    int(platform::roundHalfEven(box->ScaleHeight())));
            drawIntoBox(box, dstRect_, rxDib_, srcRect_);
        });
    }
}

// While a picture goes out: the markers at the lines reached, the mode controls locked,
// the TX button red and the RX buttons idle; every tick of the transmission.
void EngineControl::showTransmitProgress(platform::StepRunner& steps)
{
    const platform::Engine& e = engine_;
    form_.Line1->show();
    form_.Line2->show();
    steps.step(QStringLiteral("Line1"), [&] { form_.Line1->setY2(float(e.mmsGetPos(2) * txProgressScale_)); });
    steps.step(QStringLiteral("Line2"), [&] { form_.Line2->setY2(float(e.mmsGetPos(1) * txProgressScale_)); });
    form_.Combo2->setEnabled(false);
    form_.Check7->setEnabled(false);
    platform::setBackColor(form_.Command7, IdleColour);
    platform::setBackColor(form_.Command1, IdleColour);
    platform::setBackColor(form_.Command3, SendingColour);
    for (auto* line : {form_.Line1, form_.Line2}) {
        line->setX1(2);
        line->setX2(2);
    }
}

void EngineControl::showTxProgressMarkers(bool shown)
{
    form_.Line1->setVisible(shown);
    form_.Line2->setVisible(shown);
}

void EngineControl::clearReceivedCopy() { form_.Picture19->Cls(); }

QImage EngineControl::redrawReceivedCopy(platform::StepRunner& steps)
{
    platform::PictureBox* copy = form_.Picture19;
    copy->Cls();
    const int32_t src[4] = {0, 0, modeWidth_, modeHeight_};
    const int32_t dst[4] = {0, 0, int32_t(interfaces::kTxWidth), int32_t(interfaces::kTxHeight)};
    steps.step(QStringLiteral("received picture"), [&] { drawIntoBox(copy, dst, rxDib_, src); });
    return copy->Image();
}

void EngineControl::resetProgressMarkers()
{
    for (auto* line : {form_.Line1, form_.Line2}) {
        line->setY2(0);
        line->hide();
    }
}

// A picture, sent or received, has finished: the mode controls are free again (the
// list stays locked while the TX mode follows the RX mode).
void EngineControl::finishedPicture(platform::StepRunner&)
{
    if (platform::backColor(form_.Command3) == IdleColour)
        resetProgressMarkers();
    form_.Check7->setEnabled(true);
    if (form_.Check7->value() == 0)
        form_.Combo2->setEnabled(true);
    platform::setBackColor(form_.Command7, IdleColour);
}

void EngineControl::receivedPictureStarts(platform::StepRunner& steps)
{
    const platform::Engine& e = engine_;
    steps.step(QStringLiteral("clear RX DIB"), [&] { e.mmsFillDIB(rxDib_, 0); });
    form_.Label56->setCaption(QString());
    if (platform::backColor(form_.Command3) != SendingColour)
        platform::setBackColor(form_.Command1, ReceivingColour);
    steps.step(QStringLiteral("rxMode"), [&] { rxMode_ = e.mmsGetMode(0); });
    steps.step(QStringLiteral("GetModeImageSize"), [&] { GetModeImageSize(); });
    const int mode = rxModeNumber();
    const int width = modeWidth_;
    const int height = modeHeight_;
    steps.step(QStringLiteral("Label37"), [&] {
        form_.Label37->setCaption(platform::engineText(e.EngineString(e.mmsGetModeName(mode))));
    });
    steps.step(QStringLiteral("monitor caption"), [&] {
        const QString size = isSmallMode(mode) ? QStringLiteral("160*120")
                                               : QStringLiteral("%1*%2").arg(width).arg(height);
        form_.formRXfloat().setWindowTitle(form_.Label37->caption() + QStringLiteral("  ") + size);
    });
    if (form_.Check7->value() == 1) {
        steps.step(QStringLiteral("TX follows RX"), [&] {
            form_.Combo2->setText(platform::engineText(e.EngineString(e.mmsGetModeName(mode))));
            txMode_ = rxMode_;
        });
    }
    steps.step(QStringLiteral("clear RX DIB again"), [&] { e.mmsFillDIB(rxDib_, 0); });
    if (form_.Check1->value() == 1 && form_.SSTab1->currentIndex() != 2) {
        form_.shell().showTab(interfaces::ShellRoom::Tab::RxFull);
        form_.intake().closeZoom();
    }

    // The 1:1 view, emptied and centred on the tabs for the picture's size (in twips
    // as the tab control measures: 15.1 to the pixel gives the view a pixel to spare).
    platform::PictureBox* view = form_.Picture22;
    view->setPicture(QImage());
    const double tabWidth = form_.SSTab1->width();
    const double tabHeight = form_.SSTab1->height();
    double viewWidth = width * 15.1;
    double viewHeight = hasExtraRows(mode, height) ? (height + 16) * 15.1 : height * 15.1;
    if (isSmallMode(mode)) {
        viewHeight = 1860;
        viewWidth = 2464;
    }
    double left = (tabWidth - width - 48) / 2 * 15;
    double top = (tabHeight - height - 17) / 2 * 15;
    if (width > interfaces::kTxWidth) {
        viewWidth = 9659;
        viewHeight = 7740;
        left = (tabWidth - interfaces::kTxWidth - 47) / 2 * 15;
        top = (tabHeight - interfaces::kTxHeight - 2) / 2 * 15;
    }
    if (isSmallMode(mode)) {
        left = (tabWidth - 160 - 48) / 2 * 15;
        top = (tabHeight - 120 - 17) / 2 * 15;
    }
    view->setBoxSize(pixels(viewWidth), pixels(viewHeight));
    // Placed in the tab control's own coordinates, whatever page holds the view.
    view->move(view->parentWidget()->mapFrom(form_.SSTab1, QPoint(pixels(left), pixels(top))));

    // The monitor's picture takes the mode's aspect from its present width; the window
    // follows its height (which runs the monitor's resize rule).
    steps.step(QStringLiteral("monitor aspect"), [&] {
        FormRXfloat& monitor = form_.formRXfloat();
        if (const auto aspect = monitorAspect(mode)) {
            const double boxHeight = double(monitor.Picture1->width()) * aspect->height / aspect->width;
            monitor.Picture1->setBoxSize(monitor.Picture1->width(), int(std::lround(boxHeight)));
        }
        monitor.setOuterHeightTwips(double(monitor.Picture1->height() + FormRXfloat::FrameHeight) *
                                    platform::kTwipsPerPixel);
    });
}

QString EngineControl::saveDatedJpeg(const QImage& picture, const QString& folder, const QString& prefix, int quality)
{
    if (!writer_)
        writer_ = std::make_unique<platform::Picbuf>();
    const QString name = freeDatedName(folder, localTime_(), prefix);
    writer_->setPicture(picture);
    writer_->setImageFormat(platform::Picbuf::Jpeg);
    writer_->setWriteCompression(quality);
    writer_->setFilename(QDir(folder).filePath(name));
    writer_->Store();
    return name;
}

void EngineControl::archivePicture(const QImage& picture, const QString& folder, int keep, int mostDeletions)
{
    // A picture that cannot be written throws here: then nothing is pruned.
    const QString name = saveDatedJpeg(picture, folder, {}, jpegWriteQuality());
    pruneDatedPictures(folder, keep, mostDeletions, name);
}

// A sent picture has finished: the TX controls go idle, the current tool ends, and the
// TX screen's picture goes into the sent-pictures folder, unless a tune tone ended.
void EngineControl::endOfTransmission(platform::StepRunner& steps)
{
    platform::setBackColor(form_.Command3, IdleColour);
    resetProgressMarkers();
    steps.step(QStringLiteral("end the tool"), [&] { form_.canvas().Command12_Click(); });
    if (skipTxArchive_ == 0) {
        steps.step(QStringLiteral("archive"), [&] {
            const QString folder = platform::appPath(QStringLiteral("TXImages"));
            try {
                archivePicture(form_.Picture1->Image(), folder, txImagesKeep, INT_MAX);
            } catch (const std::exception& e) {
                if (!appFolderReadOnly_)
                    tellLater(QString::fromUtf8(e.what()) + QStringLiteral(". Sent pictures are not being kept."),
                              QStringLiteral("archive ") + folder);
                throw;
            }
        });
    }
    skipTxArchive_ = 0;
    interfaces::StripsRoom& strip = form_.strips();
    if (strip.category() == interfaces::StripsRoom::Category::TxPictures && form_.HScroll2->value() == 1)
        steps.step(QStringLiteral("reload strip"), [&] { strip.reloadStrip(); });
}

// A received picture has finished: the RX controls go idle and the notch returns. When
// more than half of its lines arrived it joins the recent row, the 1:1 view is frozen,
// and with "A-Save" it is saved into the auto-save folder.
void EngineControl::endOfReception(platform::StepRunner& steps)
{
    const platform::Engine& e = engine_;
    platform::setBackColor(form_.Command1, IdleColour);
    platform::setBackColor(form_.Command7, IdleColour);
    if (form_.Check11->value() == 1) {
        steps.step(QStringLiteral("spectrum range"), [&] { e.mmsSetSpecRange(0, 3000); });
        steps.step(QStringLiteral("notch"), [&] { e.mmsSetNotch(notchFreq_); });
    }
    int32_t lines = 0;
    steps.step(QStringLiteral("lines received"), [&] { lines = e.mmsGetPos(0); });
    if (!(lines > modeHeight_ / 2.0))
        return;

    setTxPictureRect(dstRect_);
    steps.step(QStringLiteral("full copy"), [&] { drawIntoBox(form_.Picture19, dstRect_, rxDib_, srcRect_); });
    form_.strips().shiftRecentRow(form_.Picture19->Image());

    // The 1:1 view keeps a copy of the picture across repaints until the next one starts.
    const int mode = rxModeNumber();
    if (isSmallMode(mode))
        setTxPictureRect(srcRect_);
    setRect(dstRect_, 0, 0, 320, 256);
    platform::PictureBox* view = form_.Picture22;
    view->setAutoRedraw(true);
    steps.step(QStringLiteral("freeze the view"), [&] { drawIntoBox(view, dstRect_, rxDib_, srcRect_); });
    view->setPicture(view->Image());
    view->setAutoRedraw(false);

    if (form_.Check8->value() != 1)
        return;
    steps.step(QStringLiteral("auto-save"), [&] {
        // The frozen copy as far as the view shows the picture (not the view's spare
        // pixels), or the full copy for the modes saved from it.
        QImage picture = form_.Picture19->Image();
        if (!savesFromFullCopy(mode)) {
            const QRect copy = trueSizeView(mode, modeWidth_, modeHeight_) & QRect(0, 0, 320, 256);
            picture = view->Image().copy(copy & view->Image().rect());
        }
        const double limit = autoSaveLimit_.toDouble();
        const QString folder = autoSaveFolder();
        try {
            archivePicture(picture, folder, int(std::min(limit, double(INT_MAX))), 1);
        } catch (const std::exception& e) {
            tellLater(QString::fromUtf8(e.what()) + QStringLiteral(". Received pictures are not being saved."),
                      QStringLiteral("auto-save ") + folder);
            throw;
        }
    });
    interfaces::StripsRoom& strip = form_.strips();
    if (strip.category() == interfaces::StripsRoom::Category::RxPictures && form_.HScroll2->value() == 1)
        steps.step(QStringLiteral("reload strip"), [&] { strip.reloadStrip(); });
    if (form_.shell().autoSaveFolderEdited())
        steps.step(QStringLiteral("strip to page one"), [&] { strip.stripToPageOne(); });
}

} // namespace engine
