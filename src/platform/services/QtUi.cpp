#include "platform/services/QtUi.h"

#include "platform/drawing/Colors.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <QPrintDialog>
#include <QPrinter>

#include <vector>

namespace platform {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonSpec> buttonsOf(int style)
{
    switch (msgBoxButtons(style)) {
    case vbOKCancel: return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
    case vbAbortRetryIgnore:
        return {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
    case vbYesNoCancel: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
    case vbYesNo: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
    case vbRetryCancel: return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
    default: return {{QMessageBox::Ok, vbOK}};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (msgBoxIcon(style)) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// A modal dialog gives the focus back to the window that had it (the program's window
// when none had), as a window manager would: without one the window stayed inactive, and
// a control given the focus meanwhile never took it from the one that had it.
class FocusBack {
public:
    explicit FocusBack(QWidget* parent) : window_(QApplication::activeWindow())
    {
        if (!window_)
            window_ = parent ? parent->window() : nullptr;
    }
    ~FocusBack()
    {
        if (window_ && window_->isVisible())
            window_->activateWindow();
    }
    FocusBack(const FocusBack&) = delete;
    FocusBack& operator=(const FocusBack&) = delete;

private:
    QPointer<QWidget> window_;
};

} // namespace

int QtUi::msgBox(const QString& prompt, int style, const QString& title)
{
    const FocusBack focusBack(parent_);
    QMessageBox box(iconOf(style), title.isEmpty() ? appTitle() : title, displayText(prompt),
                    QMessageBox::NoButton, parent_);
    const std::vector<ButtonSpec> specs = buttonsOf(style);
    QMessageBox::StandardButtons all;
    for (const ButtonSpec& s : specs)
        all |= s.button;
    box.setStandardButtons(all);
    const size_t def = size_t(msgBoxDefaultButton(style) - 1);
    box.setDefaultButton(specs[def < specs.size() ? def : 0].button);
    const int escapeAnswer = msgBoxCancelAnswer(style);
    for (const ButtonSpec& s : specs)
        if (s.answer == escapeAnswer)
            box.setEscapeButton(s.button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonSpec& s : specs)
        if (s.button == clicked)
            return s.answer;
    return escapeAnswer;
}

std::optional<QString> QtUi::inputBox(const QString& prompt, const QString& title, const QString& defaultText,
                                      std::optional<QPoint> topLeft)
{
    const FocusBack focusBack(parent_);
    QInputDialog dlg(parent_);
    dlg.setWindowTitle(title.isEmpty() ? appTitle() : title);
    dlg.setLabelText(displayText(prompt));
    dlg.setTextValue(defaultText);
    dlg.setInputMode(QInputDialog::TextInput);
    if (topLeft)
        dlg.move(*topLeft);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.textValue();
}

FileDialogResult QtUi::fileDialog(const FileDialogRequest& r, bool save)
{
    const FocusBack focusBack(parent_);
    QFileDialog dlg(parent_, r.title.isEmpty() ? (save ? QStringLiteral("Save As") : QStringLiteral("Open")) : r.title);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !r.overwritePrompt)
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = filterToQt(r.filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int i = r.filterIndex >= 1 && r.filterIndex <= filters.size() ? r.filterIndex - 1 : 0;
        dlg.selectNameFilter(filters[i]);
    }
    // A name typed without an extension takes the chosen type's, before the dialog asks
    // whether to replace a file of that name.
    if (save) {
        const auto typeChosen = [&dlg, &r, filters](const QString& chosen) {
            dlg.setDefaultSuffix(filterExtension(r.filter, int(filters.indexOf(chosen)) + 1));
        };
        typeChosen(dlg.selectedNameFilter());
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, typeChosen);
    }
    const FileDialogStart start = fileDialogStart(r);
    if (!start.folder.isEmpty())
        dlg.setDirectory(start.folder);
    if (!start.file.isEmpty())
        dlg.selectFile(start.file);
    FileDialogResult result;
    result.filterIndex = r.filterIndex;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.fileName = dlg.selectedFiles().first();
    const qsizetype fi = filters.indexOf(dlg.selectedNameFilter());
    if (fi >= 0)
        result.filterIndex = int(fi) + 1;
    return result;
}

FileDialogResult QtUi::openFile(const FileDialogRequest& request)
{
    return fileDialog(request, false);
}

FileDialogResult QtUi::saveFile(const FileDialogRequest& request)
{
    return fileDialog(request, true);
}

std::optional<uint32_t> QtUi::chooseColor(uint32_t initial)
{
    const FocusBack focusBack(parent_);
    const QColor c = QColorDialog::getColor(toQColor(initial), parent_);
    if (!c.isValid())
        return std::nullopt;
    return fromQColor(c);
}

std::optional<FontChoice> QtUi::chooseFont(const FontChoice& initial)
{
    const FocusBack focusBack(parent_);
    QFont f(initial.name);
    if (initial.size > 0)
        f.setPointSizeF(initial.size);
    f.setBold(initial.bold);
    f.setItalic(initial.italic);
    f.setUnderline(initial.underline);
    f.setStrikeOut(initial.strikeout);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, f, parent_);
    if (!ok)
        return std::nullopt;
    FontChoice c = initial;
    c.name = chosen.family();
    c.size = chosen.pointSizeF();
    c.bold = chosen.bold();
    c.italic = chosen.italic();
    c.underline = chosen.underline();
    c.strikeout = chosen.strikeOut();
    return c;
}

bool QtUi::choosePrinter(QPrinter& printer)
{
    const FocusBack focusBack(parent_);
    QPrintDialog dlg(&printer, parent_);
    return dlg.exec() == QDialog::Accepted;
}

std::optional<int> QtUi::chooseItem(const QString& title, const QString& prompt, const QStringList& items,
                                    int current)
{
    const FocusBack focusBack(parent_);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent_, title.isEmpty() ? appTitle() : title, displayText(prompt),
                                                 items, std::max(current, 0), false, &ok);
    if (!ok || items.isEmpty())
        return std::nullopt;
    return int(items.indexOf(chosen));
}

bool QtUi::openDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace platform
