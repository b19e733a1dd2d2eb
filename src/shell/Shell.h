#pragma once
// The application shell's controller: the shell items of the menu bar (Setup, Help,
// About, Exit), the main window's keyboard shortcuts, the tab change of SSTab1, the
// start-up and shut-down, the settings file and the pictures kept across runs.

#include "interfaces/ShellRoom.h"
#include "platform/runtime/InstanceLock.h"
#include "platform/runtime/TextFile.h"

#include <QObject>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

class QImage;
class QKeyEvent;
class QWidget;
class QWindow;

namespace platform {
class Picbuf;
class StepRunner;
} // namespace platform

namespace shell {

class FormMain;

class Shell : public QObject, public interfaces::ShellRoom {
    Q_OBJECT
public:
    explicit Shell(FormMain& form);
    FormMain& form() const { return form_; }

    // Menu items of the shell.
    void copypaste_Click(); // "Setup"
    void helpp_Click();     // "Help" > "Help"
    void about_Click();     // "Help" > "About"
    void exits_Click();     // "Exit"

    // Keyboard shortcuts of the main window. keyAscii is the character code of the key
    // (Ctrl+letter gives 1 to 26); it is read and left as it is, never consumed.
    void Form_KeyPress(int& keyAscii);
    // keyCode is the VB key code (F5 = 116); shift (1 Shift, 2 Ctrl, 4 Alt) is ignored.
    void Form_KeyDown(int keyCode, int shift);

    // Runs whenever the selected tab of SSTab1 changes. previousTab is not used.
    void SSTab1_Click(int previousTab);

    // The main window's load handler: builds the whole initial state in its fixed
    // order. Ended: a second instance, or no engine; the program must end at once,
    // without the unload steps, so nothing is saved.
    enum class LoadResult { Running, Ended };
    LoadResult Form_Load();
    // The main window's unload, after the engine's query-unload.
    void Form_Unload();

    // The window layout's start-up step: the TX screen and its work canvases at their
    // working sizes and scales, a header mode left open closed, the copies of the TX
    // picture renewed, an open browser's page shown again.
    void checkscreensize();
    // The browser panel is moved by its own area with the left button held, its top-left
    // corner following the pointer; where it is let go is where "Load Pic" opens it.
    void Frame2_MouseMove(int button, int shift, double x, double y);
    void Frame2_MouseUp(int button, int shift, double x, double y);

    // Module routines.
    static void SetupPicbuf(platform::Picbuf& picbuf, bool scrollBars, const QString& pictureName = {});
    static void SetTopMost(QWidget& window);

    // The help page "sstv.html" is installed beside the executable; "Help" opens it from
    // this folder.
    QString helpFolder() const { return helpFolder_; }
    void setHelpFolder(const QString& folder) { helpFolder_ = folder; }
    static const QString HelpFile;
    static const QString HelpMissing;
    static const QString HelpNotOpened;

