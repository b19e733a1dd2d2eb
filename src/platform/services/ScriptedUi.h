#pragma once
// A Ui for tests: records every dialog shown, with its arguments, and answers from a
// queue per kind of dialog. A dialog with no queued answer is recorded, marked
// unexpected, logged, and answered as if the operator cancelled it (a message box gets
// msgBoxCancelAnswer); a fixture checks unexpectedCalls() after each test.

#include "platform/services/Ui.h"

#include <QList>

#include <deque>
#include <functional>

namespace platform {

struct UiCall {
    enum Kind { MsgBox, InputBox, OpenFile, SaveFile, Color, Font, Printer, Document, Choice };
    Kind kind = MsgBox;
    QString title;                 // as passed (empty: the application's title)
    QString text;                  // message box or input box prompt
    int style = 0;                 // message box style (buttons + icon + default)
    QString defaultText;           // input box
    std::optional<QPoint> topLeft; // input box
    FileDialogRequest file;        // open/save dialogs
    FileDialogStart start;         // the folder an open/save dialog showed, the file it offered
    uint32_t color = 0;            // colour dialog's initial colour
    FontChoice font;               // font dialog's initial choice
    QStringList items;             // chooser's items
    int current = -1;              // chooser's first choice
    bool unexpected = false;       // no answer was queued
    QString answer;                // what was answered, for messages
};

QString kindName(UiCall::Kind kind);

class ScriptedUi : public Ui {
public:
    // Answers, consumed in order per kind.
    void answerMsgBox(int answer);
    void answerInput(const QString& text);
    void cancelInput();
    void answerOpen(const QString& fileName, int filterIndex = 0); // 0: the request's index
    void cancelOpen();
    // A save answered with a name that has no extension gets the chosen type's, as the
    // dialog gives it.
    void answerSave(const QString& fileName, int filterIndex = 0);
    void cancelSave();
    void answerColor(uint32_t color);
    void cancelColor();
    void answerFont(const FontChoice& font);
    void cancelFont();
    // An accepted printer dialog with an output file prints into that file as PDF.
    void answerPrinter(bool accept, const QString& outputFile = {});
    void answerChoice(int index);
    void cancelChoice();

    // When set, an OK-only message box with no queued answer is answered OK and is not
    // unexpected (it is still recorded).
    void setAutoAcceptOkOnly(bool on) { autoOk_ = on; }

    // Runs inside each dialog, after it is recorded and before it is answered (the
    // place where a real dialog would let events run).
    std::function<void(const UiCall&)> onShow;

    const QList<UiCall>& calls() const { return calls_; }
    QList<UiCall> calls(UiCall::Kind kind) const;
    const UiCall* last() const { return calls_.isEmpty() ? nullptr : &calls_.last(); }
    // Message box prompts, in order.
    QStringList messages() const;
    // One line per unexpected call ("MsgBox \"title\": text").
    QStringList unexpectedCalls() const;
    bool hasUnexpected() const { return !unexpectedCalls().isEmpty(); }
    // Answers queued and not used.
    int pendingAnswers() const;
    void clearCalls() { calls_.clear(); }
    void reset();

    int msgBox(const QString& prompt, int style = vbOKOnly, const QString& title = {}) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                    const QString& defaultText = {},
                                    std::optional<QPoint> topLeft = {}) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
    std::optional<uint32_t> chooseColor(uint32_t initial) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    bool choosePrinter(QPrinter& printer) override;
    // Records the document (its path in text); answers documentsOpen.
    bool openDocument(const QString& path) override;
    std::optional<int> chooseItem(const QString& title, const QString& prompt, const QStringList& items,
                                  int current) override;
    // Whether a desktop handler takes the documents opened (true unless a test says not).
    bool documentsOpen = true;

private:
    struct FileAnswer { bool accept; QString fileName; int filterIndex; };
    UiCall& record(UiCall call);
    void flagUnexpected(UiCall& call);
    FileDialogResult fileAnswer(std::deque<FileAnswer>& queue, UiCall::Kind kind, const FileDialogRequest& r);

    QList<UiCall> calls_;
    std::deque<int> msgBoxes_;
    std::deque<std::optional<QString>> inputs_;
    std::deque<FileAnswer> opens_;
    std::deque<FileAnswer> saves_;
    std::deque<std::optional<uint32_t>> colors_;
    std::deque<std::optional<FontChoice>> fonts_;
    struct PrinterAnswer { bool accept; QString outputFile; };
    std::deque<PrinterAnswer> printers_;
    std::deque<std::optional<int>> choices_;
    bool autoOk_ = false;
};

} // namespace platform
