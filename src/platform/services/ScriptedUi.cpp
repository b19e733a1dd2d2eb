#include "platform/services/ScriptedUi.h"

#include <QPrinter>

#include <QDebug>

namespace platform {

QString kindName(UiCall::Kind kind)
{
    switch (kind) {
    case UiCall::MsgBox: return QStringLiteral("MsgBox");
    case UiCall::InputBox: return QStringLiteral("InputBox");
    case UiCall::OpenFile: return QStringLiteral("OpenFile");
    case UiCall::SaveFile: return QStringLiteral("SaveFile");
    case UiCall::Color: return QStringLiteral("Color");
    case UiCall::Font: return QStringLiteral("Font");
    case UiCall::Printer: return QStringLiteral("Printer");
    case UiCall::Document: return QStringLiteral("Document");
    case UiCall::Choice: return QStringLiteral("Choice");
    }
    return {};
}

namespace {
QString describe(const UiCall& c)
{
    QString d = kindName(c.kind);
    const QString title = c.kind == UiCall::OpenFile || c.kind == UiCall::SaveFile ? c.file.title : c.title;
    if (!title.isEmpty())
        d += QStringLiteral(" \"%1\"").arg(title);
    if (!c.text.isEmpty())
        d += QStringLiteral(": ") + displayText(c.text).replace(QLatin1Char('\n'), QLatin1String(" / "));
    return d;
}
} // namespace

void ScriptedUi::answerMsgBox(int answer) { msgBoxes_.push_back(answer); }
void ScriptedUi::answerInput(const QString& text) { inputs_.push_back(text); }
void ScriptedUi::cancelInput() { inputs_.push_back(std::nullopt); }
void ScriptedUi::answerOpen(const QString& f, int i) { opens_.push_back({true, f, i}); }
void ScriptedUi::cancelOpen() { opens_.push_back({false, {}, 0}); }
void ScriptedUi::answerSave(const QString& f, int i) { saves_.push_back({true, f, i}); }
void ScriptedUi::cancelSave() { saves_.push_back({false, {}, 0}); }
void ScriptedUi::answerColor(uint32_t c) { colors_.push_back(c); }
void ScriptedUi::cancelColor() { colors_.push_back(std::nullopt); }
void ScriptedUi::answerFont(const FontChoice& f) { fonts_.push_back(f); }
void ScriptedUi::cancelFont() { fonts_.push_back(std::nullopt); }
void ScriptedUi::answerPrinter(bool accept, const QString& outputFile)
{
    printers_.push_back({accept, outputFile});
}
void ScriptedUi::answerChoice(int index) { choices_.push_back(index); }
void ScriptedUi::cancelChoice() { choices_.push_back(std::nullopt); }

QList<UiCall> ScriptedUi::calls(UiCall::Kind kind) const
{
    QList<UiCall> out;
    for (const UiCall& c : calls_)
        if (c.kind == kind)
            out.append(c);
    return out;
}

QStringList ScriptedUi::messages() const
{
    QStringList out;
    for (const UiCall& c : calls_)
        if (c.kind == UiCall::MsgBox)
            out.append(c.text);
    return out;
}

QStringList ScriptedUi::unexpectedCalls() const
{
    QStringList out;
    for (const UiCall& c : calls_)
        if (c.unexpected)
            out.append(describe(c));
    return out;
}

int ScriptedUi::pendingAnswers() const
{
    return int(msgBoxes_.size() + inputs_.size() + opens_.size() + saves_.size() + colors_.size() + fonts_.size()
               + printers_.size() + choices_.size());
}

void ScriptedUi::reset()
{
    calls_.clear();
    msgBoxes_.clear();
    inputs_.clear();
    opens_.clear();
    saves_.clear();
    colors_.clear();
    fonts_.clear();
    printers_.clear();
    choices_.clear();
}

UiCall& ScriptedUi::record(UiCall call)
{
    calls_.append(std::move(call));
    if (onShow)
        onShow(calls_.last());
    return calls_.last();
}

void ScriptedUi::flagUnexpected(UiCall& call)
{
    call.unexpected = true;
    qWarning().noquote() << "ScriptedUi: no answer queued for" << describe(call) << "- answered as cancelled";
}

int ScriptedUi::msgBox(const QString& prompt, int style, const QString& title)
{
    UiCall c;
    c.kind = UiCall::MsgBox;
    c.text = prompt;
    c.style = style;
    c.title = title;
    const qsizetype index = calls_.size();
    record(std::move(c));
    int answer;
    if (!msgBoxes_.empty()) {
        answer = msgBoxes_.front();
        msgBoxes_.pop_front();
    } else if (autoOk_ && msgBoxButtons(style) == vbOKOnly) {
        answer = vbOK;
    } else {
        flagUnexpected(calls_[index]);
        answer = msgBoxCancelAnswer(style);
    }
    calls_[index].answer = QString::number(answer);
    return answer;
}

std::optional<QString> ScriptedUi::inputBox(const QString& prompt, const QString& title, const QString& defaultText,
                                            std::optional<QPoint> topLeft)
{
    UiCall c;
    c.kind = UiCall::InputBox;
    c.text = prompt;
    c.title = title;
    c.defaultText = defaultText;
    c.topLeft = topLeft;
    const qsizetype index = calls_.size();
    record(std::move(c));
    if (inputs_.empty()) {
        flagUnexpected(calls_[index]);
        return std::nullopt;
    }
    std::optional<QString> a = inputs_.front();
    inputs_.pop_front();
    calls_[index].answer = a.value_or(QString());
    return a;
}

FileDialogResult ScriptedUi::fileAnswer(std::deque<FileAnswer>& queue, UiCall::Kind kind, const FileDialogRequest& r)
{
    UiCall c;
    c.kind = kind;
    c.title = r.title;
    c.file = r;
    c.start = fileDialogStart(r);
    const qsizetype index = calls_.size();
    record(std::move(c));
    FileDialogResult result;
    result.filterIndex = r.filterIndex;
    if (queue.empty()) {
        flagUnexpected(calls_[index]);
        return result;
    }
    const FileAnswer a = queue.front();
    queue.pop_front();
    result.accepted = a.accept;
    if (a.accept) {
        if (a.filterIndex > 0)
            result.filterIndex = a.filterIndex;
        result.fileName = kind == UiCall::SaveFile ? withTypeExtension(a.fileName, r.filter, result.filterIndex)
                                                   : a.fileName;
    }
    calls_[index].answer = result.fileName;
    return result;
}

FileDialogResult ScriptedUi::openFile(const FileDialogRequest& request)
{
    return fileAnswer(opens_, UiCall::OpenFile, request);
}

FileDialogResult ScriptedUi::saveFile(const FileDialogRequest& request)
{
    return fileAnswer(saves_, UiCall::SaveFile, request);
}

std::optional<uint32_t> ScriptedUi::chooseColor(uint32_t initial)
{
    UiCall c;
    c.kind = UiCall::Color;
    c.color = initial;
    const qsizetype index = calls_.size();
    record(std::move(c));
    if (colors_.empty()) {
        flagUnexpected(calls_[index]);
        return std::nullopt;
    }
    const std::optional<uint32_t> a = colors_.front();
    colors_.pop_front();
    if (a)
        calls_[index].answer = QString::number(*a);
    return a;
}

std::optional<FontChoice> ScriptedUi::chooseFont(const FontChoice& initial)
{
    UiCall c;
    c.kind = UiCall::Font;
    c.font = initial;
    const qsizetype index = calls_.size();
    record(std::move(c));
    if (fonts_.empty()) {
        flagUnexpected(calls_[index]);
        return std::nullopt;
    }
    const std::optional<FontChoice> a = fonts_.front();
    fonts_.pop_front();
    if (a)
        calls_[index].answer = a->name;
    return a;
}

bool ScriptedUi::choosePrinter(QPrinter& printer)
{
    UiCall c;
    c.kind = UiCall::Printer;
    const qsizetype index = calls_.size();
    record(std::move(c));
    if (printers_.empty()) {
        flagUnexpected(calls_[index]);
        return false;
    }
    const PrinterAnswer a = printers_.front();
    printers_.pop_front();
    calls_[index].answer = a.accept ? QStringLiteral("accepted") : QStringLiteral("cancelled");
    if (a.accept && !a.outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(a.outputFile);
    }
    return a.accept;
}

std::optional<int> ScriptedUi::chooseItem(const QString& title, const QString& prompt, const QStringList& items,
                                          int current)
{
    UiCall c;
    c.kind = UiCall::Choice;
    c.title = title;
    c.text = prompt;
    c.items = items;
    c.current = current;
    const qsizetype index = calls_.size();
    record(std::move(c));
    if (choices_.empty()) {
        flagUnexpected(calls_[index]);
        return std::nullopt;
    }
    std::optional<int> a = choices_.front();
    choices_.pop_front();
    if (a && (*a < 0 || *a >= items.size()))
        a.reset();
    if (a)
        calls_[index].answer = items.at(*a);
    return a;
}

bool ScriptedUi::openDocument(const QString& path)
{
    UiCall c;
    c.kind = UiCall::Document;
    c.text = path;
    c.answer = documentsOpen ? QStringLiteral("opened") : QStringLiteral("not opened");
    record(std::move(c));
    return documentsOpen;
}

} // namespace platform
