// The QSL panel and its block, and the date stamp: both draw for good on the TX picture
// (an undo copy first), in "arial" bold black on the panel picture of Picture14, with the
// time and date of one moment of the program's clock.

#include "qso/Qso.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Stamps.h"

#include <QGroupBox>

namespace qso {

namespace {

const QString kStampFont = QStringLiteral("arial");
constexpr quint32 kBlack = 0;

// Whatever way a stamp ends, the text routines' stamp mark and the flags it set are back.
class StampRun {
public:
    StampRun(bool& running, interfaces::TextRoom& text, std::function<void()> atEnd = {})
        : running_(running), text_(text), atEnd_(std::move(atEnd))
    {
        running_ = true;
    }
    ~StampRun()
    {
        text_.clearSharedCounter();
        if (atEnd_)
            atEnd_();
        running_ = false;
    }
    StampRun(const StampRun&) = delete;
    StampRun& operator=(const StampRun&) = delete;

private:
    bool& running_;
    interfaces::TextRoom& text_;
    std::function<void()> atEnd_;
};

// The TX screen's font as a stamp finds it, given back once the stamp is drawn.
struct FontAside {
    QString size;
    QString name;
    QString foreColour;
    explicit FontAside(platform::PictureBox* tx)
        : size(platform::numberText(tx->FontSize())), name(tx->FontName()),
          foreColour(platform::numberText(qint64(tx->ForeColor())))
    {
    }
    void giveBack(platform::StepRunner& steps, platform::PictureBox* tx) const
    {
        steps.step(QStringLiteral("font size"), [&] { tx->setFontSize(platform::Val(size)); });
        steps.step(QStringLiteral("font name"), [&] { tx->setFontName(name); });
        steps.step(QStringLiteral("fore colour"), [&] { tx->setForeColor(quint32(platform::Val(foreColour))); });
    }
};

void printAt(platform::PictureBox* box, double x, double y, const QString& text)
{
    box->setCurrentX(x);
    box->setCurrentY(y);
    box->Print(text);
}

} // namespace

// ---------------------------------------------------------------- the QSL panel

void Qso::Label54_Click()
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("Label54_Click"));
    steps.step(QStringLiteral("Text mode"), [&] { f.text().Option1_Click(); });
    f.text().setTextBackground(0);
    if (logViewOn())
        return;
    steps.step(QStringLiteral("Command12_Click"), [&] { f.canvas().Command12_Click(); });
    steps.step(QStringLiteral("Image13"), [&] { f.canvas().keepTakeBackCopy(); });
    f.Text15->setText(f.Text3->text());
    f.Frame5->show();
    f.Frame5->raise();
    f.Text1->setFocus();
}

void Qso::Text15_Change()
{
    interfaces::Form& f = form_;
    const QString typed = f.Text15->text();
    const QString call = upperKeepingPositions(typed);
    if (call != typed)
        f.Text15->setText(call); // the inner change copies it on
    f.Text15->setSelStart(int(call.size()));
    f.Text3->setText(call);
}

void Qso::Text15_MouseDown(int, int, double, double) { form_.Text15->setText(QString()); }
void Qso::Text10_Click() { form_.Text10->setText(QString()); }
void Qso::Text9_Click() { form_.Text9->setText(QString()); }
void Qso::Command33_Click() { form_.Frame5->hide(); }

void Qso::Command4_Click()
{
    qslAtTop_ = 1;
    Command32_Click();
}

void Qso::Command32_Click()
{
    interfaces::Form& f = form_;
    // A press while a stamp is being drawn (its steps let events run) is not a second one.
    if (stamping_)
        return;
    StampRun run(stamping_, f.text(), [this] { qslAtTop_ = 0; });
    f.Frame5->hide();
    if (logViewOn())
        return;
    platform::doEvents();
    stationRecord_[6] = f.Text1->text();
    qslBlock();
}