    // Start-up state of the main window.
    // The start-up's scratch text: the settings leave the unused shadow direction copy in
    // it, the start-up replaces it with the engine's version for the option dialog's title.
    void setScratchText(const QString& text) { scratchText_ = text; }
    QPoint browserPanelPlace() const override;
    // The browser panel opens here next: its home at start-up, then where it was let go.
    void setBrowserPanelPlace(QPoint place);
    bool announcesBeforeTransmit() override;
    bool autoSaveFolderEdited() override;
    void keepOnTop(QWidget& window) override { SetTopMost(window); }
    void showTab(Tab tab) override;
    // Settings fields 5 and 6: carried, never applied
    QVariant spareValueA() const { return spareValueA_; }
    void setSpareValueA(const QVariant& value) { spareValueA_ = value; }
    QVariant spareValueB() const { return spareValueB_; }
    void setSpareValueB(const QVariant& value) { spareValueB_ = value; }
    // Settings field 16, applied to VScroll1 late in the start-up
    QVariant shadowDepthScroll() const { return shadowDepthScroll_; }
    void setShadowDepthScroll(const QVariant& value) { shadowDepthScroll_ = value; }
    // Settings field 37: the window's left edge in twips at exit
    QVariant windowLeftAtExit() const { return windowLeftAtExit_; }
    void setWindowLeftAtExit(const QVariant& value) { windowLeftAtExit_ = value; }
    // Settings fields 27, 28, 29, 30, 32, 33, 48 and 49 as read, by what each restores;
    // the text colours are renewed from their indicators at shut-down.
    enum SavedControl : int {
        TextForeColour = 1, // field 27: Label25, the TX screen's fore colour
        TextBackColour,     // field 28: Label45, the TX screen's back colour
        AutoSave,           // field 29: "A-Save"
        TxFollowsRx,        // field 30: "TX=RX"
        Notch,              // field 32: "Notch"
        FftSpectrum,        // field 33: "Sp FFT"
        AutoRx,             // field 48: "AutoRX"
        HeaderShown,        // field 49: "HdrON"
    };
    QVariant savedControlValue(SavedControl which) const { return savedControlValues_[which]; }
    void setSavedControlValue(SavedControl which, const QVariant& value) { savedControlValues_[which] = value; }
    // Settings field 34 as read ("Border")
    QVariant borderSetting() const { return borderSetting_; }
    void setBorderSetting(const QVariant& value) { borderSetting_ = value; }
    // Settings field 36 as read (the setup dialog's "Audio Anounce Mode")
    QVariant audioAnnounce() const { return audioAnnounce_; }
    void setAudioAnnounce(const QVariant& value) { audioAnnounce_ = value; }
    // The settings of the text effects' controls as read; the start-up applies them
    // (values out of range leave the controls as designed).
    struct KeptSettings {
        QVariant paletteIndex;     // field 13, the outline colour bar
        QVariant colourPresetSlot; // field 18, the shadow colour preset bar
        QString textStyle;         // field 24, the text type list
    };
    KeptSettings keptSettings() const { return kept_; }
    void setKeptSettings(const KeptSettings& kept) { kept_ = kept; }

    // The settings file "restoreTovaroM": read into the variables at start-up (nothing
    // is applied), written from them at shut-down. Every line read or written is a
    // step: a bad line costs only its own field.
    void readSettings(platform::StepRunner& steps);
    void writeSettings(platform::StepRunner& steps);
    // The restore of the controls and variables from what was read, in its order, with
    // its range checks and defaults; the folders are made inside it.
    void restoreControls(platform::StepRunner& steps);
    // Later in the start-up: the outline's and the shadow's colour bars and the text
    // type as read, then the text type drawn (values out of range leave the controls).
    void restoreTextEffects(platform::StepRunner& steps);

    // The pictures kept across runs: the picture store (favourites, header boxes,
    // recent row, the splash as painted over the TX screen) and "LastTXImage.bmp".
    void loadPictureStore(platform::StepRunner& steps);
    void loadLastTxImage(platform::StepRunner& steps);
    void saveTxScreenAtExit(platform::StepRunner& steps);
    void savePictureStore(platform::StepRunner& steps);
    // "\Favorites\Favorite<n>.bmp" under the application folder.
    static QString favoriteFile(int element);
    // The display's twips per pixel for the large-fonts check (a test may stand in a display).
    std::function<int()> displayTwipsPerPixel;

    // The start-up's titled texts.
    static const QString DuplicateTitle;
    static const QString DuplicateText;
    static const QString LargeFontsTitle;
    static const QString LargeFontsText;
    static const QString OptionTitle;

