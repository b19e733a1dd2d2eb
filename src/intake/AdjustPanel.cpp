// The picture-adjust panel Frame9: opened over the received picture (toggleAdjustPanel)
// or the TX picture (the canvas's Command13_Click), it works on its three buffers only:
// PicbufOriginal the base of the level slider, PicbufEdit the working copy, PicbufVisible
// the shown result. Nothing outside them changes until Accept, which puts the result on
// the TX screen, or into the recent row and the "AutoSave" folder.

#include "intake/Intake.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "interfaces/StripsRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QDir>
#include <QTabWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace intake {

namespace {

// The display settings the shown buffer gets at each opening.
constexpr int kDisplayMode = 2;
constexpr int kDisplayOption = 5;
// The quantities of the level slider, by optProcessor's index.
constexpr int kBrightness = 0;
constexpr int kContrast = 1;
constexpr int kGamma = 2;
// The slider's middle: the neutral levels 0.5, 0.5 and 5.0.
constexpr int kNeutralSlider = 50;
// The JPEG quality of an Accept when the writer has none set.
constexpr int kAcceptQuality = 65;

int chosenQuantity(const interfaces::Form& f)
{
    for (int i = 0; i < 3; ++i)
        if (f.optProcessor[i]->value())
            return i;
    return kBrightness;
}

} // namespace

// The panel lies just under the screens, towards their left; the shown buffer covers the
// screen whose picture it holds.
void Intake::placeAdjustPanel()
{
    interfaces::Form& f = form_;
    QWidget* container = f.Frame9->parentWidget();
    const QRect tabs(f.SSTab1->mapTo(container, QPoint(0, 0)), f.SSTab1->size());
    f.Frame9->adjustSize();
    f.Frame9->move(tabs.left() + 148, tabs.bottom() + 4);
    f.Frame9->raise();
    platform::PictureBox* screen = adjustOnRx_ == 1 ? f.Picture18 : f.Picture1;
    QWidget* shown = f.PicbufVisible;
    shown->setGeometry(QRect(screen->mapTo(shown->parentWidget(), QPoint(0, 0)), screen->size()));
    shown->raise();
}

void Intake::startAdjusting(const QImage& picture)
{
    interfaces::Form& f = form_;
    for (platform::Picbuf* buffer : {f.PicbufEdit, f.PicbufOriginal, f.PicbufVisible})
        buffer->setPicture(picture);
    brightnessLevel_ = 0.5;
    contrastLevel_ = 0.5;
    gammaLevel_ = 5.0;
    // A slider that stood elsewhere applies the chosen quantity at its neutral level.
    f.HScroll6->setValue(kNeutralSlider);
    f.text().markAdjustPanelOpen();
    f.PicbufVisible->setDisplayMode(kDisplayMode);
    f.PicbufVisible->setDisplayOption(kDisplayOption);
    f.PicbufVisible->show();
    f.Frame9->show();
    f.Text1->setFocus();
}

void Intake::closeAdjustPanel()
{
    form_.Frame9->hide();
    form_.PicbufVisible->hide();
}

void Intake::emptyAdjustResult()
{
    form_.PicbufVisible->Clear();
    form_.PicbufVisible->setFlag(true);
}

// The TX picture's undo copy is left as it is: the received picture's adjustment never
// changes the TX picture, so there is nothing to take back.
void Intake::toggleAdjustPanel()
{
    interfaces::Form& f = form_;
    if (!f.Frame9->isHidden()) {
        closeAdjustPanel();
        adjustOnRx_ = 0;
        f.Text1->setFocus();
        return;
    }
    adjustOnRx_ = 1;
    placeAdjustPanel();
    platform::StepRunner steps(QStringLiteral("toggleAdjustPanel"));
    startAdjusting(f.engine().redrawReceivedCopy(steps));
}

// "Accept ": a TX picture becomes the TX screen's picture and its clean copy; a received
// picture becomes the newest of the recent row and, with "A-Save", a dated JPEG in the
// application's "AutoSave" folder. Of that folder only the program's dated pictures
// count, and at most the oldest of them goes, after the new one was written, when more
// than the limit were listed before the write.
void Intake::Command38_Click()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::StepRunner steps(QStringLiteral("Command38_Click"));
    platform::Picbuf& shown = *f.PicbufVisible;
    if (adjustOnRx_ == 0) {
        // The engine takes the new TX picture at the next commit or before sending.
        steps.step(QStringLiteral("TX picture"), [&] {
            canvas.setTxPicture(shown.picture());
            canvas.commitTxScreen();
        });
        steps.step(QStringLiteral("Image6"), [&] { canvas.keepScreenAsClean(); });
    } else {
        steps.step(QStringLiteral("recent row"), [&] { f.strips().shiftRecentRow(shown.picture()); });
        if (f.Check8->value() == 1)
            acceptIntoAutoSave(steps);
        adjustOnRx_ = 0;
    }
    closeAdjustPanel();
    canvas.setMouseState(0);
    canvas.setElementAngle(0);
    f.text().clearSharedCounter();
    steps.step(QStringLiteral("File2"), [&] { f.File2->Refresh(); });
    f.Text1->setFocus();
}

