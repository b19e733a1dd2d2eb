#pragma once
// The one seam for everything modal: message boxes, input boxes and the common
// dialogs (open, save, colour, font, printer). The program uses QtUi; tests use
// ScriptedUi (ScriptedUi.h), which records what was shown and answers from a queue.

#include "platform/runtime/Vb.h"

#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <stdexcept>

class QPrinter;
class QWidget;

namespace platform {

// Message box style, combined by adding as VB does: buttons + icon + default button.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// The answer of a message box.
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

inline int msgBoxButtons(int style) { return style & 0x0F; }
inline int msgBoxIcon(int style) { return style & 0x70; }
inline int msgBoxDefaultButton(int style) { return ((style & 0x300) >> 8) + 1; } // 1..3

// The answer a message box gives when the operator closes it without choosing
// (Escape or the close box): Cancel where there is one, OK for OK only, else the
// default button's answer.
int msgBoxCancelAnswer(int style);

// Common-dialog flags the program uses (the values the dialog control has).
enum CommonDialogFlags : int {
    cdlOFNReadOnly = 0x1,
    cdlOFNOverwritePrompt = 0x2,
    cdlOFNHideReadOnly = 0x4,
    cdlCCRGBInit = 0x1,
    cdlCCFullOpen = 0x2,
    cdlCCAnyColor = 0x100,
    cdlCFScreenFonts = 0x1,
    cdlCFPrinterFonts = 0x2,
    cdlCFEffects = 0x100,
};

// The error number a cancelled common dialog raises when CancelError is set.
inline constexpr int cdlCancel = 32755;

// Thrown by CommonDialog's Show... when the operator cancels and CancelError is set.
class DialogCancelled : public VbError {
public:
    DialogCancelled() : VbError(cdlCancel, QStringLiteral("Cancel was selected.")) {}
};

struct FileDialogRequest {
    QString title;
    QString filter;            // "Name|*.ext|Name2|*.a;*.b"
    int filterIndex = 1;       // 1-based, as the dialog control counts
    QString initDir;           // empty: the current directory
    QString fileName;          // a name offered in initDir (a folder it holds is not used)
    bool overwritePrompt = false;
};

// Where a file dialog starts: the folder it shows and the file it offers there. The
// folder is the request's own (empty: wherever the dialog itself chooses); a file name
// offers only its last part, so a name kept from another use never moves the dialog to
// that name's folder.
struct FileDialogStart {
    QString folder;
    QString file;
};
FileDialogStart fileDialogStart(const FileDialogRequest& request);

// The extension that filter entry `index` (1-based) gives a name typed without one: "ext"
// for an entry whose only pattern is "*.ext"; none for several patterns or a wildcard.
QString filterExtension(const QString& filter, int index);
// A file name as a save dialog hands it back: one whose last part holds no "." takes the
// extension of the filter entry chosen in the dialog.
QString withTypeExtension(const QString& fileName, const QString& filter, int index);

struct FileDialogResult {
    bool accepted = false;
    QString fileName;          // full path, '/' separators; empty when cancelled
    int filterIndex = 1;       // the filter entry in use when the dialog closed
};

struct FontChoice {
    QString name;
    double size = 8.25;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    uint32_t color = 0;        // VB colour &HBBGGRR
};

class Ui {
public:
    virtual ~Ui() = default;

    // A message box. An empty title shows the application's title. Returns vbOK...vbNo.
    virtual int msgBox(const QString& prompt, int style = vbOKOnly, const QString& title = {}) = 0;

    // An input box. Returns the text typed, or nullopt when cancelled. topLeft is the
    // box's top-left corner in screen pixels when given; otherwise it is centred.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                            const QString& defaultText = {},
                                            std::optional<QPoint> topLeft = {}) = 0;

    virtual FileDialogResult openFile(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& request) = 0;

    // Colour dialog. Returns the chosen VB colour, or nullopt when cancelled.
    virtual std::optional<uint32_t> chooseColor(uint32_t initial) = 0;

    // Font dialog. Returns the choice, or nullopt when cancelled.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;

    // Printer dialog over the given printer. Returns false when cancelled.
    virtual bool choosePrinter(QPrinter& printer) = 0;
    // A chooser over `items` (a source to acquire from, ...), `current` chosen at first
    // (-1: none). Returns the index chosen, or nullopt when cancelled or nothing chosen.
    virtual std::optional<int> chooseItem(const QString& title, const QString& prompt, const QStringList& items,
                                          int current) = 0;
    // Opens a document (the help page) with the desktop's own handler for its type.
    // Returns false when no handler took it.
    virtual bool openDocument(const QString& path) = 0;

    // Tells the operator of a trouble with the files (a write that failed, a file not
    // read) in a message box, once: the same text (or the same key, where the text
    // carries details that change) is not shown again in this run.
    void tell(const QString& text, const QString& key = {});

private:
    QSet<QString> told_;
};

// The application's title shown by message boxes that have no title of their own.
QString appTitle();

// A dialog filter in the "Name|*.ext|Name2|*.a;*.b" form as Qt name filters
// ("Name (*.ext)", "Name2 (*.a *.b)"); a name that already ends in "(...)" keeps it and
// gets the patterns appended as Qt expects them last.
QStringList filterToQt(const QString& filter);

// Message-box and prompt texts use CR LF or a lone CR between lines; as displayed text.
QString displayText(const QString& text);

// The one common-dialog control of a window: a use sets only the properties it needs
// and the others keep the values of the last use. A save dialog offers no file name,
// though: FileName holds what an earlier dialog chose, and a save must write only a file
// the operator typed or picked in this one. Show... with CancelError set throws
// DialogCancelled when the operator cancels; without it, a cancelled dialog leaves
// every property as it was (callers that empty FileName first see it still empty).
class CommonDialog {
public:
    explicit CommonDialog(Ui& ui) : ui_(&ui) {}
    void setUi(Ui& ui) { ui_ = &ui; }
    Ui& ui() const { return *ui_; }

    QString DialogTitle;
    QString Filter;
    int FilterIndex = 0;
    QString InitDir;
    QString FileName;
    int Flags = 0;
    bool CancelError = false;

    // The process's working directory is never changed; the folder that stands in for it
    // is kept by the program and given here. A file dialog whose InitDir is empty opens in
    // it, and an accepted one makes the chosen file's folder its new value. Null: dialogs
    // without InitDir open wherever the dialog itself chooses.
    QString* CurrentDir = nullptr;

    uint32_t Color = 0;

    QString FontName;
    double FontSize = 8.25;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool FontStrikethru = false;

    void ShowOpen();
    void ShowSave();
    void ShowColor();
    void ShowFont();
    void ShowPrinter(QPrinter& printer);

private:
    void cancelled();
    FileDialogRequest fileRequest(bool save) const;
    void fileChosen(const FileDialogResult& result);
    Ui* ui_;
};

} // namespace platform
