#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vareror::lib {

// The engine's own option dialog, for now a read-only view of the sound devices, the rate,
// the clock and the PTT. rows alternate caption and value. Returns false without a
// QApplication (nothing shown).
bool showOptionDialog(QWidget *parent, const QString &title, const QStringList &rows);

} // namespace vareror::lib
