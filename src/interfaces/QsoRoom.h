#pragma once
// What other rooms ask of the contact room (qso::Qso): headers, the QSL block, the log
// and the mug shot.

#include <QString>

namespace interfaces {

class QsoRoom {
public:
    // The selected header box painted over the top or bottom band of the TX picture and
    // committed; nothing while "HdrON" is unticked or no header is selected.
    virtual void ShowHeaders() = 0;
    // "load HDR lge" / "load HDR sml": offer the large or small header boxes and take them
    // away again; "DONE": header making ended with the TX picture given back.
    virtual void Command35_Click() = 0;
    virtual void Command37_Click() = 0;
    virtual void Command36_Click() = 0;
    // Header making is on.
    virtual bool makingHeader() const = 0;
    // The log view ("*" red) is on.
    virtual bool logViewOn() const = 0;
    // The cursor of the header box dragged: drop taken, or only carried.
    virtual void headericonon() = 0;
    virtual void headericonoff() = 0;
    // The header canvas refilled in the text colour, the new header background.
    virtual void headercolor() = 0;
    // The header the TX picture carries (4 to 21): the header box's number (4 to 12) at
    // the top, 9 more at the bottom.
    virtual void setHeaderNumber(int number) = 0;
    // The station's own call sign as the station record holds it.
    virtual QString stationCall() const = 0;
    // A call sign received (the FSK ID) into the call-sign box, which looks it up in the
    // log as its text changes.
    virtual void showReceivedCall(const QString& call) = 0;

protected:
    ~QsoRoom() = default;
};

} // namespace interfaces
