#pragma once
// Headers, QSL block, call-sign box, log and mug shots.

#include "interfaces/QsoRoom.h"
#include "qso/ContactLog.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace interfaces { class Form; }
namespace platform { class CommandButton; class Picbuf; }

namespace qso {

class Qso : public QObject, public interfaces::QsoRoom {
    Q_OBJECT
public:
    explicit Qso(interfaces::Form& form);
    ~Qso() override;

    // Header making: the TX screen becomes a header canvas in the background colour and
    // Frame7 shows the large (menu "Make Header large") or the small boxes (menu "Make
    // Header small") with "DONE"; the TX picture is kept in Image15 until then.
    void makeheader_Click();
    void makeheader16_Click();
    // "DONE": Frame7 hidden, header making ended with the TX picture given back.
    void Command36_Click() override;
    // "load HDR lge" / "load HDR sml": offer the large or the small boxes to be dragged onto
    // the TX screen ("Exit" while offered), and take them away again. Each click also ends
    // the current tool, header making and the browser.
    void Command35_Click() override;
    void Command37_Click() override;
    void Text3_Change(); // the call-sign box: log look-up and mug shot
    void showReceivedCall(const QString& call) override;
    void Check2_Click(); // "HdrON"
    // Paints the selected header box over the top or bottom band of the TX picture,
    // commits it, renews Image6 and pushes the picture to the engine; nothing at all while
    // "HdrON" is unticked or no header is selected.
    void ShowHeaders() override;
    // The header canvas refilled in the colour of fontRecord(7), the new header background
    // (a Ctrl-press on a swatch while a header is made). The engine keeps its picture.
    void headercolor() override;
    // The call sign dragged as text (Text mode only).
    void Text3_MouseDown(int button, int shift, double x, double y);
    // The mug shot dragged as a picture.
    void Image7_MouseDown(int button, int shift, double x, double y);
    // Header box `number` (4 to 12) pressed: it is the box dragged, and outside header
    // making the drag starts.
    void headerBoxMouseDown(int number, int button);
    // The dragged header box's cursor: drop taken, or only carried.
    void headericonon() override;
    void headericonoff() override;
    // Header box `number` (4 to 12) as a drop target: while a header is made it takes the
    // bottom band of the dragged TX picture as its strip.
    void headerBoxDragDrop(int number);
    void headerBoxDragOver(int number, int state);
    // Header making is on: a Make Header menu item shows its tick.
    bool makingHeader() const override;
    // The TX picture from before header making, committed; nothing kept (no header was
    // made this run) leaves the screen as it is.
    void giveBackTxPicture();

    // ---- what the settings file and the setup dialog keep ----
    // The own call sign; the band or frequency and the report the QSL block prints; the
    // zone word of the stamps' time, "LCL" or "UTC"; the hours UTC is ahead of the local
    // time (0.5 is 30 minutes), as read.
    QString stationCall() const override { return stationRecord_[2]; }
    void setStationCall(const QString& call) { stationRecord_[2] = call; }
    QString band() const { return stationRecord_[3]; }
    void setBand(const QString& band) { stationRecord_[3] = band; }
    QString report() const { return stationRecord_[4]; }
    void setReport(const QString& report) { stationRecord_[4] = report; }
    QString zoneWord() const { return stationRecord_[5]; }
    void setZoneWord(const QString& word) { stationRecord_[5] = word; }
    QVariant utcOffset() const { return utcOffset_; }
    void setUtcOffset(const QVariant& hours) { utcOffset_ = hours; }
    // "HdrON" as the settings carry it (1 while ticked), and the header the TX picture
    // carries (4 to 21); as read, it may be any value, which names no header.
    QVariant headerFlag() const { return headerFlag_; }
    void setHeaderFlag(const QVariant& flag) { headerFlag_ = flag; }
    QVariant headerNumber() const { return headerNumber_; }
    void setHeaderNumber(int number) override { headerNumber_ = number; }
    void setHeaderNumberValue(const QVariant& value) { headerNumber_ = value; }
    // The back colour header making fills the header canvas with.
    quint32 headerBackColour() const { return headerBackColour_; }
    void setHeaderBackColour(quint32 colour) { headerBackColour_ = colour; }
    // The log, read whole at start-up, and what the look-ups search.
    ContactLog& contactLog() { return contactLog_; }
    const ContactLog& contactLog() const { return contactLog_; }

