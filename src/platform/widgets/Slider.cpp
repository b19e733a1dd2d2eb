#include "platform/widgets/Slider.h"

#include "platform/runtime/Vb.h"
#include "platform/widgets/FileLists.h"

#include <QScopedValueRollback>

namespace platform {

Slider::Slider(const QString& name, Qt::Orientation orientation, int min, int max, QWidget* parent)
    : QSlider(orientation, parent)
{
    setObjectName(name);
    setRange(min, max);
    if (orientation == Qt::Vertical) {
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    // A drag runs Change once, when the thumb is let go where it was moved to.
    connect(this, &QSlider::sliderReleased, this, [this] {
        if (dragged_) {
            dragged_ = false;
            emit Change();
        }
    });
}

void Slider::setValueFromCode(int v)
{
    QScopedValueRollback quiet(fromCode_, true);
    setValue(v);
}

void Slider::setMax(int max)
{
    if (max < 0)
        throw VbError(vbErrInvalidPropertyValue, QStringLiteral("Invalid property value"));
    QScopedValueRollback quiet(fromCode_, true);
    setRange(std::min(minimum(), max), max);
}

void Slider::sliderChange(SliderChange change)
{
    QSlider::sliderChange(change);
    if (change != SliderValueChange || fromCode_)
        return;
    if (isSliderDown())
        dragged_ = true;
    else
        emit Change();
}

} // namespace platform
