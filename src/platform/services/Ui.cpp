#include "platform/services/Ui.h"

#include <QFileInfo>
#include <QRegularExpression>


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

FileDialogStart fileDialogStart(const FileDialogRequest& request)
{
    QString name = request.fileName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return {request.initDir, name.section(QLatin1Char('/'), -1)};
}

QString filterExtension(const QString& filter, int index)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    const qsizetype at = 2 * qsizetype(index - 1) + 1;
    if (index < 1 || at >= parts.size())
        return {};
    const QString pattern = parts[at].trimmed();
    static const QRegularExpression single(QStringLiteral("^\\*\\.([A-Za-z0-9_]+)$"));
    const QRegularExpressionMatch m = single.match(pattern);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString withTypeExtension(const QString& fileName, const QString& filter, int index)
{
    const QString extension = filterExtension(filter, index);
    if (fileName.isEmpty() || extension.isEmpty() || fileName.section(QLatin1Char('/'), -1).contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1Char('.') + extension;
}

FileDialogRequest CommonDialog::fileRequest(bool save) const
{
    const QString dir = InitDir.isEmpty() && CurrentDir ? *CurrentDir : InitDir;
    const bool overwritePrompt = save && (Flags & cdlOFNOverwritePrompt) != 0;
    return FileDialogRequest{DialogTitle, Filter, FilterIndex, dir, save ? QString() : FileName, overwritePrompt};
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
    const FileDialogResult res = ui_->saveFile(fileRequest(true));
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

void Ui::tell(const QString& text, const QString& key)
{
    if (text.isEmpty())
        return;
    const QString which = key.isEmpty() ? text : key;
    if (told_.contains(which))
        return;
    told_.insert(which);
    msgBox(text, vbExclamation);
}

} // namespace platform
