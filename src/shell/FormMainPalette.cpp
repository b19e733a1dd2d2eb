// The main window's colour palette: the twelve swatches in a row beside the Things list,
// and their press handler.

#include "shell/FormMain.h"

#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "text/TextTools.h"

#include <QFrame>
#include <QHBoxLayout>

namespace shell {

QWidget* FormMain::buildPalette(QWidget* parent)
{
    auto* row = new QFrame(parent);
    row->setObjectName(QStringLiteral("palette"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    platform::Label** const swatches[] = {&Label1, &Label2, &Label3, &Label4,  &Label5,  &Label6,
                                          &Label7, &Label8, &Label9, &Label10, &Label11, &Label12};
    for (int n = 1; n <= 12; ++n) {
        const QString caption = n >= 9 ? QStringLiteral("C%1").arg(n - 8) : QString();
        auto* swatch = new platform::Label(QStringLiteral("Label%1").arg(n), caption, row);
        swatch->setFrameStyle(QFrame::Panel | QFrame::Raised);
        swatch->setAlignment(Qt::AlignCenter);
        swatch->setFixedSize(20, 20);
        platform::setBackColor(swatch, text::TextTools::swatchColour(n));
        platform::setForeColor(swatch, platform::vbWhite);
        layout->addWidget(swatch);
        *swatches[n - 1] = swatch;
    }
    return row;
}

void FormMain::connectPaletteHandlers()
{
    auto* t = text_.get();
    for (int n = 1; n <= 12; ++n)
        connect(swatch(n), &platform::Label::MouseDown, t,
                [t, n](int button, int shift, double, double) { t->swatchMouseDown(n, button, shift); });
    for (int n = 9; n <= 12; ++n)
        connect(swatch(n), &platform::Label::DblClick, t, [t, n] { t->customSwatchDblClick(n); });
}

} // namespace shell
