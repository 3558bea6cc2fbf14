#include "keyboardcontrolbutton.h"

#include "keytable.h"
#include "systemkeyboard.h"

#include <QKeyEvent>
#include <QPen>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int FocusFrameWidth = 2;
// Inside the button's own bevel, so the frame never changes its size.
constexpr int FocusFrameInset = 4;

// A key is the same physical key from press to release even if Num Lock or
// Shift changed in between, so the scan code identifies it where there is one.
int physicalKey(const QKeyEvent *event)
{
    return event->nativeScanCode() ? int(event->nativeScanCode()) : event->key();
}

// Qt reports a letter key as its letter in the active layout. Where that is
// outside the Latin alphabet (Cyrillic, Greek), the key counts as the Latin
// letter the keyboard map gives it, so W/A/S/D steer by their place. Latin
// layouts keep their printed letters (AZERTY's Z is Z); digits and other keys
// are not letters and stay as they are.
int virtualKeyCode(const QKeyEvent *event)
{
    int key = event->key();
    const bool otherLetter = key < Qt::Key_Escape && QChar::isLetter(char32_t(key)) &&
                             !(key >= Qt::Key_A && key <= Qt::Key_Z);
    if (otherLetter) {
        if (const std::optional<Qt::Key> latin = SystemKeyboard::latinLetterForKey(
                event->nativeScanCode(), event->nativeVirtualKey()))
            key = *latin;
    }
    return KeyTable::virtualKeyCode(key, event->modifiers());
}

bool isArrowKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}
} // namespace

bool KeyboardControlButton::event(QEvent *event)
{
    // Accepting the override has Qt deliver the key here instead of firing
    // the window's shortcut: a key on this button halts, and its release stops.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void KeyboardControlButton::keyPressEvent(QKeyEvent *event)
{
    const std::optional<DriveCommand> direction = KeyTable::direction(virtualKeyCode(event));
    if (direction)
        m_heldSteeringKeys.insert(physicalKey(event));
    emit keyDown(direction);
    // A push button hands the focus to a sibling on arrow keys; here they are
    // keys like any other, and the next steering key must still reach this.
    if (isArrowKey(event->key())) {
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void KeyboardControlButton::keyReleaseEvent(QKeyEvent *event)
{
    // Where the platform still reports a held key's repeats as release+press
    // pairs, the release half is not the operator letting go.
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    m_heldSteeringKeys.remove(physicalKey(event));
    emit keyUp();
    QPushButton::keyReleaseEvent(event);
}

void KeyboardControlButton::focusOutEvent(QFocusEvent *event)
{
    if (!m_heldSteeringKeys.isEmpty()) {
        m_heldSteeringKeys.clear();
        emit focusLostWithSteeringKeyHeld();
    }
    QPushButton::focusOutEvent(event);
}

void KeyboardControlButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    // CR LF separates caption lines; a lone CR would show as a box.
    QString shown = text();
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), shown,
                         QPalette::ButtonText);

    // Styles frame the focus only after keyboard navigation, but whether keys
    // steer matters just as much after a click.
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), FocusFrameWidth));
        painter.setBrush(Qt::NoBrush);
        const int inset = FocusFrameInset + FocusFrameWidth / 2;
        painter.drawRect(rect().adjusted(inset, inset, -inset, -inset));
    }
}
