#include "strips/Strips.h"

#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "shell/FormMain.h"

namespace strips {

Strips::Strips(shell::FormMain& form) : QObject(nullptr), form_(form) {}

// Favorites is the category shown until the strip's own controls exist: the page goes
// into the page box and is remembered; the slots come with the strip.
void Strips::HScroll2_Change()
{
    const int page = form_.HScroll2->value();
    form_.Image24->hide();
    form_.Text5->setText(QString::number(page));
    stripPages[1] = page;
}

void Strips::stripToPageOne()
{
    form_.HScroll2->setValue(1);
}

void Strips::reloadStrip()
{
    form_.Text1->setFocus();
    form_.Image24->hide();
    HScroll2_Change();
}

} // namespace strips