void Intake::acceptIntoAutoSave(platform::StepRunner& steps)
{
    interfaces::Form& f = form_;
    platform::Picbuf& shown = *f.PicbufVisible;
    platform::FileListBox& list = *f.File2;
    const QString folder = platform::appPath(QStringLiteral("AutoSave"));
    dialogFolder_ = platform::appFolder();
    // The folder's dated pictures as listed before the new one exists. When the folder
    // cannot be listed, File2 keeps another folder, which is never pruned.
    int listed = -1;
    steps.step(QStringLiteral("list AutoSave"), [&] {
        list.setPath(folder);
        listed = 0;
        for (int i = 0; i < list.ListCount(); ++i)
            listed += f.engine().isDatedPictureFile(list.List(i));
    });
    QString written;
    try {
        written = f.engine().saveDatedJpeg(shown.picture(), folder, {},
                                           shown.WriteCompression() == 0 ? kAcceptQuality : shown.WriteCompression());
    } catch (const std::exception& e) {
        // The picture is still in the recent row; the operator learns it is not on disk.
        f.ui().msgBox(QString::fromStdString(e.what()), platform::vbOKOnly);
    }
    const double limit = f.engine().autoSavePictureLimit();
    if (!written.isEmpty() && listed >= 0 && listed > limit)
        steps.step(QStringLiteral("prune"), [&] { f.engine().pruneDatedFolder(folder, 0, 1, written, {}); });
}

// Cancel drops the result: nothing outside the buffers was changed.
void Intake::Command27_Click()
{
    interfaces::Form& f = form_;
    adjustOnRx_ = 0;
    closeAdjustPanel();
    auto& canvas = f.canvas();
    canvas.setMouseState(0);
    canvas.setElementAngle(0);
    f.text().clearSharedCounter();
}

// ---------------------------------------------------------------- the filters

void Intake::filterShown(const QString& name, const std::function<void(platform::Picbuf&)>& filter, bool newBase)
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(name);
    platform::Picbuf& shown = *f.PicbufVisible;
    steps.step(QStringLiteral("filter"), [&] { filter(shown); });
    if (newBase)
        f.PicbufOriginal->setPicture(shown.picture());
    f.PicbufEdit->setPicture(shown.picture());
    f.Text1->setFocus();
}

void Intake::Command39_Click()
{
    filterShown(QStringLiteral("Command39_Click"), [](platform::Picbuf& b) { b.sharpen(0); }, true);
}

void Intake::Command41_Click()
{
    filterShown(QStringLiteral("Command41_Click"), [](platform::Picbuf& b) { b.soften(0); }, true);
}

void Intake::Command42_Click()
{
    filterShown(QStringLiteral("Command42_Click"), [](platform::Picbuf& b) { b.grey(); }, true);
}

// The negative is shown and worked on, but the base keeps the picture as it was: the next
// level change but one shows the un-negated picture again.
void Intake::Command43_Click()
{
    filterShown(QStringLiteral("Command43_Click"), [](platform::Picbuf& b) { b.negative(); }, false);
}

// ---------------------------------------------------------------- the level slider

// The lower bound is set before the value, so a stored level below the new bound never
// reaches the slider. Setting the value runs HScroll6_Change when it changes.
void Intake::optProcessor_Click(int index)
{
    platform::ScrollBar& slider = *form_.HScroll6;
    switch (index) {
    case kBrightness:
        slider.setMinimum(0);
        slider.setValue(int(std::lround(brightnessLevel_ * 100)));
        break;
    case kContrast:
        slider.setMinimum(0);
        slider.setValue(int(std::lround(contrastLevel_ * 100)));
        break;
    case kGamma:
        slider.setMinimum(10);
        slider.setValue(int(std::lround(gammaLevel_ * 10)));
        break;
    default:
        break;
    }
}

// Every level is applied to the base: the working copy takes the level, its change is
// shown, and the working copy goes back to the base without being shown.
void Intake::HScroll6_Change()
{
    interfaces::Form& f = form_;
    const int v = f.HScroll6->value();
    platform::Picbuf& work = *f.PicbufEdit;
    platform::StepRunner steps(QStringLiteral("HScroll6_Change"));
    switch (chosenQuantity(f)) {
    case kBrightness:
        brightnessLevel_ = v / 100.0;
        steps.step(QStringLiteral("brightness"), [&] { work.brightnessContrast(brightnessLevel_, contrastLevel_); });
        break;
    case kContrast:
        contrastLevel_ = v / 100.0;
        steps.step(QStringLiteral("contrast"), [&] { work.brightnessContrast(brightnessLevel_, contrastLevel_); });
        break;
    case kGamma:
        gammaLevel_ = v / 10.0;
        steps.step(QStringLiteral("gamma"), [&] { work.gamma(gammaLevel_); });
        break;
    default:
        break;
    }
    skipEditCopy_ = true;
    work.setPicture(f.PicbufOriginal->picture());
}

void Intake::PicbufEdit_PictureChanged()
{
    if (skipEditCopy_) {
        skipEditCopy_ = false;
        return;
    }
    form_.PicbufVisible->setPicture(form_.PicbufEdit->picture());
}

void Intake::resetAdjustSlider()
{
    form_.HScroll6->setValue(kNeutralSlider);
    brightnessLevel_ = 0.5;
    contrastLevel_ = 0.5;
    gammaLevel_ = 5.0;
}

// "Restore Picture": the picture the panel was opened on, or on the RX side the received
// picture drawn since, if one ended meanwhile.
void Intake::Command40_Click()
{
    interfaces::Form& f = form_;
    resetAdjustSlider();
    const QImage source = adjustOnRx_ == 1 ? f.Picture19->Image() : f.Picture1->Image();
    for (platform::Picbuf* buffer : {f.PicbufVisible, f.PicbufEdit, f.PicbufOriginal})
        buffer->setPicture(source);
    f.Text1->setFocus();
}

} // namespace intake
