#include "escapekey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

namespace {
// A held key repeats after the server's delay (660 ms by default, 250 ms on
// many desktops) and then some 25 times a second.
constexpr quint64 RepeatGapMs = 700;
} // namespace

EscapeKey::EscapeKey(QWidget *window)
    : QObject(window)
    , m_shortcut(new QShortcut(QKeySequence(Qt::Key_Escape), window))
{
    m_shortcut->setAutoRepeat(false);
    connect(m_shortcut, &QShortcut::activated, this, &EscapeKey::pressed);
    // The release goes to whatever has the focus by then, a dialog's control
    // as well: only the application sees them all.
    QCoreApplication::instance()->installEventFilter(this);
}

EscapeKey::~EscapeKey()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EscapeKey::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Qt asks the focused control whether it takes the key before it
        // fires the shortcut: taking it here keeps the shortcut quiet and
        // hands the key on as a plain press.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Escape) {
            // The server repeats only the key pressed last.
            m_down = false;
            break;
        }
        const quint64 at = key->timestamp();
        if (at == m_lastPressAt)
            break;
        const bool repeat = m_down && at - m_lastPressAt <= RepeatGapMs;
        m_down = true;
        m_lastPressAt = at;
        if (repeat) {
            key->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            m_down = false;
        break;
    }
    case QEvent::ApplicationActivate:
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowActivate:
        m_down = false;
        break;
    default:
        break;
    }
    return false;
}
