#pragma once
// Standard controls with the behaviour the program's handlers rely on:
// - a value set from code runs the handler at once (direct signal, before the setter
//   returns), exactly as the operator's action would;
// - signals carry the VB event names (Click, DblClick, Change, MouseDown, ...), so a
//   form connects `Check8` 's Click to its `Check8_Click` handler;
// - the designer name is the objectName.
// Mouse events pass the VB button code (1 left, 2 right, 4 middle), the VB shift code
// (1 Shift, 2 Ctrl, 4 Alt) and the position in pixels within the control.

#include "platform/runtime/Clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace platform {

// VB mouse button code of one Qt button: 1 left, 2 right, 4 middle, 0 other.
int vbButton(Qt::MouseButton button);
// VB mouse button codes of held buttons (sum of the above).
int vbButtons(Qt::MouseButtons buttons);
// VB shift code: 1 Shift, 2 Ctrl, 4 Alt.
int vbShift(Qt::KeyboardModifiers modifiers);
// VB key code of a Qt key (13 Enter, 27 Escape, 112 F1, 65 'A', ...); 0 when none.
int vbKeyCode(int qtKey);
// VB caption ("&File", "R&&D") as plain text for widgets without mnemonics ("File", "R&D").
QString stripAccelerator(const QString& caption);

// Check box: Value 0 unchecked, 1 checked, 2 grayed. Click runs whenever Value changes,
// from code or from the operator; the operator's click toggles between 0 and 1.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    CheckBox(const QString& name, const QString& caption, QWidget* parent = nullptr);
    int value() const;
    void setValue(int v); // 0, 1 or 2; anything else is treated as 1
signals:
    void Click();
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
protected:
    void nextCheckState() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// Option button: setting Value to true from code selects it (and clears its siblings)
// and runs Click when it was not selected; setting a selected button again runs nothing
// (the mode switches set their own button as their last step). The operator's click on
// an already selected button runs Click again. Setting false runs nothing.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);
    OptionButton(const QString& name, const QString& caption, QWidget* parent = nullptr);
    bool value() const { return isChecked(); }
    void setValue(bool v);
signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
private:
    bool clickRan_ = false;
};

// Command button: Click on the operator's left click or on click() from code;
// MouseDown/MouseUp for every button (the right button does not click).
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
    CommandButton(const QString& name, const QString& caption, QWidget* parent = nullptr);
signals:
    void Click();
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// Label: a caption with mouse events. setCaption takes VB's caption (a single "&" is
// not shown, "&&" shows one "&"); caption() gives it back unchanged.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    Label(const QString& name, const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
private:
    QString caption_;
    bool pressed_ = false;
};

// Scroll bar (horizontal or vertical): Change runs when Value changes, from code or
// when the operator lets the thumb go; Scroll runs while the thumb is dragged.
// SmallChange/LargeChange are Qt's singleStep/pageStep.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    ScrollBar(const QString& name, Qt::Orientation orientation, QWidget* parent = nullptr);
    // value()/setValue(int) are QScrollBar's; setValue clamps to [minimum, maximum].
signals:
    void Change();
    void Scroll();
    void GotFocus();
protected:
    void focusInEvent(QFocusEvent* e) override;
};

// Text box. Its text uses CR LF between lines, as files and handlers expect; the
// positions of SelStart/SelLength count CR LF as two characters. Change runs when the
// text changes, from code or from the operator (setting the same text runs nothing).
// Single-line by default: Enter does not add a line (KeyPress still sees 13).
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    TextBox(const QString& name, QWidget* parent = nullptr, bool multiLine = false);

    bool multiLine() const { return multiLine_; }
    void setMultiLine(bool on);

    QString text() const;
    void setText(const QString& text);

    int selStart() const;
    int selLength() const;
    QString selText() const;
    void setSelStart(int start);   // also collapses the selection, as VB does
    void setSelLength(int length);
    void setSelText(const QString& text); // replaces the selection (runs Change)

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    int maxLength() const { return maxLength_; }
    void setMaxLength(int n) { maxLength_ = n; }   // 0: no limit (operator typing only)

signals:
    void Change();
    void Click();
    void DblClick();
    // keyAscii may be changed by the handler; 0 swallows the key.
    void KeyPress(int& keyAscii);
    // keyCode may be set to 0 by the handler to swallow the key.
    void KeyDown(int& keyCode, int shift);
    void KeyUp(int& keyCode, int shift);
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void GotFocus();
    void LostFocus();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void changeEvent(QEvent* e) override;

private:
    void applyLineMode();
    int toVbPos(int docPos) const;
    int toDocPos(int vbPos) const;
    QString lastText_;
    bool multiLine_ = false;
    int maxLength_ = 0;
};

// List box: ListIndex -1 (none) to ListCount-1. Setting ListIndex from code runs Click
// (even to the index it has); the operator's selection of another item runs Click.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    ListBox(const QString& name, QWidget* parent = nullptr);
    int listIndex() const { return currentRow(); }
    void setListIndex(int i);          // -1 clears the selection; out of range: ignored
    int listCount() const { return count(); }
    QString list(int i) const;
    void addItem(const QString& text, int index = -1);
    void removeItem(int index);
    QString text() const;               // the selected item's text, "" when none
signals:
    void Click();
    void DblClick();
private:
    bool quiet_ = false;
};

// Combo box. Setting ListIndex from code runs Click (even to the index it has); the
// operator's pick runs Click (even of the item already shown). Setting Text from code:
// an editable combo shows the text and runs Change when the text is new; a list-only
// combo selects the item with that text if there is one and runs nothing. Change also
// runs when the operator edits an editable combo. GotFocus and LostFocus follow the
// keyboard focus within the window; opening the list and switching windows raise neither,
// but a control of the window given the focus meanwhile (while a dialog is up) takes it
// from the box when the window is active again.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);
    ComboBox(const QString& name, QWidget* parent = nullptr, bool editable = false);
    int listIndex() const { return currentIndex(); }
    void setListIndex(int i);
    int listCount() const { return count(); }
    QString list(int i) const { return itemText(i); }
    void addItem(const QString& text, int index = -1); // keeps ListIndex -1 when none was set
    void removeItem(int index);
    void clear();
    QString text() const { return currentText(); }
    void setText(const QString& text);
signals:
    void Click();
    void Change();
    void GotFocus();
    void LostFocus();
protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
private:
    // The box itself, its text field or its list.
    bool holds(const QObject* widget) const;
    // Between GotFocus and LostFocus: the focus is here as the handlers see it, also
    // while a dialog or another window is active.
    bool focused_ = false;
};

// Timer with VB's Enabled/Interval: enabling an enabled timer does not restart it;
// changing Interval restarts the count; Interval 0 stops the ticks. Timer is the tick.
class VbTimer : public QObject {
    Q_OBJECT
public:
    explicit VbTimer(QObject* parent = nullptr);
    VbTimer(const QString& name, int intervalMs, bool enabled, QObject* parent = nullptr);
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    int interval() const { return interval_; }
    void setInterval(int ms);
signals:
    void Timer();
private:
    void update();
    // Ticks by the program's clock (a test's clock in tests).
    std::unique_ptr<Ticker> ticker_;
    bool enabled_ = true;
    int interval_ = 0;
};

} // namespace platform
