#include "platform/widgets/Controls.h"

#include <QApplication>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>

namespace platform {

int vbButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int vbButtons(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton) code |= 1;
    if (buttons & Qt::RightButton) code |= 2;
    if (buttons & Qt::MiddleButton) code |= 4;
    return code;
}

int vbShift(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier) code |= 1;
    if (modifiers & Qt::ControlModifier) code |= 2;
    if (modifiers & Qt::AltModifier) code |= 4;
    return code;
}

int vbKeyCode(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;       // 65..90 as VB
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;       // 48..57 as VB
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

QString stripAccelerator(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

#define PLATFORM_MOUSE_ARGS(e) vbButton((e)->button()), vbShift((e)->modifiers()), (e)->position().x(), (e)->position().y()

// ---------------------------------------------------------------- CheckBox

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent)
{
    setTristate(true); // Value 2 (grayed) can be set from code
    connect(this, &QCheckBox::stateChanged, this, [this] { emit Click(); }, Qt::DirectConnection);
}

CheckBox::CheckBox(const QString& name, const QString& caption, QWidget* parent) : CheckBox(parent)
{
    setObjectName(name);
    setText(caption);
}

int CheckBox::value() const
{
    switch (checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
    }
}

void CheckBox::setValue(int v)
{
    setCheckState(v == 0 ? Qt::Unchecked : v == 2 ? Qt::PartiallyChecked : Qt::Checked);
}

void CheckBox::nextCheckState()
{
    // The operator never reaches the grayed state; a grayed box clicks to unchecked.
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}

void CheckBox::mousePressEvent(QMouseEvent* e)
{
    emit MouseDown(PLATFORM_MOUSE_ARGS(e));
    QCheckBox::mousePressEvent(e);
}

void CheckBox::mouseReleaseEvent(QMouseEvent* e)
{
    emit MouseUp(PLATFORM_MOUSE_ARGS(e));
    QCheckBox::mouseReleaseEvent(e);
}

// ---------------------------------------------------------------- OptionButton

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent)
{
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (on) {
            clickRan_ = true;
            emit Click();
        }
    }, Qt::DirectConnection);
    // An operator's click on the button already selected changes nothing, yet runs Click.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!clickRan_ && isChecked())
            emit Click();
        clickRan_ = false;
    }, Qt::DirectConnection);
    connect(this, &QAbstractButton::pressed, this, [this] { clickRan_ = false; }, Qt::DirectConnection);
}

OptionButton::OptionButton(const QString& name, const QString& caption, QWidget* parent) : OptionButton(parent)
{
    setObjectName(name);
    setText(caption);
}

void OptionButton::setValue(bool v)
{
    if (v) {
        if (!isChecked())
            setChecked(true);
        clickRan_ = false;
        return;
    }
    if (!isChecked())
        return;
    // Qt keeps one of an exclusive group selected; VB code may clear the selected one.
    const bool exclusive = autoExclusive();
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(exclusive);
}

void OptionButton::mousePressEvent(QMouseEvent* e)
{
    emit MouseDown(PLATFORM_MOUSE_ARGS(e));
    QRadioButton::mousePressEvent(e);
}

void OptionButton::mouseReleaseEvent(QMouseEvent* e)
{
    emit MouseUp(PLATFORM_MOUSE_ARGS(e));
    QRadioButton::mouseReleaseEvent(e);
}

void OptionButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    QRadioButton::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton)
        emit DblClick();
}

// ---------------------------------------------------------------- CommandButton

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { emit Click(); }, Qt::DirectConnection);
}

CommandButton::CommandButton(const QString& name, const QString& caption, QWidget* parent) : CommandButton(parent)
{
    setObjectName(name);
    setText(caption);
}

void CommandButton::mousePressEvent(QMouseEvent* e)
{
    emit MouseDown(PLATFORM_MOUSE_ARGS(e));
    QPushButton::mousePressEvent(e);
}

void CommandButton::mouseReleaseEvent(QMouseEvent* e)
{
    emit MouseUp(PLATFORM_MOUSE_ARGS(e));
    QPushButton::mouseReleaseEvent(e);
}

