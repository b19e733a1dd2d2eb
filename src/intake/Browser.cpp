// The picture browser: the panel Frame2 that "Load Pic" opens and closes, its drive,
// folder and file lists, the four-thumbnail pages with their type filters, the fit
// modes, the quick directories Dir 1 to Dir 8, and the drops that save a picture into
// the browser's folder.
//
// No handler here lets window events run in the middle of its work: a press that came
// in between would start another page, or another fit, half way through this one.

#include "intake/Intake.h"

#include "intake/Fitting.h"
#include "intake/PictureFiles.h"
#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/ShellRoom.h"
#include "interfaces/StripsRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/StepValues.h"
#include "platform/runtime/Twips.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QFileInfo>
#include <QGroupBox>

#include <cmath>

namespace intake {

namespace {

using interfaces::kStateOn;
using interfaces::kStateOff;
using interfaces::kTxHeight;
using interfaces::kTxWidth;

constexpr int HourglassPointer = 11;

// The quickDirs element of button n: Dir 7 and Dir 8 keep theirs in 9 and 10.
constexpr int QuickDirElement[9] = {0, 1, 2, 3, 4, 5, 6, 9, 10};

const QString kAllFilesPattern =
    QStringLiteral("*.bmp;*.jpg;*.gif;*.dib;*.pcx;*.png;*tga;*.tif;*.wmf;*.emf;*.ico;*.rle");

QString filterPattern(int code)
{
    switch (code) {
    case 0: return kAllFilesPattern;
    case 15: return QStringLiteral("*.bmp");
    case 16: return QStringLiteral("*.gif");
    case 18: return QStringLiteral("*.jpg");
    case 19: return QStringLiteral("*.pcx");
    case 20: return QStringLiteral("*.png");
    case 21: return QStringLiteral("*.tga");
    case 22: return QStringLiteral("*.tif");
    case 43: return QStringLiteral("*.exe;*.dll");
    default: return QString();
    }
}

void setBold(QWidget* w, bool on)
{
    QFont font = w->font();
    font.setBold(on);
    w->setFont(font);
}

// A value the settings file carried, as a 16-bit whole number (empty is 0).
int settingNumber(const QVariant& value)
{
    return platform::CInt(platform::steps::number(value));
}

// Where the operator is told why a drop could not be saved.
void tell(platform::Ui& ui, const std::exception& e)
{
    ui.msgBox(QString::fromStdString(e.what()), platform::vbExclamation);
}

} // namespace

// ---------------------------------------------------------------- the panel

void Intake::Command20_Click()
{
    interfaces::Form& form = form_;
    if (!form.Frame9->isHidden()) {
        form.Text1->setFocus();
        return;
    }
    platform::StepRunner steps(QStringLiteral("Command20_Click"));
    steps.stepIf(QStringLiteral("message pane"), [&] { return interfaces::isOn(form.Command8); },
                 [&] { form.text().Command8_Click(); });
    steps.stepIf(QStringLiteral("large header boxes"), [&] { return form.Command35->text() == QLatin1String("Exit"); },
                 [&] { form.qso().Command35_Click(); });
    steps.stepIf(QStringLiteral("small header boxes"), [&] { return form.Command37->text() == QLatin1String("Exit"); },
                 [&] { form.qso().Command37_Click(); });

    if (form.Command20->text() == QLatin1String("Load Pic")) {
        steps.step(QStringLiteral("button on"), [&] {
            setBold(form.Command20, true);
            platform::setBackColor(form.Command20, kStateOn);
            form.Command20->setText(QStringLiteral("Exit Pic"));
        });
        steps.step(QStringLiteral("show panel"), [&] {
            form.Frame2->move(form.shell().browserPanelPlace());
            form.Frame2->show();
            form.Frame2->raise();
        });
        steps.step(QStringLiteral("focus"), [&] { form.Text1->setFocus(); });
        // The first opening of a run brings the browser back to the quick directory in
        // use, at its page.
        if (form.Command14->text().contains(u'*')) {
            steps.step(QStringLiteral("Dir 1"), [&] { form.Command14->setText(QStringLiteral("Dir 1")); });
            steps.step(QStringLiteral("page"), [&] {
                const int n = settingNumber(currentQuickDir_);
                if (n < 0 || n > 8)
                    throw platform::VbError(9, QStringLiteral("Subscript out of range: quick directory %1").arg(n));
                form.File1->setListIndex(settingNumber(quickDirPages_[n]));
            });
            steps.step(QStringLiteral("quick directory"), [&] {
                const int n = settingNumber(currentQuickDir_);
                if (n >= 1 && n <= 8)
                    quickDirClick(n);
            });
        }
        return;
    }
    steps.step(QStringLiteral("button off"), [&] {
        platform::setBackColor(form.Command20, kStateOff);
        form.Command20->setText(QStringLiteral("Load Pic"));
        setBold(form.Command20, false);
    });
    steps.step(QStringLiteral("hide panel"), [&] { form.Frame2->hide(); });
    steps.step(QStringLiteral("focus"), [&] { form.Text1->setFocus(); });
}

void Intake::Command34_Click()
{
    Command20_Click();
}

void Intake::moveBrowserPanel(QPoint place) { form_.Frame2->move(place); }

QString Intake::browseToFolder(const QString& folder)
{
    try {
        form_.Dir1->setPath(folder);
    } catch (const std::exception&) {
        // A folder the list cannot show leaves it where it was.
    }
    return form_.Dir1->Path();
}

void Intake::Drive1_Change()
{
    interfaces::Form& form = form_;
    try {
        form.Dir1->setDrive(form.Drive1->Drive());
    } catch (const platform::VbError& e) {
        if (e.number() != platform::vbErrDeviceUnavailable) {
            form.ui().msgBox(QStringLiteral("Application error."), platform::vbExclamation);
            return;
        }
        form.ui().msgBox(QStringLiteral("Drive not ready. Please insert disk in drive."), platform::vbExclamation);
        platform::StepRunner(QStringLiteral("Drive1_Change")).step(QStringLiteral("drive back"), [&] {
            form.Drive1->setDrive(form.Dir1->Path());
        });
    } catch (const std::exception&) {
        form.ui().msgBox(QStringLiteral("Application error."), platform::vbExclamation);
    }
}

void Intake::Dir1_Change()
{
    interfaces::Form& form = form_;
    platform::StepRunner steps(QStringLiteral("Dir1_Change"));
    steps.step(QStringLiteral("File1"), [&] { form.File1->setPath(form.Dir1->Path()); });
    clearBrowserSlots();
    auto& canvas = form.canvas();
    const bool showPage = canvas.mouseState() == 107;
    if (showPage) {
        canvas.setMouseState(0);
        steps.step(QStringLiteral("refresh"), [&] { form.File1->Refresh(); });
    }
    // The new folder's first file is selected, so that " >>>> Next 4" (or a fit mode)
    // shows its first page; the first change after a quick directory placed the browser
    // shows it at once.
    selectFirstFile(steps, true);
    scratchIndex_ = form.File1->ListIndex();
    if (showPage)
        Label13_Click();
}

void Intake::File1_MouseDown(int, int, double, double)
{
    iconIndex_ = 0;
    clearBrowserSlots();
}

// A release over the list leaves the text position alone: nothing in the browser uses
// it, and the element being placed stays where the operator put it.
void Intake::File1_MouseUp(int, int, double, double) {}

// Every press takes the focus anew (it goes back to Text1 at once), so pressing a file
// shows the page that begins at it.
void Intake::File1_GotFocus()
{
    Label13_Click();
    form_.Text1->setFocus();
}

void Intake::File1_LostFocus()
{
    form_.canvas().markNothingPending();
    form_.Text1->setFocus();
}

void Intake::selectFirstFile(platform::StepRunner& steps, bool always)
{
    platform::FileListBox& list = *form_.File1;
    steps.step(QStringLiteral("first file"), [&] {
        if (list.ListCount() > 0 && (always || list.ListIndex() < 0))
            list.setListIndex(0);
    });
}

void Intake::clearBrowserSlots()
{
    for (int slot = 1; slot <= interfaces::kBrowserSlots; ++slot)
        form_.thumbnailFor(interfaces::browserSlotCode(slot))->setPicture(QImage());
}

QString Intake::browserSlotPath(int slot) const
{
    return slot >= 1 && slot <= 4 ? browserSlotPath_[slot] : QString();
}

QString Intake::quickDir(int element) const
{
    return element >= 1 && element <= 14 ? quickDirs_[element] : QString();
}

void Intake::setQuickDir(int element, const QString& folder)
{
    if (element >= 1 && element <= 14)
        quickDirs_[element] = folder;
}

QVariant Intake::quickDirPage(int n) const
{
    return n >= 1 && n <= 8 ? quickDirPages_[n] : QVariant();
}

void Intake::setQuickDirPage(int n, const QVariant& page)
{
    if (n >= 1 && n <= 8)
        quickDirPages_[n] = page;
}

// ---------------------------------------------------------------- drops on the lists

void Intake::browserListDragOver(int state)
{
    interfaces::Form& form = form_;
    const int code = form.canvas().dragSourceCode();
    if (interfaces::isBrowserSlot(code))
        return;
    if (form.qso().makingHeader())
        return;
    if (state == platform::vbEnter)
        form.strips().iconon();
    else if (state == platform::vbLeave)
        form.strips().iconoff();
}

void Intake::browserListDragDrop()
{
    dropToSave(true);
}

// A picture dragged inside the window and dropped on a list or a thumbnail is saved into
// the browser's folder under a name the operator chooses. Only pictures are taken: the TX
// picture, a strip slot, the mug shot, and on the lists a recent picture; a browser
// thumbnail is in that folder already, and a call sign, an identification text or an
// armed shape tool is no picture.
void Intake::dropToSave(bool recentTaken)
{
    interfaces::Form& form = form_;
    const int code = form.canvas().dragSourceCode();
    QImage picture;
    if (code == interfaces::dragTxPicture) {
        picture = form.Picture1->Image();
    } else if (interfaces::isBrowserSlot(code) || !form.thumbnailFor(code)
               || (interfaces::isRecentPicture(code) && !recentTaken)) {
        return;
    } else {
        picture = form.thumbnailFor(code)->Picture();
    }
    if (picture.isNull())
        return;
    try {
        const QString folder = form.File1->Path();
        if (!QFileInfo(folder).isDir())
            throw platform::VbError(platform::vbErrPathNotFound,
                                    QStringLiteral("The browser's folder ") + folder + QStringLiteral(" is not there."));
        dialogFolder_ = folder;
        picbufFile_->setPicture(picture);
        picbufFile_->setImageFormat(platform::Picbuf::NoFormat);
        // The buffer's pre-save check is 0, never above 1: no save greys the picture first.
        SaveImageAs(*picbufFile_, *form.CommonDialog1);
    } catch (const std::exception& e) {
        tell(form.ui(), e);
    }
    platform::StepRunner steps(QStringLiteral("dropToSave"));
    steps.step(QStringLiteral("refresh"), [&] { form.File1->Refresh(); });
    selectFirstFile(steps, false);
    dialogFolder_ = platform::appFolder();
    form.Text1->setFocus();
}

// ---------------------------------------------------------------- pages

void Intake::Label13_Click()
{
    interfaces::Form& form = form_;
    platform::FileListBox& list = *form.File1;
    platform::StepRunner steps(QStringLiteral("Label13_Click"));
    if (platform::backColor(form.Label43) == kChosenColour) {
        loadThumbnailFile();
        ShowNextIcons();
        return;
    }
    scratchIndex_ = list.ListIndex();
    if (scratchIndex_ > list.ListCount() - 4)
        clearBrowserSlots();
    if (scratchIndex_ == -1)
        return;
    form.setMousePointer(HourglassPointer);
    steps.step(QStringLiteral("select"), [&] { list.setListIndex(scratchIndex_); });
    // The page is recorded for the quick directory whose button shows its marker.
    for (int n = 1; n <= 8; ++n)
        if (form.quickDirButton(n)->text().contains(QStringLiteral("Dir%1").arg(n)))
            quickDirPages_[n] = list.ListIndex();
    form.Picture2->setAutoRedraw(true);
    form.Picture13->setAutoRedraw(true);
    // The intake's own file buffer is prepared, never the adjust panel's working copy,
    // which the preparation would empty.
    steps.step(QStringLiteral("prepare buffer"), [&] {
        picbufFile_->Clear();
        picbufFile_->setFlag(true);
        picbufFile_->setDepth(24);
    });
    for (int k = 1; k <= 4; ++k) {
        if (k >= 2 && !steps.step(QStringLiteral("next file"), [&] { list.setListIndex(scratchIndex_ + k - 1); }))
            break;
        // A file that cannot be read leaves its slot empty, not showing the picture
        // before it (a file the operator might then drag or delete in its place).
        const bool loaded = loadThumbnailFile();
        form.thumbnailFor(interfaces::browserSlotCode(k))->setPicture(loaded ? form.Picture2->Image() : QImage());
        browserSlotPath_[k] = list.filePath();
        if (k <= 3 && list.ListIndex() >= list.ListCount() - 1) {
            steps.step(QStringLiteral("last file"), [&] { list.setListIndex(list.ListIndex() - 1); });
            break;
        }
    }
    steps.step(QStringLiteral("next page"), [&] { list.setListIndex(list.ListIndex() + 1); });
    form.setMousePointer(0);
    form.Picture2->setAutoRedraw(false);
    form.Picture13->setAutoRedraw(false);
}

void Intake::Label27_Click()
{
    interfaces::Form& form = form_;
    if (platform::backColor(form.Label43) == kChosenColour) {
        // Back two pages of icons from the one after the page shown: after a short last
        // page that is 8 back from the end, and below the first icon it starts at it.
        iconIndex_ -= 8;
        Label13_Click();
        return;
    }
    if (form.File1->ListIndex() < 5)
        return;
    if (scratchIndex_ - 4 < 0)
        scratchIndex_ = 4;
    platform::StepRunner(QStringLiteral("Label27_Click")).step(QStringLiteral("back"), [&] {
        form.File1->setListIndex(scratchIndex_ - 4);
    });
    Label13_Click();
}

void Intake::Label13_MouseDown(int)
{
    if (!form_.Frame9->isHidden())
        form_.Text1->setFocus();
    else
        platform::setBackColor(form_.Label13, kStateOn);
}

void Intake::Label13_MouseUp(int)
{
    platform::setBackColor(form_.Label13, kStateOff);
}

void Intake::Label27_MouseDown(int)
{
    if (!form_.Frame9->isHidden())
        form_.Text1->setFocus();
    else
        platform::setBackColor(form_.Label27, kStateOn);
}

void Intake::Label27_MouseUp(int)
{
    platform::setBackColor(form_.Label27, kStateOff);
}

// The file is read through the intake's own file buffer: the adjust panel's working copy
// shows every picture put into it, and must hold the panel's picture while it is open.
bool Intake::loadThumbnailFile()
{
    interfaces::Form& form = form_;
    platform::Picbuf& buffer = *picbufFile_;
    const QString name = form.File1->filePath();
    buffer.setFilename(name);
    const QString extension = name.right(3).toUpper();
    static const QStringList bufferTypes = {QStringLiteral("TIF"), QStringLiteral("TGA"), QStringLiteral("PNG"),
                                            QStringLiteral("PCX"), QStringLiteral("DIB")};
    static const QStringList loaderTypes = {QStringLiteral("GIF"), QStringLiteral("JPG"), QStringLiteral("BMP"),
                                            QStringLiteral("ICO"), QStringLiteral("RLE"), QStringLiteral("WMF"),
                                            QStringLiteral("EMF"), QStringLiteral("CUR")};
    // In the icon view the file is only named: its icons are read by ShowNextIcons.
    if (platform::backColor(form.Label43) == kChosenColour)
        return false;
    QImage picture;
    platform::StepRunner steps(QStringLiteral("loadThumbnailFile"));
    steps.step(QStringLiteral("load ") + name, [&] {
        if (bufferTypes.contains(extension)) {
            buffer.load();
            picture = buffer.picture();
        } else if (loaderTypes.contains(extension)) {
            picture = platform::LoadPicture(name);
        }
    });
    setFitSource(picture);
    if (picture.isNull())
        return false;
    if (platform::backColor(form.Label43) != kChosenColour)
        steps.step(QStringLiteral("imagecorrectaspect"), [&] { imagecorrectaspect(); });
    return true;
}

// ---------------------------------------------------------------- type filters

void Intake::filterClick(int code)
{
    interfaces::Form& form = form_;
    platform::StepRunner steps(QStringLiteral("filterClick"));
    steps.step(QStringLiteral("pattern"), [&] {
        form.File1->setPattern(filterPattern(code));
        form.File1->Refresh();
    });
    steps.step(QStringLiteral("first file"),
               [&] { form.File1->setListIndex(form.File1->ListCount() > 0 ? 0 : -1); });
    resetFilterLabels();
    platform::setBackColor(form.filterLabel(code), kChosenColour);
    fileTypeFilter_ = code;
    Label13_Click();
}

void Intake::resetFilterLabels()
{
    interfaces::Form& form = form_;
    for (platform::Label* label : {form.Label15, form.Label16, form.Label18, form.Label19, form.Label20,
                                   form.Label21, form.Label22, form.Label23, form.Label39, form.Label43})
        platform::setBackColor(label, kStateOff);
    form.Label39->setCaption(QStringLiteral("0"));
}

void Intake::restoreFileTypeFilter()
{
    interfaces::Form& form = form_;
    const int code = settingNumber(fileTypeFilter_);
    if (code == 0) {
        platform::setBackColor(form.Label23, kChosenColour);
        return;
    }
    // The start-up shows the icon files themselves for the icons filter.
    const QString pattern = code == 43 ? QStringLiteral("*.ico") : filterPattern(code);
    if (pattern.isEmpty())
        return;
    platform::setBackColor(form.filterLabel(code), kChosenColour);
    form.File1->setPattern(pattern);
}

// ---------------------------------------------------------------- fitting

FitMode fitMode(const interfaces::Form& form)
{
    if (platform::backColor(form.Label70) == kChosenColour)
        return FitMode::Correct;
    if (platform::backColor(form.Label71) == kChosenColour)
        return FitMode::SpreadFill;
    if (platform::backColor(form.Label72) == kChosenColour)
        return FitMode::StretchFill;
    return FitMode::None;
}

QRectF Intake::txScreenFilePlace(QSize size, bool& overEmptied) const
{
    const ScreenFileFit fit = txScreenFileFit(fitMode(form_), size.width(), size.height());
    overEmptied = fit.overEmptied;
    return QRectF(fit.place.left, fit.place.top, fit.place.width, fit.place.height);
}

namespace {

// The fit scratch measures its picture in units of 2.109375 twips across and
// 2.16796875 twips down (a 320 x 256 scale over its design area).
constexpr double ScratchUnitWidth = 2.109375;
constexpr double ScratchUnitHeight = 2.16796875;
// The largest side the fit scratch holds.
constexpr int MaxFitSourceSide = 2048;

} // namespace

// A large picture is held reduced: the fit paints at most 640 x 512 pixels, and the
// scratch box's layers would otherwise take several times the picture's memory. The
// scale and the outer ratio stay those of the picture itself, and so does the top-left
// pixel, whose colour the bars take.
void Intake::setFitSource(const QImage& picture)
{
    platform::PictureBox& scratch = *form_.Picture13;
    QImage held = picture;
    if (!picture.isNull()) {
        fitSourceSize_ = picture.size();
        if (picture.width() > MaxFitSourceSide || picture.height() > MaxFitSourceSide) {
            held = picture.scaled(MaxFitSourceSide, MaxFitSourceSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
            held.setPixel(0, 0, picture.pixel(0, 0));
        }
        scratch.setBoxSize(held.width(), held.height());
    }
    scratch.setPicture(held);
    scratch.setScaleWidth(platform::kTwipsPerPixel * fitSourceSize_.width() / ScratchUnitWidth);
    scratch.setScaleHeight(platform::kTwipsPerPixel * fitSourceSize_.height() / ScratchUnitHeight);
}

void Intake::fitLabelClick(int number)
{
    interfaces::Form& form = form_;
    if (platform::backColor(form.Label43) == kChosenColour)
        return;
    for (int n : {70, 71, 72})
        platform::setBackColor(form.fitLabel(n), n == number ? kChosenColour : kStateOff);
    // The page shown is shown again in the new mode: the one that begins where the last
    // page began. (Four back from the selection is another page after a short last page,
    // and none at all after a full one at the end of the list.)
    platform::StepRunner(QStringLiteral("fitLabelClick")).step(QStringLiteral("page shown"), [&] {
        form.File1->setListIndex(scratchIndex_);
    });
    Label13_Click();
}

void Intake::imagecorrectaspect()
{
    interfaces::Form& form = form_;
    platform::PictureBox& source = *form.Picture13;
    platform::PictureBox& target = *form.Picture2;
    const QImage picture = source.Picture();
    const float sw = float(source.ScaleWidth());
    const float sh = float(source.ScaleHeight());
    // The bars take the colour of the picture's top-left pixel.
    const quint32 corner = picture.isNull() ? source.BackColor() : platform::fromQColor(picture.pixelColor(0, 0));
    target.Line(0, 0, kTxWidth, kTxHeight, corner, platform::PictureBox::LineKind::FilledBox);
    if (sh == 0 || picture.isNull())
        throw platform::VbError(11, QStringLiteral("Division by zero: the picture to fit is empty"));
    const FitRect place = thumbnailFit(fitMode(form), sw / sh);
    if (place.width == 0)
        return;
    target.PaintPicture(picture, place.left, place.top, place.width, place.height);
}

void Intake::olepicturesize()
{
    interfaces::Form& form = form_;
    platform::PictureBox& target = *form.Picture2;
    platform::StepRunner steps(QStringLiteral("olepicturesize"));
    steps.step(QStringLiteral("Picture13"), [&] { setFitSource(picbufFile_->picture()); });
    target.setAutoRedraw(true);
    target.Line(0, 0, kTxWidth, kTxHeight, platform::vbBlack, platform::PictureBox::LineKind::FilledBox);
    steps.step(QStringLiteral("paint"), [&] {
        const platform::PictureBox& source = *form.Picture13;
        const QImage picture = source.Picture();
        if (picture.isNull())
            throw platform::VbError(481, QStringLiteral("Invalid picture"));
        const float r = float(source.ScaleWidth()) / float(source.ScaleHeight());
        const FitRect place = desktopDropFit(fitMode(form), r, outerRatio(fitSourceSize_.width(), fitSourceSize_.height()));
        if (place.width != 0)
            target.PaintPicture(picture, place.left, place.top, place.width, place.height);
    });
    target.setPicture(target.Image());
    target.setAutoRedraw(false);
}

void Intake::picturecorrectaspect()
{
    interfaces::Form& form = form_;
    platform::PictureBox& tx = *form.Picture1;
    tx.setAutoRedraw(true);
    // A code that names no thumbnail refits what the scratch held.
    if (const platform::ImageBox* source = form.thumbnailFor(form.canvas().dragSourceCode()))
        setFitSource(source->Picture());
    const platform::PictureBox& scratch = *form.Picture13;
    const QImage picture = scratch.Picture();
    if (picture.isNull())
        throw platform::VbError(481, QStringLiteral("Invalid picture"));
    bool narrow = false;
    const FitRect place = txDropFit(float(scratch.ScaleWidth()) / float(scratch.ScaleHeight()), narrow);
    if (narrow)
        tx.Line(0, 0, kTxWidth, kTxHeight, platform::vbBlack, platform::PictureBox::LineKind::FilledBox);
    tx.PaintPicture(picture, place.left, place.top, place.width, place.height);
    form.canvas().commitTxScreen();
    tx.setAutoRedraw(false);
}

// ---------------------------------------------------------------- quick directories

int Intake::quickDirElement(int n)
{
    return n >= 1 && n <= 8 ? QuickDirElement[n] : 0;
}

void Intake::openStartFolder(platform::StepRunner& steps)
{
    interfaces::Form& form = form_;
    steps.step(QStringLiteral("File1 quick directory"), [&] {
        const int n = platform::CInt(platform::steps::number(currentQuickDir_));
        if (n == 0)
            return;
        if (n < 0 || n > 8)
            platform::steps::fail(9, QStringLiteral("Subscript out of range: quick directory %1").arg(n));
        form.File1->setPath(quickDirs_[QuickDirElement[n]]);
    });
    steps.stepIf(QStringLiteral("File1 application folder"),
                 [&] { return platform::steps::number(currentQuickDir_) == 0; },
                 [&] { form.File1->setPath(platform::appFolder()); });
    steps.step(QStringLiteral("Dir1"), [&] { form.Dir1->setPath(form.File1->Path()); });
    steps.step(QStringLiteral("Drive1"), [&] { form.Drive1->setDrive(form.Dir1->Path()); });
}

void Intake::quickDirClick(int n)
{
    interfaces::Form& form = form_;
    auto& canvas = form.canvas();
    const int element = QuickDirElement[n];
    canvas.setMouseState(0);
    currentQuickDir_ = n;
    resetDirCaptions();
    platform::CommandButton* button = form.quickDirButton(n);
    setBold(button, true);
    button->setText(QStringLiteral("Dir%1").arg(n));
    try {
        // Twice: when the drive changed, its change handler moved the folder list to that
        // drive's folder; the second pass brings both lists back to the stored folder.
        for (int pass = 0; pass < 2; ++pass) {
            form.File1->setPath(quickDirs_[element]);
            form.Dir1->setPath(form.File1->Path());
            form.Drive1->setDrive(form.Dir1->Path());
        }
        clearBrowserSlots();
        form.File1->setListIndex(settingNumber(quickDirPages_[n]));
        Label13_Click();
        canvas.setMouseState(107);
    } catch (const std::exception& e) {
        qInfo("quick directory %d: %s", n, e.what());
    }
    form.Text1->setFocus();
}

void Intake::quickDirMouseDown(int n, int button)
{
    if (button != 2)
        return;
    interfaces::Form& form = form_;
    const QString folder = form.File1->Path();
    const int answer = form.ui().msgBox(QStringLiteral("Save this Directory to Dir %1?").arg(n),
                                        platform::vbOKCancel + platform::vbDefaultButton2, folder);
    if (answer == platform::vbOK)
        quickDirs_[QuickDirElement[n]] = folder;
}

// The captions repaint at once; no other event runs in between.
void Intake::resetDirCaptions()
{
    for (int n = 1; n <= 8; ++n) {
        platform::CommandButton* button = form_.quickDirButton(n);
        button->setText(QStringLiteral("Dir %1").arg(n));
        setBold(button, false);
        button->repaint();
    }
}

} // namespace intake
