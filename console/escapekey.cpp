#include "escapekey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

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
        if (key->key() != Qt::Key_Escape)
            break;
        if (m_down && key->timestamp() != m_downAt) {
            key->accept();
            return true;
        }
        m_down = true;
        m_downAt = key->timestamp();
        break;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            m_down = false;
        break;
    }
    // A release that happens in another program's window is never seen here:
    // the next press counts again.
    case QEvent::ApplicationDeactivate:
        m_down = false;
        break;
    default:
        break;
    }
    return false;
}
