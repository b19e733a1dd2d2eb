// The main window on its screen: its size and place inside the screen's available area,
// the scrolled area that keeps every control reachable on a small screen, the panels that
// open over the controls (placed, for the QSL panel, and scrolled into view), and the
// captions of the text colours' indicators.

#include "shell/FormMain.h"

#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/ScreenFit.h"

#include <QEvent>
#include <QGroupBox>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>

namespace shell {

namespace {

// The browser panel keeps this far from the right-hand column's edge and the window's top.
constexpr int PanelMargin = 2;

} // namespace

void FormMain::fitToScreen(QSize designed)
{
    designedSize_ = designed;
    fitPending_ = !isVisible();
    // The whole layout with the menu bar, as the window shows it on a large screen.
    const QSize layout = scroll_->widget()->minimumSizeHint() + QSize(0, menuBar()->sizeHint().height());
    platform::fitToScreen(*this, *scroll_, layout, designed);
    if (const QScreen* shownOn = screen())
        move(shownOn->availableGeometry().topLeft());
}

void FormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Fitted before it was shown: again now that its frame is known.
    if (fitPending_)
        fitToScreen(designedSize_);
}

QPoint FormMain::browserPanelHome() const
{
    const QWidget* content = scroll_->widget();
    int right = content->width();
    for (const char* frame : {"engineFrame", "modesFrame", "canvasFrame", "stationFrame", "stripFrame"})
        if (const QWidget* w = content->findChild<QWidget*>(QLatin1String(frame)))
            right = qMin(right, w->geometry().right() + 1);
    return QPoint(qMax(0, right - PanelMargin - Frame2->width()), PanelMargin);
}

// The whole of a panel in the window's view, as far as the view holds it: a panel larger
// than the view shows from its top-left corner (where the zoom view's caption is).
void FormMain::scrollIntoView(QWidget* panel)
{
    const QRect place(panel->mapTo(scroll_->widget(), QPoint(0, 0)), panel->size());
    scroll_->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + 1, place.height() / 2 + 1);
    scroll_->ensureVisible(place.left(), place.top(), 0, 0);
}

// Over the text type row and the text box, as wide as the screens above them.
void FormMain::placeQslPanel()
{
    const QWidget* content = scroll_->widget();
    const int top = Combo3->mapTo(content, QPoint(0, 0)).y();
    Frame5->setGeometry(SSTab1->x(), top, SSTab1->width(), Frame5->sizeHint().height());
    Frame5->raise();
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    // The text colours' indicators keep their captions readable on the colour they show.
    if (event->type() == QEvent::PaletteChange && (watched == Label25 || watched == Label45)) {
        auto* indicator = static_cast<QWidget*>(watched);
        QPalette palette = indicator->palette();
        const QColor ink = qGray(palette.color(QPalette::Window).rgb()) < 128 ? Qt::white : Qt::black;
        if (palette.color(QPalette::WindowText) != ink) {
            palette.setColor(QPalette::WindowText, ink);
            indicator->setPalette(palette);
        }
    }
    if (event->type() == QEvent::Show) {
        if (watched == Frame5)
            placeQslPanel();
        if (watched == Frame2 || watched == Frame5 || watched == Frame7 || watched == Frame9 || watched == Text2
            || watched == Picture21)
            scrollIntoView(static_cast<QWidget*>(watched));
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace shell
