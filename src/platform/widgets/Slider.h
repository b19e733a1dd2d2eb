#pragma once
// The slider of the common controls: Min and Max, Value, and one event, Change, that
// runs only when the operator has moved the thumb (a click on the track, a key, the
// wheel, or a drag once it is let go). A value set from code runs nothing, so handlers
// that put sliders where the device stands start no chain of commands.
// A vertical slider has its Min at the top, as the program's sliders are drawn.

#include <QSlider>

namespace platform {

class Slider : public QSlider {
    Q_OBJECT
public:
    Slider(const QString& name, Qt::Orientation orientation, int min, int max, QWidget* parent = nullptr);

    int Value() const { return value(); }
    // Sets the value from code (clamped to the range); no Change.
    void setValueFromCode(int v);
    // The range end; a negative end is not a value the control takes (error 380).
    void setMax(int max);

signals:
    void Change();

protected:
    void sliderChange(SliderChange change) override;

private:
    bool fromCode_ = false;
    bool dragged_ = false;
};

} // namespace platform
