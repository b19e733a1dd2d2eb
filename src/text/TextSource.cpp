// Where the text element's text comes from: the text box Text1 (or a selection in it)
// and the message pane Text2; and the Text editing mode, which the other tools return to.

#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/ShapeControl.h"

namespace text {

namespace {

// The pane's button after a double-click while the log view fills the text box.
constexpr quint32 kPaneClosedOverLog = 0x8080;
constexpr int kPaneLeft = 744;
constexpr int kPaneTop = 6;
constexpr int kMessageReach = 1500; // characters searched before and collected after the caret
const QString kMarker = QStringLiteral("---");
const QString kOpenCaption = QStringLiteral("Exit  Msg");
const QString kClosedCaption = QStringLiteral("Load Msg");
// The contact log's listing in the text box: a small face, so more of its lines show.
const QString kListingFace = QStringLiteral("arial");
constexpr double kListingFontSize = 8;

using interfaces::isOn;

void setBold(QWidget* w, bool on)
{
    QFont font = w->font();
    font.setBold(on);
    w->setFont(font);
}

// The characters of `text` from 1-based position `start` on, at most `length`; nothing
// before the text's start or past its end.
QString mid(const QString& text, qsizetype start, qsizetype length)
{
    if (start < 1 || start > text.size())
        return {};
    return text.mid(start - 1, length);
}

} // namespace

void TextTools::Option1_Click()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    if (isOn(f.Label34)) {
        f.Option1->setValue(false);
        canvas.chooseDrawMode();
        return;
    }
    platform::PictureBox* tx = f.Picture1;
    tx->setAutoRedraw(true);
    tx->Cls();
    tx->setAutoRedraw(false);
    canvas.toolOff(interfaces::CanvasRoom::Tool::NoiseLineRepair);
    canvas.clearPicInPicOptions();
    canvas.setElementAngle(0);
    textAngle_ = 0;
    // A striped or graduated text is drawn into the picture itself: the picture as it is
    // now is what takes it back.
    const QString type = f.Combo3->text();
    if (type == QLatin1String("Graduated Text") || type == QLatin1String("Striped Text")) {
        styledTextPending_ = 1;
        canvas.keepScreenAsClean();
    }
    if (isOn(f.Label29)) {
        canvas.toolOff(interfaces::CanvasRoom::Tool::FixColour);
        fontRecord_[7] = canvas.setAsideDrawingColour();
    }
    Check16_Click();
    // A stamp borrowed the TX screen's font: the text box's comes back.
    if (textEditState_ == 400) {
        textEditState_ = 0;
        tx->setFontName(f.Text1->font().family());
        tx->setFontSize(platform::Val(textFontSize_));
    }
    canvas.markNothingPending();
    tx->Cls();
    if (f.Check18->value() == 0 && !f.Option6->value() && !f.Option7->value())
        canvas.Command12_Click();
    canvas.keepCommittedAsClean();
    canvas.highlightFrame(f.Shape2);
    canvas.leaveOverlayModes();
    canvas.modeColours(f.Option1);
    chooseTextMode();
}

void TextTools::leaveTextMode() { form_.Option1->setValue(false); }

void TextTools::chooseTextMode() { interfaces::CanvasRoom::select(form_.Option1); }

void TextTools::showTextModeCurrent(bool current)
{
    platform::setBackColor(form_.Option1, current ? interfaces::kModeOn : interfaces::kStateOff);
}

void TextTools::Option1_MouseUp(int, int, double, double)
{
    form_.canvas().toolOff(interfaces::CanvasRoom::Tool::PatternFill);
}

void TextTools::Text1_Change()
{
    form_.canvas().Command12_Click();
    selectedText_.clear();
}

void TextTools::Text1_DblClick()
{
    interfaces::Form& f = form_;
    f.canvas().markNothingPending();
    f.Text1->setText(QString());
    f.Picture1->Cls();
}

void TextTools::Text1_MouseDown(int, int, double, double)
{
    form_.canvas().toolOff(interfaces::CanvasRoom::Tool::PatternFill);
}

void TextTools::Text1_MouseUp(int, int, double, double)
{
    selectedText_ = form_.Text1->selText();
}

// The face and size are put aside when the box is lent, before events run: a change of the
// call-sign box in between turns the log view off and gives them back.
void TextTools::lendTextBox()
{
    const QFont font = form_.Text1->font();
    lentFontName_ = font.family();
    lentFontSize_ = font.pointSizeF();
    form_.Text1->setReadOnly(true);
}