// The block builder's steps, each skipped when it fails.
void Qso::qslBlock()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    auto& text = f.text();
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("QSL block"));
    const bool top = qslAtTop_.toInt() == 1;

    steps.step(QStringLiteral("Image13"), [&] { canvas.keepTakeBackCopy(); });
    text.markStampPrinting();
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("panel"),
               [&] { tx->PaintPicture(f.Picture14->Picture(), 68, top ? 32 : 286, 500, 192); });
    tx->setAutoRedraw(false);
    if (interfaces::isOn(f.Label31))
        steps.step(QStringLiteral("horizontal"), [&] { text.Label31_Click(); });

    const FontAside font(tx);
    const int wasBackground = f.Check16->value();
    const int wasOutlined = f.Check15->value();
    text.setTextBackground(0);
    text.setTextOutline(1);
    platform::doEvents();
    f.Text1->setFocus();

    // The report's three blanks set the band text apart; a second block adds none.
    if (!f.Text10->text().endsWith(QLatin1String("   ")))
        f.Text10->setText(f.Text10->text() + QStringLiteral("   "));
    stationRecord_[3] = f.Text9->text();
    stationRecord_[4] = f.Text10->text();
    // The block's own copy of the call: the station's call sign stays as set up.
    const QString own = qslCall(stationRecord_[2]);
    const StampTime when =
        stampTime(platform::currentClock().localTime(), stationRecord_[5], utcOffset_.toDouble());

    const bool wasBold = tx->FontBold();
    const bool wasUnderlined = tx->FontUnderline();
    const bool wasItalic = tx->FontItalic();
    tx->setFontUnderline(false);
    canvas.setElementX(200);
    canvas.setElementY(top ? 36 : 290);
    text.setTextToDraw(own);
    tx->setAutoRedraw(true);
    tx->setFontName(kStampFont);
    tx->setFontBold(true);
    tx->setFontSize(48);
    tx->setForeColor(kBlack);
    tx->setFontItalic(false);
    steps.step(QStringLiteral("own call"), [&] { printAt(tx, canvas.elementX(), canvas.elementY(), own); });
    tx->setAutoRedraw(false);

    tx->setFontSize(24);
    canvas.setElementX(100);
    canvas.setElementY(top ? 98 : 352);
    const QslLines block = qslLines(f.Text15->text(), stationRecord_[4], stationRecord_[3], when, stationRecord_[5]);
    const QString lines[] = {block.confirms, block.report, block.when};
    tx->setFontUnderline(wasUnderlined);
    canvas.setElementY(canvas.elementY() + 2);
    tx->setAutoRedraw(true);
    const double step = tx->FontSize();
    for (int line = 1; line <= 3; ++line)
        steps.step(QStringLiteral("line %1").arg(line), [&] {
            printAt(tx, canvas.elementX(), canvas.elementY() + (line - 1) * 1.6 * step, lines[line - 1]);
        });
    platform::doEvents();

    font.giveBack(steps, tx);
    tx->setFontItalic(wasItalic);
    text.setTextBackground(wasBackground);
    text.setTextOutline(wasOutlined);
    tx->setFontBold(wasBold);
    tx->setAutoRedraw(false);

    steps.step(QStringLiteral("commit"), [&] { canvas.commitTxScreen(); });
    steps.step(QStringLiteral("Image6"), [&] { canvas.keepCommittedAsClean(); });
}

// ---------------------------------------------------------------- the date stamp

void Qso::Label53_MouseDown(int, int, double, double)
{
    platform::setBackColor(form_.Label53, interfaces::kStateOn);
}

void Qso::Label53_Click()
{
    if (stamping_)
        return;
    interfaces::Form& f = form_;
    StampRun run(stamping_, f.text(), [&f] { platform::setBackColor(f.Label53, interfaces::kStateOff); });
    dateStamp();
}

void Qso::dateStamp()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    auto& text = f.text();
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("date stamp"));

    steps.step(QStringLiteral("Text mode"), [&] { text.Option1_Click(); });
    text.setTextBackground(0);
    steps.step(QStringLiteral("Command12_Click"), [&] { canvas.Command12_Click(); });
    steps.step(QStringLiteral("Image13"), [&] { canvas.keepTakeBackCopy(); });
    const FontAside font(tx);

    tx->setAutoRedraw(true);
    tx->setFontBold(true);
    tx->setFontName(kStampFont);
    tx->setFontSize(24);
    tx->setForeColor(kBlack);
    text.markStampPrinting();
    steps.step(QStringLiteral("band"), [&] { tx->PaintPicture(f.Picture14->Picture(), 50, 480, 540, 32); });
    // The stamp's own copy of the call: the station's call sign stays as set up.
    const QString own = dateStampCall(stationRecord_[2]);
    const StampTime when =
        stampTime(platform::currentClock().localTime(), stationRecord_[5], utcOffset_.toDouble());
    canvas.setElementX(66);
    canvas.setElementY(478);
    text.setTextToDraw(own);
    steps.step(QStringLiteral("call"), [&] { printAt(tx, canvas.elementX(), canvas.elementY(), own); });
    canvas.setElementX(220);
    const QString stamp = when.time + QLatin1Char(' ') + stationRecord_[5] + QStringLiteral("  ") + when.date;
    text.setTextToDraw(stamp);
    steps.step(QStringLiteral("time"), [&] { printAt(tx, canvas.elementX(), canvas.elementY(), stamp); });
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { canvas.commitTxScreen(); });

    // Bold stays on, as the stamp leaves it.
    font.giveBack(steps, tx);
    steps.step(QStringLiteral("Image6"), [&] { canvas.keepCommittedAsClean(); });
}

} // namespace qso
