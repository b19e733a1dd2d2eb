// The main window's controls of the text tools' text source: the message pane, which
// opens over the tools beside the TX screen, and the handlers of the text box, the pane
// and the Text mode button.

#include "shell/FormMain.h"

#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "text/TextTools.h"

namespace shell {

namespace {

constexpr quint32 PaneColor = 0xC0FFFF; // light yellow
constexpr int PaneWidth = 520;
constexpr int PaneHeight = 420;

} // namespace

void FormMain::buildMessagePane(QWidget* parent)
{
    // The pane is placed each time it opens; until then it waits hidden.
    Text2->setParent(parent);
    Text2->setToolTip(QStringLiteral("Messages: double-click one, or select some of it"));
    Text2->resize(PaneWidth, PaneHeight);
    platform::setBackColor(Text2, PaneColor);
    platform::setForeColor(Text2, platform::vbBlack);
    Text2->hide();
}

void FormMain::connectTextHandlers()
{
    auto* t = text_.get();
    connect(Text1, &platform::TextBox::Change, t, [t] { t->Text1_Change(); });
    connect(Text1, &platform::TextBox::DblClick, t, [t] { t->Text1_DblClick(); });
    connect(Text1, &platform::TextBox::MouseDown, t,
            [t](int b, int s, double x, double y) { t->Text1_MouseDown(b, s, x, y); });
    connect(Text1, &platform::TextBox::MouseUp, t,
            [t](int b, int s, double x, double y) { t->Text1_MouseUp(b, s, x, y); });
    connect(Text2, &platform::TextBox::DblClick, t, [t] { t->Text2_DblClick(); });
    connect(Text2, &platform::TextBox::MouseUp, t,
            [t](int b, int s, double x, double y) { t->Text2_MouseUp(b, s, x, y); });
    connect(Option1, &platform::OptionButton::MouseUp, t,
            [t](int b, int s, double x, double y) { t->Option1_MouseUp(b, s, x, y); });
    connect(Check16, &platform::CheckBox::Click, t, [t] { t->Check16_Click(); });
}

} // namespace shell