void TextTools::beginListing()
{
    platform::TextBox* box = form_.Text1;
    box->setText(QString());
    QFont font = box->font();
    font.setFamily(kListingFace);
    font.setPointSizeF(kListingFontSize);
    box->setFont(font);
}

void TextTools::setListing(const QString& text)
{
    form_.Text1->setText(text);
    textBoxCaretToEnd();
}

void TextTools::addToListing(const QString& text)
{
    textBoxCaretToEnd();
    form_.Text1->setSelText(text);
    textBoxCaretToEnd();
}

void TextTools::textBoxCaretToEnd()
{
    platform::TextBox* box = form_.Text1;
    box->setSelStart(int(box->text().size()));
}

void TextTools::giveTextBoxBack(const QString& text)
{
    platform::TextBox* box = form_.Text1;
    platform::StepRunner steps(QStringLiteral("text box given back"));
    steps.step(QStringLiteral("Text1 font"), [&] {
        QFont font = box->font();
        if (lentFontSize_ > 0)
            font.setPointSizeF(lentFontSize_);
        font.setFamily(lentFontName_);
        box->setFont(font);
    });
    steps.step(QStringLiteral("Text1 text"), [&] { box->setText(text); });
    box->setReadOnly(false);
}

void TextTools::Command8_Click()
{
    interfaces::Form& f = form_;
    if (!f.Frame9->isHidden()) {
        f.Text1->setFocus();
        return;
    }
    f.Text1->setFocus();
    if (isOn(f.Command20))
        f.intake().Command20_Click();
    f.Text2->move(kPaneLeft, kPaneTop);
    const QString caption = f.Command8->text();
    if (caption == kClosedCaption) {
        f.Text2->show();
        f.Text2->raise();
        setBold(f.Command8, true);
        platform::setBackColor(f.Command8, interfaces::kStateOn);
        f.Command8->setText(kOpenCaption);
    } else if (caption == kOpenCaption) {
        f.Text2->hide();
        setBold(f.Command8, false);
        platform::setBackColor(f.Command8, interfaces::kStateOff);
        f.Command8->setText(kClosedCaption);
    }
}

// The pane closed, and the text to place horizontal again, with the focus in the text box.
void TextTools::closeMessagePane()
{
    interfaces::Form& f = form_;
    f.Text2->hide();
    platform::setBackColor(f.Command8, interfaces::kStateOff);
    setBold(f.Command8, false);
    f.Command8->setText(kClosedCaption);
    horizontalText();
    f.Text1->setFocus();
}

void TextTools::Text2_DblClick()
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("Text2_DblClick"));
    if (f.qso().logViewOn()) {
        steps.step(QStringLiteral("pane closed"), [&] {
            platform::setBackColor(f.Command8, kPaneClosedOverLog);
            setBold(f.Command8, false);
            f.Command8->setText(kClosedCaption);
            f.Text2->hide();
        });
        return;
    }
    const QString pane = f.Text2->text();
    qsizetype pos = f.Text2->selStart();
    // Back from the caret to the marker line before it (its last three hyphens), or to
    // the start of the pane.
    qsizetype i = 1;
    for (; i <= kMessageReach; ++i)
        if (pos - i < 1 || mid(pane, pos - i, 3) == kMarker)
            break;
    if (pos < 1)
        pos = 1;
    const qsizetype start = pos - i;
    // Forward to the next marker line or the end of the pane.
    QString s;
    for (qsizetype j = 1; j <= kMessageReach; ++j) {
        if (j > s.size() + 1 || mid(pane, start + j, 3) == kMarker)
            break;
        s += mid(pane, start + j, 1);
    }
    // The rest of the marker line and its line end.
    if (s.startsWith(QLatin1String("--")))
        s = s.mid(4);
    // The line end before the next marker; a last message that has none keeps every
    // character.
    if (s.endsWith(QLatin1String("\r\n")))
        s.chop(2);
    steps.step(QStringLiteral("Text1"), [&] { f.Text1->setText(s); });
    steps.step(QStringLiteral("print position"), [&] {
        f.Picture1->setCurrentX(f.canvas().elementX());
        f.Picture1->setCurrentY(f.canvas().elementY());
    });
    steps.step(QStringLiteral("pane closed"), [&] { closeMessagePane(); });
}

void TextTools::Text2_MouseUp(int, int, double, double)
{
    interfaces::Form& f = form_;
    // The release that ends a double-click finds the pane already closed.
    if (f.Text2->isHidden())
        return;
    const QString selection = f.Text2->selText();
    if (selection.isEmpty())
        return;
    f.Text1->setText(selection);
    closeMessagePane();
}

} // namespace text
