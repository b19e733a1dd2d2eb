#include "platform/services/Ui.h"

#include <QFileInfo>


namespace platform {

int msgBoxCancelAnswer(int style)
{
    switch (msgBoxButtons(style)) {
    case vbOKOnly: return vbOK;
    case vbOKCancel:
    case vbYesNoCancel:
    case vbRetryCancel: return vbCancel;
    case vbAbortRetryIgnore: {
        static const int answers[] = {vbAbort, vbRetry, vbIgnore};
        return answers[qBound(1, msgBoxDefaultButton(style), 3) - 1];
    }
    case vbYesNo: return msgBoxDefaultButton(style) == 2 ? vbNo : vbYes;
    default: return vbOK;
    }
}

QString appTitle()
{
    return QStringLiteral("Tovaro");
}

QStringList filterToQt(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.simplified());
    }
    return out;
}

QString displayText(const QString& text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

void CommonDialog::cancelled()
{
    if (CancelError)
        throw DialogCancelled();
}

FileDialogRequest CommonDialog::fileRequest(bool overwritePrompt) const
{
    const QString dir = InitDir.isEmpty() && CurrentDir ? *CurrentDir : InitDir;
    return FileDialogRequest{DialogTitle, Filter, FilterIndex, dir, FileName, overwritePrompt};
}

void CommonDialog::fileChosen(const FileDialogResult& result)
{
    FileName = result.fileName;
    FilterIndex = result.filterIndex;
    if (CurrentDir)
        *CurrentDir = QFileInfo(result.fileName).absolutePath();
}

void CommonDialog::ShowOpen()
{
    const FileDialogResult res = ui_->openFile(fileRequest(false));
    if (!res.accepted)
        return cancelled();
    fileChosen(res);
}

void CommonDialog::ShowSave()
{
    const FileDialogResult res = ui_->saveFile(fileRequest((Flags & cdlOFNOverwritePrompt) != 0));
    if (!res.accepted)
        return cancelled();
    fileChosen(res);
}

void CommonDialog::ShowColor()
{
    const std::optional<uint32_t> c = ui_->chooseColor(Color);
    if (!c)
        return cancelled();
    Color = *c;
}

void CommonDialog::ShowFont()
{
    FontChoice f{FontName, FontSize, FontBold, FontItalic, FontUnderline, FontStrikethru, Color};
    const std::optional<FontChoice> r = ui_->chooseFont(f);
    if (!r)
        return cancelled();
    FontName = r->name;
    FontSize = r->size;
    FontBold = r->bold;
    FontItalic = r->italic;
    FontUnderline = r->underline;
    FontStrikethru = r->strikeout;
    Color = r->color;
}

void CommonDialog::ShowPrinter(QPrinter& printer)
{
    if (!ui_->choosePrinter(printer))
        return cancelled();
}

} // namespace platform
