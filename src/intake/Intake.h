#pragma once
// Picture intake's controller: browser, picture files, fitting, adjustments, zoom and crop.

#include "interfaces/IntakeRoom.h"
#include "intake/Fitting.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

namespace interfaces { class Form; }
namespace platform { class CommonDialog; class Picbuf; class StepRunner; }

namespace intake {

// The back colour of the browser's label that is chosen: the type filter shown, the fit
// mode, the icon view and its count.
inline constexpr quint32 kChosenColour = 0xFF00;

// The fit mode whose label (Label70 to Label72) is green; None when none is.
FitMode fitMode(const interfaces::Form& form);

class Intake : public QObject, public interfaces::IntakeRoom {
    Q_OBJECT
public:
    explicit Intake(interfaces::Form& form);
    ~Intake() override;
    interfaces::Form& form() const { return form_; }

    void loadpic_Click() override; // menu "Load Picture to TX"
    void copyrx_Click(); // menu "Copy RX Image"
    void copye_Click(); // menu "Copy TX Image"
    void Command22_Click(); // "Paste": the clipboard's picture onto the TX screen
    void Command51_Click() override; // "RX>TX": Copy RX Image, then Paste
    // "  T X      to   FTP": the left button saves the TX picture as a dated JPEG into
    // the FTP folder, the right button asks for that folder.
    void Command26_MouseDown(int button, int shift, double x, double y);
    void savepic_Click(); // menu "Save TX  Picture"
    void Command27_Click(); // "Cancel" of the picture-adjust panel
    void Label17_Click();   // "With Crop": browser thumbnails dropped on the TX screen go through the crop dialog
    void Label13_Click();   // " >>>> Next 4": the browser's four-thumbnail loader
    void Label27_Click();   // "<<<< Prev  4"
    // Press feedback of " >>>> Next 4" and "<<<< Prev  4".
    void Label13_MouseDown(int button);
    void Label13_MouseUp(int button);
    void Label27_MouseDown(int button);
    void Label27_MouseUp(int button);

    // The browser panel: "Load Pic" opens it, "Exit Pic" (or any caller) closes it.
    void Command20_Click() override;
    void Command34_Click(); // "Exit" inside the panel
    void moveBrowserPanel(QPoint place) override;
    QString browseToFolder(const QString& folder) override;
    void Drive1_Change();
    void Dir1_Change();
    void File1_MouseDown(int button, int shift, double x, double y);
    void File1_MouseUp(int button, int shift, double x, double y);
    void File1_GotFocus();
    void File1_LostFocus();
    // Drop feedback and drops of a picture dragged inside the window onto Dir1, Drive1
    // or File1 (the three lists share them).
    void browserListDragOver(int state);
    void browserListDragDrop();
    // A file dropped from the desktop on a list or a browser thumbnail: the first local
    // file is read and saved into the browser's folder under a name the operator types.
    void browserOLEDragDrop(const QStringList& files);
    // Saves the picture the intake buffer holds into the browser's folder: the name is
    // asked, the extension and format follow the filter shown.
    void saveToBrowserDir();

    // The browser's thumbnails Image8 to Image11 (codes 11 to 14) as drop targets: drop
    // feedback, and a picture dragged inside the window saved into the browser's folder.
    void browserSlotDragOver(int code, int state);
    void browserSlotDragDrop(int code);
    // The browser's trash can Image16: a thumbnail dropped on it sends its file to the trash.
    void Image16_DragOver(int state);
    void Image16_DragDrop();
    // Sends the file of browser thumbnail `slot` (1 to 4) to the trash.
    void DeletePictures(int slot);

    // The icon browser: "Icons" lists program and library files and shows the icons of
    // the file selected, four at a time from iconIndex.
    void Label43_Click();
    void ShowNextIcons();

    // The zoom view: the picture of the thumbnail dragSource names, 640 x 512 over the
    // screens until a click.
    void ShowZoom() override;
    void closeZoom() override;
    void Picture21_MouseDown(int button);