    // ---- the contact log, its search, mug shots, the QSL block and the date stamp ----
    // The call-sign box: Enter toggles the log view, Esc empties the box; the call
    // dropped back on its box empties both boxes and the mug shot.
    void Text3_KeyPress(int& keyAscii);
    void Text3_DragDrop();
    // The entry box: "S" is available while the entry differs from the stored one.
    void Text4_Change();
    void Command2_Click(); // "S": the entry saved as the call's record
    void Command9_Click(); // "D": the call's record deleted
    // "*" (and Enter in the call-sign box): Text1 becomes the list of the log lines that
    // hold every comma-separated term of the call-sign box, and back.
    void Label48_Click();
    void wildlogsearch();
    bool logViewOn() const override;
    // The mug shot of the call in Text3 into Image7, from "MugShots" (empty when none).
    void loadMugShot();
    void Label26_MouseDown(int button, int shift, double x, double y); // "Mug Shot": save
    void Image7_DragOver(int state);
    void Image7_DragDrop();
    // The QSL panel and its block at the top or the bottom of the TX picture.
    void Label54_Click(); // " QSL"
    void Text15_Change();
    void Text15_MouseDown(int button, int shift, double x, double y);
    void Text10_Click();
    void Text9_Click();
    void Command4_Click();  // "QSL at Top"
    void Command32_Click(); // "QSL at Bottom", also the block builder
    void Command33_Click(); // "Cancel"
    // " Date": the own call, time, zone and date along the bottom of the TX picture.
    void Label53_MouseDown(int button, int shift, double x, double y);
    void Label53_Click();

    // The call in the call-sign box has a record in the log.
    bool callHasRecord() const { return logEntryFound_ == 1; }
    // The QSL block being built goes at the top of the TX picture.
    bool qslAtTop() const { return qslAtTop_.toInt() == 1; }

private:
    // The mug shots' picture buffer: theirs alone, so a look-up never touches the picture
    // the adjust panel works on. Made at its first use.
    platform::Picbuf& PicbufMugShot();
    void logViewOff();
    void writeLog(const QString& text);
    void mugShotToImage7(const QImage& picture);
    void qslBlock();
    void dateStamp();
    void headerLoadButton(bool large);
    void makeHeader(bool large);
    bool headerToolsRefused();
    void placeHeaderPanel(int top, int height, bool large);
    void fillHeaderCanvas();
    interfaces::Form& form_;
    ContactLog contactLog_;
    // Station and header values the settings carry (2 to 5); 6 holds Text1's text while
    // the log view or a QSL build has put it aside.
    QString stationRecord_[7]; // 2 call sign, 3 frequency or band, 4 report, 5 "LCL"/"UTC"
    QVariant headerFlag_;
    QVariant headerNumber_;    // 4 to 21
    QVariant utcOffset_;       // hours; 0.5 is 30 minutes
    quint32 headerBackColour_ = 0;
    // The look-up's result: 1 while the call shown has a record; the stored entry (2).
    int logEntryFound_ = 0;
    QString logEntryRecord_[3];
    int msgBoxResult_ = 0; // the last confirmation's answer
    // The log view: the terms (element 1 searched for, the others filter), the line
    // tested.
    QStringList logSearchTerms_;
    QString logHitLine_;
    QVariant qslAtTop_; // 1 while "QSL at Top" builds
    std::shared_ptr<platform::Picbuf> picbufMugShot_; // shared: deleted where Picbuf is known
    bool upperCasing_ = false;  // Text3 is being put in capitals by its own handler
    int lookUps_ = 0;           // counts Text3's changes: a search stops at the next one
    bool stamping_ = false;     // a QSL block or date stamp is being drawn
};

} // namespace qso
