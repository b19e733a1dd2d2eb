#include "qso/Qso.h"

#include "engine/EngineControl.h"
#include "platform/widgets/Controls.h"
#include "platform/runtime/Events.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/runtime/StepRunner.h"
#include "shell/FormMain.h"

namespace qso {

Qso::Qso(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Qso::makeheader16_Click() {}
void Qso::makeheader_Click() {}
// The call is kept in capitals; the log look-up and the mug shot come with the log.
void Qso::Text3_Change()
{
    const QString text = form_.Text3->text();
    const QString upper = text.toUpper();
    if (upper != text) {
        const int caret = form_.Text3->selStart();
        form_.Text3->setText(upper); // runs this handler once more, with nothing left to change
        form_.Text3->setSelStart(caret);
    }
}

void Qso::Check2_Click()
{
    if (form_.Check2->value() == 1) {
        headerFlag = 1;
        ShowHeaders();
    } else {
        headerFlag = 0;
    }
}

void Qso::ShowHeaders()
{
    if (form_.Check2->value() != 1 || headerNumber.toDouble() < 4)
        return;
    platform::StepRunner steps(QStringLiteral("ShowHeaders"));
    // The header boxes themselves arrive with the header tools; what is on the TX screen
    // becomes the clean copy and goes to the engine.
    steps.step(QStringLiteral("Image6"), [&] { form_.Image6->setPicture(form_.Picture1->Image()); });
    platform::doEvents();
    steps.step(QStringLiteral("TX DIB"), [&] { form_.engine().copyTxScreenToDib(); });
}

} // namespace qso
