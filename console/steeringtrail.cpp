#include "steeringtrail.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

PointerLabel::PointerLabel(QWidget *parent, std::optional<DriveCommand> command)
    : QLabel(parent)
    , m_command(command)
{
    // Without tracking Qt only reports moves while a button is held.
    setMouseTracking(true);
}

void PointerLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit pointerMoved();
    event->accept();
}

SteeringTrail::SteeringTrail(QWidget *window, QList<QWidget *> zones)
    : QObject(window)
    , m_window(window)
    , m_zones(std::move(zones))
{
    // Moves over the plain background between the zones are samples too.
    m_window->setMouseTracking(true);
    m_window->installEventFilter(this);
    // Every control and its parts, for the zones' moves, the other controls'
    // entries and the moves Qt sends a pressed control during a drag.
    for (QWidget *child : m_window->findChildren<QWidget *>())
        child->installEventFilter(this);
}

bool SteeringTrail::eventFilter(QObject *watched, QEvent *event)
{
    // Runs before a zone's own handler, so its step follows those passed on the way.
    auto *widget = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::MouseMove:
        return movedOver(widget, static_cast<QMouseEvent *>(event));
    case QEvent::Enter:
        if (widget == m_window) {
            m_last.reset();
        } else if (!m_zones.contains(widget)) {
            // Another control: its moves are not reported, only where it was entered.
            if (const auto *enter = dynamic_cast<QEnterEvent *>(event))
                lostAt(widget->mapTo(m_window, enter->position().toPoint()));
            else
                m_last.reset();
        }
        break;
    case QEvent::Leave:
        // The event says nothing of where; the pointer is there or a little beyond.
        if (widget == m_window)
            lostAt(m_window->mapFromGlobal(QCursor::pos()));
        break;
    default:
        break;
    }
    return false;
}

bool SteeringTrail::movedOver(QWidget *receiver, const QMouseEvent *move)
{
    const bool dragging = move->buttons() != Qt::NoButton;
    // Without a button held only the zones and the background report moves,
    // each over itself; other controls' moves are their own business.
    if (!dragging && receiver != m_window && !m_zones.contains(receiver))
        return false;
    const QPoint point = receiver->mapTo(m_window, move->position().toPoint());
    movedTo(point);
    // While a button is held Qt sends every move to the control the press was
    // on, wherever the pointer is. The move belongs to what is under the
    // pointer: a drag from a label into a bar must stop like a plain move.
    QWidget *under = zoneAt(point);
    if (under == receiver)
        return false;
    if (under)
        emit passedOver(under);
    // The pressed zone's own handler would run for a point it is not under.
    return m_zones.contains(receiver);
}

void SteeringTrail::movedTo(QPoint point)
{
    if (m_last)
        passOver(*m_last, point);
    m_last = point;
}

void SteeringTrail::lostAt(QPoint point)
{
    if (m_last)
        passOver(*m_last, point);
    m_last.reset();
}

void SteeringTrail::passOver(QPoint from, QPoint to)
{
    const QList<QWidget *> zones = zonesBetween(from, to);
    for (QWidget *zone : zones)
        emit passedOver(zone);
}

QList<QWidget *> SteeringTrail::zonesBetween(QPoint from, QPoint to) const
{
    // Whole-pixel steps along the longer axis: every zone is wider than a
    // pixel, so none is stepped over, and the topmost widget at each step is
    // the one a move there would have reached.
    const QPoint delta = to - from;
    const int steps = std::max(std::abs(delta.x()), std::abs(delta.y()));
    const QRect inside = m_window->rect();
    QList<QWidget *> passed;
    QWidget *current = zoneAt(from);
    bool reachedEnd = true;
    for (int i = 1; i <= steps; ++i) {
        const QPoint point = from + delta * i / steps;
        // Past the window's edge the path is no business of this window.
        if (!inside.contains(point)) {
            reachedEnd = false;
            break;
        }
        QWidget *zone = zoneAt(point);
        if (zone != current && zone)
            passed.append(zone);
        current = zone;
    }
    // The end sample's zone has a move event of its own.
    if (reachedEnd && current && !passed.isEmpty() && passed.constLast() == current)
        passed.removeLast();
    return passed;
}

QWidget *SteeringTrail::zoneAt(QPoint point) const
{
    QWidget *widget = m_window->childAt(point);
    return m_zones.contains(widget) ? widget : nullptr;
}