    // The type filters: code 0 " All Files", 15 "BMP", 16 "GIF", 18 "JPG", 19 "PCX",
    // 20 "PNG", 21 "TGA", 22 "TIF" (Label<code>_Click; 0 is Label23's), 43 "Icons".
    void filterClick(int code);
    void resetFilterLabels();
    // The start-up's restore of the saved filter: its label green and its pattern, no
    // thumbnails.
    void restoreFileTypeFilter();
    // Loads File1's selected file into the fit scratch and fits it into Picture2.
    // Returns false when the file could not be read (the scratch then holds nothing).
    bool loadThumbnailFile();

    // The quick-directory buttons Dir 1 to Dir 8 (Command14 to Command19, Command5,
    // Command30): the click of button n, its press, and all eight at rest.
    void quickDirClick(int n);
    // The quickDirs element of button n (Dir 7 and Dir 8 keep theirs in 9 and 10).
    static int quickDirElement(int n);
    void quickDirMouseDown(int n, int button);
    void resetDirCaptions();

    // The fit modes: Label70 "Correct", Label71 "Spread  Fill", Label72 "Stretch  Fill".
    void fitLabelClick(int label);
    // Fits the fit scratch Picture13 into Picture2 by the fit mode; bars in the colour of
    // the picture's top-left pixel.
    void imagecorrectaspect();
    // Fits the intake buffer's picture (a file dropped from the desktop) into Picture2 by
    // the fit mode; bars black.
    void olepicturesize() override;
    // Puts a picture into the fit scratch, which takes its size in its own units.
    void setFitSource(const QImage& picture);
    // Press on browser thumbnail `code` (11 to 14: Image8 to Image11): a thumbnail with a
    // picture writes its code; the left button drags it.
    void browserSlotMouseDown(int code, int button);
    // Fits the picture of the thumbnail that dragSource names onto the whole TX screen and
    // commits it: a picture narrower than 5:4 full height between black bars, any other
    // stretched to 640 x 512.
    void picturecorrectaspect() override;

    // The browser's values the settings carry: the quick directories' folders (elements 1
    // to 14; Dir 7 and Dir 8 keep theirs in 9 and 10), the page each of Dir 1 to Dir 8 last
    // showed, the quick directory in use (1 to 8), the type filter's code and the TX-to-FTP
    // folder. An element outside its range reads as empty and stores nothing.
    QString quickDir(int element) const;
    void setQuickDir(int element, const QString& folder);
    QVariant quickDirPage(int n) const;
    void setQuickDirPage(int n, const QVariant& page);
    QVariant currentQuickDir() const { return currentQuickDir_; }
    // The browser at its start folder: the current quick directory's (the application
    // folder when none is current), each list following the one before.
    void openStartFolder(platform::StepRunner& steps);
    void setCurrentQuickDir(const QVariant& n) { currentQuickDir_ = n; }
    QVariant fileTypeFilter() const { return fileTypeFilter_; }
    void setFileTypeFilter(const QVariant& code) { fileTypeFilter_ = code; }
    QString ftpDir() const { return ftpDir_; }
    void setFtpDir(const QString& folder) { ftpDir_ = folder; }

    // The full path of the file browser thumbnail `slot` (1 to 4) shows; empty for none.
    QString browserSlotPath(int slot) const;
    // The icon view starts again at the file's first icon.
    void rewindIcons() { iconIndex_ = 0; }

    // The process's working directory is never changed; this folder stands in for it. It
    // is the application folder at start, then the folder a handler makes current or the
    // folder of the file last chosen in a file dialog; dialogs that name no folder open here.
    QString dialogFolderPath() const override { return dialogFolder_; }
    void setDialogFolder(const QString& folder) override { dialogFolder_ = folder; }
    // The window's file dialog opens in that folder and records the folder of the file chosen.
    void shareDialogFolder(platform::CommonDialog& dialog);

    // The buffer that loads and saves picture files for the load and save menus and for
    // files dropped from the desktop, so that none replaces a picture held by the
    // adjustment buffers.
    platform::Picbuf& fileLoader() override { return *picbufFile_; }

