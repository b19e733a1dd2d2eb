#pragma once
// The TX screen's controller: editing modes, shapes, fills, overlays, SET and undo.

#include <QObject>

namespace shell { class FormMain; }

namespace canvas {

class TxCanvas : public QObject {
    Q_OBJECT
public:
    explicit TxCanvas(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void Option6_Click();
    void Option7_Click();
    void Option8_Click();
    void Label32_Click();
    void Label38_Click();
    void Check19_Click();
    void Command12_Click();
    void Timer2_Timer();

private:
    shell::FormMain& form_;
};

} // namespace canvas
