#pragma once
// What the QSL block and the date stamp write on the TX picture, worked out apart from the
// window: the time and date, the own call as each stamp cuts it, and the panel picture
// both stamps paint under their text.

#include <QDateTime>
#include <QImage>
#include <QString>

namespace qso {

struct StampTime {
    QString time; // "hh:mm"
    QString date; // "mmm dd yyyy", the month's short name in the system's language
};

// Time and date of one moment: the local time, or, with the zone word "UTC", the local
// time plus utcOffset hours (5.5 is five and a half hours, -9.5 minus nine and a half),
// so a shift past midnight gives the next day, or the day before, with its time.
StampTime stampTime(const QDateTime& local, const QString& zoneWord, double utcOffset);

// The own call as the QSL block prints it: cut after its first character that sorts below
// "0" (a blank, "/", "-", "."), which stays as its last one.
QString qslCall(const QString& own);

// The own call as the date stamp prints it: "NOCALL" for none; cut after a blank among
// its first five characters (the blank stays), otherwise to at most six characters.
QString dateStampCall(const QString& own);

// The QSL block's three lines under the own call: the call confirmed ("NOTHING" when
// none is typed), the report and band, and the date and time with the zone word.
struct QslLines {
    QString confirms;
    QString report;
    QString when;
};
QslLines qslLines(const QString& other, const QString& report, const QString& band, const StampTime& time,
                  const QString& zoneWord);

// The panel picture (250 x 96) under both stamps' text: light, so black text stands on it.
QImage stampPanelPicture();

} // namespace qso