    // The picture-adjust panel Frame9: opened over the received picture here, over the TX
    // picture by the canvas's Command13_Click; closed by Accept, Cancel or a second press.
    // Its three buffers: PicbufOriginal the base, PicbufEdit the working copy,
    // PicbufVisible the shown result that Accept takes.
    void toggleAdjustPanel() override;
    void closeAdjustPanel() override;
    void emptyAdjustResult() override;
    void Command38_Click() override; // "Accept "
    // The filters: each works on the shown result, which Sharpen, Soften and Grey also make
    // the slider's new base; the base keeps the un-negated picture.
    void Command39_Click(); // "Sharpen"
    void Command41_Click(); // "Soften"
    void Command42_Click(); // "Grey"
    void Command43_Click(); // "Neg"
    void Command40_Click(); // "Restore Picture": the source picture again, levels neutral
    // The level slider: the quantity chosen (0 Brightness, 1 Contrast, 2 Gamma), a level
    // applied to the base, and the working buffer's change shown unless skipped once.
    void optProcessor_Click(int index);
    void HScroll6_Change();
    void PicbufEdit_PictureChanged();
    void resetAdjustSlider();
    // The panel under the screens and the shown buffer over the screen of its picture.
    void placeAdjustPanel() override;
    // The buffers and levels of an opening, from the picture the panel works on.
    void startAdjusting(const QImage& picture) override;
    // The panel holds the received picture (else the TX picture, or it is closed).
    bool adjustingRx() const { return adjustOnRx_ == 1; }
    void setAdjustingRx(bool onRx) override { adjustOnRx_ = onRx ? 1 : 0; }
    QRectF txScreenFilePlace(QSize size, bool& overEmptied) const override;

    // Puts a picture into the overlay work buffer Picture3, which takes the picture's size.
    void putWorkPicture(const QImage& picture) override;

private:
    // The browser's values the settings carry.
    QString quickDirs_[15];      // 1 to 14
    QVariant quickDirPages_[9];  // 1 to 8
    QVariant currentQuickDir_;   // 1 to 8
    QVariant fileTypeFilter_;
    QString ftpDir_;             // the TX-to-FTP folder
    // The first position of the page last loaded.
    int scratchIndex_ = 0;
    int iconIndex_ = 0; // the icon browser's position: the next icon to show
    int iconCount_ = 0; // the icons of the file shown
    QString iconFile_;
    QString dialogFolder_;
    int adjustOnRx_ = 0;           // 1 while the panel holds the received picture
    double brightnessLevel_ = 0.5; // the adjust levels, neutral at each opening
    double contrastLevel_ = 0.5;
    double gammaLevel_ = 5.0;
    bool skipEditCopy_ = false;    // the working buffer's next change is a reset: not shown

    // Accept's write of a received picture into "AutoSave", and the pruning after it.
    void acceptIntoAutoSave(platform::StepRunner& steps);
    // Runs a filter on the shown result and hands it on to the working copy (and to the
    // base when newBase).
    void filterShown(const QString& name, const std::function<void(platform::Picbuf&)>& filter, bool newBase);

    interfaces::Form& form_;
    // The browser's road of loadpic_Click: the file of the dropped thumbnail. Returns the
    // file to load ("" when there is none).
    QString browserDropFile();
    void clearBrowserSlots();
    // The list's first file selected when it shows one and none is (so that " >>>> Next 4"
    // starts from it); `always`: also over a file selected.
    void selectFirstFile(platform::StepRunner& steps, bool always);
    // The drop of a picture dragged inside the window: saved into the browser's folder
    // through the "Save Image" dialog. Recent pictures only where `recentTaken`.
    void dropToSave(bool recentTaken);
    std::unique_ptr<platform::Picbuf> picbufFile_;
    QString browserSlotPath_[5];
    // What the zoom view shows, copied from the slot zoomed.
    QImage zoomPicture_;
    // The TX picture as the FTP folder gets it, by the TX mode.
    QImage ftpPicture() const;
    // The size of the picture last put into the fit scratch (it may hold it reduced).
    QSize fitSourceSize_{45, 37};
};

} // namespace intake
