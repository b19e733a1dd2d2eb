#include "canvas/TxCanvas.h"

#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"

namespace canvas {

namespace {
constexpr quint32 ToolOffColor = 0xC0C0; // a tool label that is off
}

TxCanvas::TxCanvas(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void TxCanvas::Option6_Click() {}
void TxCanvas::Option7_Click() {}
void TxCanvas::Option8_Click() {}
void TxCanvas::Label32_Click() {}
void TxCanvas::Label38_Click() {}
void TxCanvas::Check19_Click() {}
// Ends the current tool: on return no tool is active and the TX screen holds the
// committed picture.
void TxCanvas::Command12_Click()
{
    if (elementPending)
        form_.Picture1->setPicture(form_.Image6->Picture());
    elementPending = false;
    form_.Timer2->setEnabled(false);
    for (auto* tool : {form_.Label32, form_.Label38})
        platform::setBackColor(tool, ToolOffColor);
}

// The panels over the TX screen come with their tools; the picture-adjust panel is the
// one the transmit sequence closes.
void TxCanvas::Command13_Click()
{
    form_.Frame9->hide();
    Command12_Click();
}

// No overlay or picture-in-picture is ever pending before the canvas's own tools
// exist, so there is nothing to re-render yet.
void TxCanvas::Check3_Click() {}

void TxCanvas::HScroll1_Change()
{
    form_.Picture1->setDrawWidth(form_.HScroll1->value());
}
void TxCanvas::Timer2_Timer() {}

} // namespace canvas