    // VB's character code of a Qt key event (0 when the key has none).
    static int keyAscii(const QKeyEvent& event);

signals:
    // A shortcut ran the routine of that name (for example "Command3_Click").
    void shortcutRan(const QString& routine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The largest stored files read at start-up: far beyond what the program writes itself
    // (a message pane of a few pages, a log of a lifetime of contacts, 143 lines of
    // settings, a picture of a large photo), so a file past them is no file of the
    // program's; it is left on disk as it is and the program starts without it.
    static constexpr qint64 kLargestMessages = 4 * 1024 * 1024;
    static constexpr qint64 kLargestLog = 64 * 1024 * 1024;
    static constexpr qint64 kLargestSettings = 1024 * 1024;
    static constexpr qint64 kLargestPicture = 256 * 1024 * 1024;

private:
    QString helpFolder_;
    QString scratchText_;
    QVariant spareValueB_;
    QVariant spareValueA_;
    QVariant shadowDepthScroll_;
    QVariant windowLeftAtExit_;
    QVariant borderSetting_;
    QVariant audioAnnounce_;
    QString messagesText_;      // the message pane's text as read from "messages"
    quint32 savedWaveVolume_ = 0xFFFFFFFF; // the output gain found at start-up
    QVariant savedControlValues_[HeaderShown + 1];
    KeptSettings kept_;
    // Where the browser panel opens, in the window's pixels.
    double browserPanelLeft_ = 0;
    double browserPanelTop_ = 0;
    // The stored files' troubles: what was met is told to the operator in one message box
    // at the end of the start-up and before the window hides at the shut-down.
    void addTrouble(const QString& text);
    // A file that could not be written: `why` is the reason (or the writer's own words).
    void writeFailed(const QString& path, const QString& why);
    // A file of the folder that was not read (`why`), and is left as it is.
    void notRead(const QString& path, const QString& why);
    void tellTroubles();
    // A stored file's bytes; nothing when it is missing, far larger than `largest` or
    // unreadable (then it is told and kept as found: never replaced in this run).
    std::optional<QByteArray> readStored(const QString& path, qint64 largest);
    // False for a file kept as found, and for every file while the folder is read-only. What
    // the Exit would have written into a file kept as found is lost: it is named among the
    // files not written (the read-only folder has been told already).
    bool mayReplace(const QString& path);
    void checkAppFolder();
    void removeLeftOverTemporaries();
    // The program's files of fixed names: the settings file, the TX screen kept across
    // runs, and the picture store's elements kept in files (31 to 34 have no role).
    static const QString kSettingsFile;
    static const QString kLastTxImage;
    static bool stored(int element);
    QImage loadStoredPicture(const QString& path);
    void backUpLog(platform::StepRunner& steps);
    void readMessages();
    void writeMessages(platform::StepRunner& steps);
    // What the engine could not read or write (its WAV input and settings at its start, its
    // settings at its deletion) joins the start-up's and the shut-down's troubles.
    void tellEngineFileFaults();
    QStringList troubles_;
    QMap<QString, QStringList> writeFailures_; // the files, by the reason they failed
    QSet<QString> keptAsFound_;
    bool appFolderReadOnly_ = false;
    platform::TextBytes messagesBytes_;
    platform::TextBytes settingsBytes_;
    std::optional<QString> messagesShown_; // the pane's text as read, while there was a file

    // The start-up's phases, in their order (restoreTextEffects above is one of them).
    bool lockAndShowSplash(platform::StepRunner& steps);
    void prepareAppFolder(platform::StepRunner& steps);
    void clearTextTools(platform::StepRunner& steps);
    void showFirstPages(platform::StepRunner& steps);
    void resetTextBox(platform::StepRunner& steps);
    void resetDrawingTools(platform::StepRunner& steps);
    void restoreStyleBoxes(platform::StepRunner& steps);
    void showWindow(platform::StepRunner& steps);
    void restoreFontPreset(platform::StepRunner& steps);
    void placeLoadedWindows(platform::StepRunner& steps);

    void watchWindow();
    bool browserPanelEvent(QEvent* event);
    // The restore's phases, in their order.
    void restoreColoursAndBoxes(platform::StepRunner& steps);
    void restoreRanges(platform::StepRunner& steps);
    void restoreShadowAndStation(platform::StepRunner& steps);
    void restoreFonts(platform::StepRunner& steps);
    void createFolders(platform::StepRunner& steps);
    // The gathering at exit: the values the settings file takes from the controls.
    void gatherFontRecord();
    platform::InstanceLock lock_;
    FormMain& form_;
    QPointer<QWindow> watched_;
};

} // namespace shell