// ---------------------------------------------------------------- Label

Label::Label(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
    setTextFormat(Qt::PlainText);
}

Label::Label(const QString& name, const QString& caption, QWidget* parent) : Label(parent)
{
    setObjectName(name);
    setCaption(caption);
}

void Label::setCaption(const QString& caption)
{
    caption_ = caption;
    setText(stripAccelerator(caption));
}

void Label::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        pressed_ = true;
    emit MouseDown(PLATFORM_MOUSE_ARGS(e));
}

void Label::mouseReleaseEvent(QMouseEvent* e)
{
    emit MouseUp(PLATFORM_MOUSE_ARGS(e));
    if (e->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        if (rect().contains(e->position().toPoint()))
            emit Click();
    }
}

void Label::mouseDoubleClickEvent(QMouseEvent* e)
{
    // VB's order is MouseDown, MouseUp, Click, DblClick, MouseUp: the second press
    // gives DblClick and its release only MouseUp.
    if (e->button() == Qt::LeftButton) {
        pressed_ = false;
        emit DblClick();
    } else {
        emit MouseDown(PLATFORM_MOUSE_ARGS(e));
    }
}

void Label::mouseMoveEvent(QMouseEvent* e)
{
    emit MouseMove(vbButtons(e->buttons()), vbShift(e->modifiers()), e->position().x(), e->position().y());
}

// ---------------------------------------------------------------- ScrollBar

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent)
{
    // Change follows every new value except while the thumb is being dragged, when
    // Scroll runs instead; letting the thumb go gives the one Change.
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (isSliderDown())
            emit Scroll();
        else
            emit Change();
    }, Qt::DirectConnection);
    connect(this, &QAbstractSlider::sliderPressed, this, [this] { setProperty("vbPressValue", value()); },
            Qt::DirectConnection);
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        if (property("vbPressValue").toInt() != value())
            emit Change();
    }, Qt::DirectConnection);
}

ScrollBar::ScrollBar(const QString& name, Qt::Orientation orientation, QWidget* parent)
    : ScrollBar(orientation, parent)
{
    setObjectName(name);
}

void ScrollBar::focusInEvent(QFocusEvent* e)
{
    QScrollBar::focusInEvent(e);
    emit GotFocus();
}

// ---------------------------------------------------------------- TextBox

namespace {
QString toDocText(const QString& vbText)
{
    QString s = vbText;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}
} // namespace

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    applyLineMode();
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        const QString now = text();
        if (now != lastText_) {
            lastText_ = now;
            emit Change();
        }
    }, Qt::DirectConnection);
}

TextBox::TextBox(const QString& name, QWidget* parent, bool multiLine) : TextBox(parent)
{
    setObjectName(name);
    setMultiLine(multiLine);
}

void TextBox::setMultiLine(bool on)
{
    multiLine_ = on;
    applyLineMode();
}

void TextBox::applyLineMode()
{
    if (multiLine_) {
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    } else {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    updateGeometry();
}

QSize TextBox::sizeHint() const
{
    if (multiLine_)
        return QPlainTextEdit::sizeHint();
    // One line high; a form may still give the box any height it likes.
    const int h = fontMetrics().height() + 2 * frameWidth() + int(2 * document()->documentMargin());
    return {QPlainTextEdit::sizeHint().width(), h};
}

QSize TextBox::minimumSizeHint() const
{
    const QSize base = QPlainTextEdit::minimumSizeHint();
    return multiLine_ ? base : QSize(base.width(), sizeHint().height());
}

void TextBox::changeEvent(QEvent* e)
{
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange && !multiLine_)
        updateGeometry();
}

QString TextBox::text() const
{
    QString s = toPlainText();
    s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return s;
}

void TextBox::setText(const QString& t)
{
    if (t == text())
        return;
    setPlainText(toDocText(t)); // textChanged -> Change
}

int TextBox::toVbPos(int docPos) const
{
    const QTextBlock block = document()->findBlock(docPos);
    return docPos + (block.isValid() ? block.blockNumber() : document()->blockCount() - 1);
}

