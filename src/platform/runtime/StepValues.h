#pragma once
// Small helpers of the steps a step runner runs (the start-up's and shut-down's above all):
// a failing statement, a stored value read as a number, a scroll bar's checked value.

#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"

#include <QString>
#include <QVariant>

namespace platform::steps {

// A failing statement: the step runner logs it with this reason and goes on.
[[noreturn]] inline void fail(int number, const QString& description)
{
    throw platform::VbError(number, description);
}

// A value compared as a number: empty counts as 0; a text must be a number.
inline double number(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const double v = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            fail(platform::vbErrTypeMismatch, QStringLiteral("\"%1\" is not a number").arg(value.toString()));
        return v;
    }
    return value.toDouble();
}

inline bool isEmpty(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

// A scroll bar given a value outside its range refuses it.
inline void setScrollValue(platform::ScrollBar* bar, int value)
{
    if (value < bar->minimum() || value > bar->maximum())
        fail(380, QStringLiteral("Invalid property value: %1 is outside %2 to %3")
                      .arg(value)
                      .arg(bar->minimum())
                      .arg(bar->maximum()));
    bar->setValue(value);
}

} // namespace platform::steps
