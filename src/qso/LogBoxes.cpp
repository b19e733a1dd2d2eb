// The call-sign box and the entry box over the contact log: the look-up at every change of
// the call, saving and deleting the call's record, and the log view that lists the lines
// holding every term typed into the call-sign box.

#include "qso/Qso.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/TextFile.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"

namespace qso {

namespace {

// The entry box's marker that blocks both buttons.
const QString kNoMore = QStringLiteral(" *** no more ***");
const QString kConfirmTitle = QStringLiteral("ARE YOU SURE!!");
// The listing stops here: more does not fit the box.
constexpr qsizetype kListingLimit = 30000;
constexpr int kEnter = 13;
constexpr int kEscape = 27;

QString quoted(const QString& call, const QString& entry)
{
    return QLatin1Char('"') + call + QStringLiteral("   ") + entry + QLatin1Char('"');
}

void caretToEnd(platform::TextBox* box)
{
    box->setSelStart(int(box->text().size()));
}

} // namespace

bool Qso::logViewOn() const
{
    return interfaces::isOn(form_.Label48);
}

void Qso::logViewOff()
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("log view off"));
    platform::setBackColor(f.Label48, interfaces::kStateOff);
    steps.step(QStringLiteral("Text1 height"), [&] { f.setText1Listing(false); });
    f.text().giveTextBoxBack(stationRecord_[6]);
}

void Qso::showReceivedCall(const QString& call) { form_.Text3->setText(call); }

// The look-up runs once per change: putting the call in capitals changes the box again,
// and that inner change is this run's own.
void Qso::Text3_Change()
{
    if (upperCasing_)
        return;
    ++lookUps_;
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("Text3_Change"));
    if (logViewOn())
        logViewOff();
    steps.step(QStringLiteral("Text1 height"), [&] { f.setText1Listing(false); });
    f.text().clearEditState();
    const QString typed = f.Text3->text();
    const QString call = upperKeepingPositions(typed);
    if (call != typed) {
        upperCasing_ = true;
        f.Text3->setText(call);
        upperCasing_ = false;
    }
    caretToEnd(f.Text3);

    const auto record = contactLog_.find(call);
    if (!record) {
        logEntryRecord_[2].clear();
        f.Text4->setText(QString());
        loadMugShot();
        logEntryFound_ = 0;
        return;
    }
    mugShotToImage7(QImage());
    logEntryFound_ = 1;
    f.Command2->hide();
    // The entry is stored before it is shown, so "S" stays hidden until it is edited.
    logEntryRecord_[2] = record->entry;
    f.Text4->setText(record->entry);
    platform::doEvents();
    loadMugShot();
}

void Qso::Text3_KeyPress(int& keyAscii)
{
    if (keyAscii == kEnter)
        Label48_Click();
    else if (keyAscii == kEscape)
        form_.Text3->setText(QString());
}

void Qso::Text3_DragDrop()
{
    interfaces::Form& f = form_;
    if (f.canvas().dragSourceCode() != interfaces::dragCallSign)
        return;
    f.setText1Listing(false);
    f.Text3->setText(QString());
    f.Text4->setText(QString());
    logEntryFound_ = 0;
    mugShotToImage7(QImage());
}

void Qso::Text4_Change()
{
    interfaces::Form& f = form_;
    const QString entry = f.Text4->text();
    f.Command2->setVisible(entry != logEntryRecord_[2] && !f.Text3->text().isEmpty());
    if (entry.isEmpty())
        mugShotToImage7(QImage());
}

void Qso::writeLog(const QString& text)
{
    const QString path = platform::appPath(QStringLiteral("logdata"));
    QString why;
    if (!platform::ensureAppFolder() || !contactLog_.write(path, text, &why))
        throw platform::VbError(75, platform::cannotWrite(path, why.isEmpty() ? QStringLiteral("the folder cannot be made") : why));
}