int TextBox::toDocPos(int vbPos) const
{
    if (vbPos <= 0)
        return 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        const int vbStart = b.position() + b.blockNumber();
        const int len = b.length() - 1; // without the separator
        if (vbPos <= vbStart + len)
            return b.position() + (vbPos - vbStart);
        if (vbPos == vbStart + len + 1) // between CR and LF
            return b.position() + len;
    }
    return document()->characterCount() - 1;
}

int TextBox::selStart() const
{
    return toVbPos(textCursor().selectionStart());
}

int TextBox::selLength() const
{
    const QTextCursor c = textCursor();
    return toVbPos(c.selectionEnd()) - toVbPos(c.selectionStart());
}

QString TextBox::selText() const
{
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    s.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return s;
}

void TextBox::setSelStart(int start)
{
    QTextCursor c = textCursor();
    c.setPosition(toDocPos(start));
    setTextCursor(c);
}

void TextBox::setSelLength(int length)
{
    QTextCursor c = textCursor();
    const int startVb = toVbPos(c.selectionStart());
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(toDocPos(startVb + qMax(0, length)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TextBox::setSelText(const QString& t)
{
    QTextCursor c = textCursor();
    c.insertText(toDocText(t));
    setTextCursor(c);
}

void TextBox::keyPressEvent(QKeyEvent* e)
{
    int keyCode = vbKeyCode(e->key());
    if (keyCode != 0) {
        emit KeyDown(keyCode, vbShift(e->modifiers()));
        if (keyCode == 0)
            return;
    }
    int ascii = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        ascii = 13;
    else if (e->key() == Qt::Key_Backspace)
        ascii = 8;
    else if (e->key() == Qt::Key_Escape)
        ascii = 27;
    else if (!e->text().isEmpty() && e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab)
        ascii = e->text().at(0).unicode();
    if (ascii != 0) {
        const int original = ascii;
        emit KeyPress(ascii);
        if (ascii == 0)
            return;
        if (ascii == 13 && !multiLine_)
            return;
        const bool inserts = ascii >= 32 && ascii != 127;
        if (inserts && maxLength_ > 0 && !textCursor().hasSelection() && text().size() >= maxLength_)
            return;
        if (ascii != original) {
            if (inserts)
                insertPlainText(QString(QChar(ascii)));
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TextBox::keyReleaseEvent(QKeyEvent* e)
{
    int keyCode = vbKeyCode(e->key());
    if (keyCode != 0) {
        emit KeyUp(keyCode, vbShift(e->modifiers()));
        if (keyCode == 0)
            return;
    }
    QPlainTextEdit::keyReleaseEvent(e);
}

void TextBox::mousePressEvent(QMouseEvent* e)
{
    emit MouseDown(PLATFORM_MOUSE_ARGS(e));
    QPlainTextEdit::mousePressEvent(e);
}

void TextBox::mouseReleaseEvent(QMouseEvent* e)
{
    emit MouseUp(PLATFORM_MOUSE_ARGS(e));
    QPlainTextEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton)
        emit Click();
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    QPlainTextEdit::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton)
        emit DblClick();
}

void TextBox::focusInEvent(QFocusEvent* e)
{
    QPlainTextEdit::focusInEvent(e);
    emit GotFocus();
}

void TextBox::focusOutEvent(QFocusEvent* e)
{
    QPlainTextEdit::focusOutEvent(e);
    emit LostFocus();
}

void TextBox::insertFromMimeData(const QMimeData* source)
{
    if (multiLine_ || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // A single-line box takes the first line of a pasted text.
    QString t = source->text();
    const qsizetype nl = t.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (nl >= 0)
        t.truncate(nl);
    insertPlainText(t);
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(QWidget* parent) : QListWidget(parent)
{
    connect(this, &QListWidget::currentRowChanged, this, [this] {
        if (!quiet_)
            emit Click();
    }, Qt::DirectConnection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit DblClick(); }, Qt::DirectConnection);
}

ListBox::ListBox(const QString& name, QWidget* parent) : ListBox(parent)
{
    setObjectName(name);
}

void ListBox::setListIndex(int i)
{
    if (i < -1 || i >= count())
        return;
    {
        QScopedValueRollback guard(quiet_, true);
        setCurrentRow(i);
        if (i < 0)
            clearSelection();
    }
    emit Click();
}

QString ListBox::list(int i) const
{
    const QListWidgetItem* it = item(i);
    return it ? it->text() : QString();
}

void ListBox::addItem(const QString& t, int index)
{
    if (index < 0 || index > count())
        QListWidget::addItem(t);
    else
        insertItem(index, t);
}

void ListBox::removeItem(int index)
{
    delete takeItem(index);
}

QString ListBox::text() const
{
    return list(currentRow());
}

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this] { emit Click(); }, Qt::DirectConnection);
    // A control given the focus while a dialog was up takes it only when the window comes
    // back, and this box then gets no focus-out of its own: the move is seen here.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (focused_ && now && now->window() == window() && !holds(now)) {
            focused_ = false;
            emit LostFocus();
        }
    });
}

