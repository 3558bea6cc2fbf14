#include "inputtakenwatch.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

InputTakenWatch::InputTakenWatch(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    // Popups and dialogs are windows of their own, shown from anywhere in the
    // application: only the application sees them all.
    QCoreApplication::instance()->installEventFilter(this);
}

InputTakenWatch::~InputTakenWatch()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputTakenWatch::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show: {
        if (!watched->isWidgetType() || watched == m_window)
            break;
        const auto *shown = static_cast<QWidget *>(watched);
        // A tooltip is a popup's kind of window too, but takes nothing.
        if (shown->isWindow() && (shown->windowType() == Qt::Popup || shown->isModal()))
            emit inputTaken();
        break;
    }
    case QEvent::WindowStateChange:
        if (watched == m_window && m_window->isMinimized())
            emit inputTaken();
        break;
    case QEvent::Hide:
        if (watched == m_window)
            emit inputTaken();
        break;
    // A drag and drop (text out of the log, a file from elsewhere) has the
    // pointer: the pad sees no moves until it ends.
    case QEvent::DragEnter:
        emit inputTaken();
        break;
    default:
        break;
    }
    return false;
}