void Qso::Command2_Click()
{
    interfaces::Form& f = form_;
    auto backToEntry = [&] {
        caretToEnd(f.Text4);
        f.Text4->setFocus();
    };
    auto refused = [&] {
        const QString entry = f.Text4->text();
        return entry == kNoMore || entry.isEmpty() || f.Text3->text().isEmpty();
    };
    if (refused()) {
        backToEntry();
        return;
    }
    msgBoxResult_ = f.ui().msgBox(QStringLiteral("Save ") + quoted(f.Text3->text(), f.Text4->text()),
                                 platform::vbYesNoCancel, kConfirmTitle);
    if (msgBoxResult_ == platform::vbCancel)
        f.Text4->setText(logEntryRecord_[2]);
    // The boxes may have changed while the question was shown.
    if (msgBoxResult_ != platform::vbYes || refused()) {
        backToEntry();
        return;
    }
    try {
        writeLog(contactLog_.savedText(f.Text3->text(), f.Text4->text()));
    } catch (const platform::VbError& e) {
        f.ui().msgBox(QString::fromUtf8(e.what()), platform::vbExclamation);
        backToEntry();
        return;
    }
    logEntryRecord_[2] = f.Text4->text();
    f.Command2->hide();
    backToEntry();
}

void Qso::Command9_Click()
{
    interfaces::Form& f = form_;
    if (f.Text4->text() == kNoMore || logEntryFound_ == 0) {
        f.Text3->setText(QString());
        f.Text4->setText(QString());
        f.Text3->setFocus();
        return;
    }
    // What is deleted is what was stored, not what the operator has typed since.
    if (f.Text4->text() != logEntryRecord_[2]) {
        f.Text4->setText(logEntryRecord_[2]);
        caretToEnd(f.Text4);
        f.Text4->setFocus();
    }
    auto deletable = [&] {
        const QString call = f.Text3->text();
        const auto record = contactLog_.find(call);
        const bool blankAfterCall = record && record->end > record->start + call.size();
        return blankAfterCall && !f.Text4->text().isEmpty();
    };
    if (deletable()) {
        msgBoxResult_ = f.ui().msgBox(QStringLiteral("Delete ") + quoted(f.Text3->text(), f.Text4->text()),
                                     platform::vbYesNo + platform::vbExclamation + platform::vbDefaultButton2,
                                     kConfirmTitle);
        if (msgBoxResult_ != platform::vbYes) {
            caretToEnd(f.Text4);
            f.Text4->setFocus();
            return;
        }
        if (const auto remaining = contactLog_.deletedText(f.Text3->text())) {
            try {
                writeLog(*remaining);
            } catch (const platform::VbError& e) {
                f.ui().msgBox(QString::fromUtf8(e.what()), platform::vbExclamation);
                return;
            }
        }
    }
    logEntryRecord_[2].clear();
    f.Text3->setText(QString());
    f.Text4->setText(QString());
    f.Text3->setFocus();
}

void Qso::Label48_Click()
{
    interfaces::Form& f = form_;
    if (logViewOn()) {
        logViewOff();
        return;
    }
    // Text1's text (here) and font (by the text tools) are put aside before events run: a
    // change of the call-sign box in between turns the view off again and gives them back.
    stationRecord_[6] = f.Text1->text();
    f.text().lendTextBox();
    platform::setBackColor(f.Label48, interfaces::kStateOn);
    f.setText1Listing(true);
    platform::doEvents();
    if (!logViewOn())
        return;
    f.text().beginListing();
    logSearchTerms_ = QStringList{upperKeepingPositions(f.Text3->text())};
    wildlogsearch();
    f.text().textBoxCaretToEnd();
    f.Text3->setFocus();
}

// Lists every log line holding all the terms, once each and whole, letting events run
// after each; a change of the call-sign box, or the view switched off, stops it.
void Qso::wildlogsearch()
{
    interfaces::Form& f = form_;
    interfaces::TextRoom& listing = f.text();
    const int run = lookUps_;
    logSearchTerms_ = searchTerms(logSearchTerms_.value(0));
    // The heading's own line end is a lone CR in the listing of earlier versions, which a
    // text box does not show as one; the listed lines' line ends follow it.
    listing.setListing(QStringLiteral("Matches for:-    ") + f.Text3->text());
    int listed = 0;
    qsizetype from = 0;
    for (;;) {
        const auto line = contactLog_.nextMatch(logSearchTerms_, from);
        if (!line) {
            listing.addToListing(listed == 0 ? QStringLiteral("\r\n\r\n  ---no matches found---")
                                             : QStringLiteral("\r\n\r\n  ---no more matches---"));
            break;
        }
        logHitLine_ = *line;
        listing.addToListing(QStringLiteral("\r\n\r\n") + logHitLine_);
        ++listed;
        if (f.Text1->text().size() > kListingLimit) {
            listing.addToListing(QStringLiteral("\r\n\r\n---Text box full. List to big to show more---"));
            break;
        }
        platform::doEvents();
        if (lookUps_ != run || !logViewOn())
            break;
    }
    f.setMousePointer(0);
}

} // namespace qso