ComboBox::ComboBox(const QString& name, QWidget* parent, bool editable) : ComboBox(parent)
{
    setObjectName(name);
    setEditable(editable);
    if (editable) {
        setInsertPolicy(QComboBox::NoInsert);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this] { emit Change(); }, Qt::DirectConnection);
    }
}

bool ComboBox::holds(const QObject* widget) const
{
    for (const QObject* o = widget; o; o = o->parent())
        if (o == this)
            return true;
    return false;
}

void ComboBox::setListIndex(int i)
{
    if (i < -1 || i >= count())
        return;
    setCurrentIndex(i);
    emit Click();
}

void ComboBox::addItem(const QString& t, int index)
{
    const bool noneSelected = currentIndex() < 0;
    if (index < 0 || index > count())
        QComboBox::addItem(t);
    else
        insertItem(index, t);
    // Qt selects the first item put into an empty list; the program expects the
    // selection to stay empty until a ListIndex is set.
    if (noneSelected && currentIndex() >= 0)
        setCurrentIndex(-1);
}

void ComboBox::removeItem(int index)
{
    QComboBox::removeItem(index);
}

void ComboBox::clear()
{
    QComboBox::clear();
    if (isEditable())
        clearEditText();
}

void ComboBox::setText(const QString& t)
{
    if (isEditable()) {
        if (currentText() == t)
            return;
        setEditText(t);
        emit Change();
        return;
    }
    const int i = findText(t, Qt::MatchFixedString);
    if (i >= 0)
        setCurrentIndex(i);
}

// The list's popup takes the focus while it is open and gives it back when it closes;
// neither that nor another window's activation is a focus change for the handlers.
static bool windowFocusChange(const QFocusEvent* e)
{
    return e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason;
}

void ComboBox::focusInEvent(QFocusEvent* e)
{
    QComboBox::focusInEvent(e);
    if (windowFocusChange(e)) {
        focused_ = true;
        emit GotFocus();
    }
}

void ComboBox::focusOutEvent(QFocusEvent* e)
{
    QComboBox::focusOutEvent(e);
    // The list's own view takes the focus from the box when the list opens.
    if (windowFocusChange(e) && !holds(QApplication::focusWidget())) {
        focused_ = false;
        emit LostFocus();
    }
}

// ---------------------------------------------------------------- VbTimer

VbTimer::VbTimer(QObject* parent) : QObject(parent) {}

VbTimer::VbTimer(const QString& name, int intervalMs, bool enabled, QObject* parent) : VbTimer(parent)
{
    setObjectName(name);
    interval_ = intervalMs;
    enabled_ = enabled;
    update();
}

void VbTimer::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    update();
}

void VbTimer::setInterval(int ms)
{
    interval_ = ms;
    ticker_.reset();
    update();
}

void VbTimer::update()
{
    if (enabled_ && interval_ > 0) {
        if (!ticker_)
            ticker_ = currentClock().every(interval_, [this] { emit Timer(); });
    } else {
        ticker_.reset();
    }
}

} // namespace platform

