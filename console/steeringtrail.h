#pragma once

#include "drivecommands.h"

#include <QLabel>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <optional>

class QMouseEvent;
class QWidget;

// A zone of the steering cross: a label that reports every pointer move over
// it, with or without a mouse button held, and the direction it steers (none
// for a stop zone). Clicks do nothing of their own.
class PointerLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PointerLabel(QWidget *parent, std::optional<DriveCommand> command = std::nullopt);

    std::optional<DriveCommand> command() const { return m_command; }
    // The pointer crossed this between two of its reported moves
    // (SteeringTrail::passedOver()): it counts as a move over it.
    void passOver() { emit pointerMoved(); }

signals:
    void pointerMoved();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    const std::optional<DriveCommand> m_command;
};

// The pointer's path over the steering cross between the moves Qt reports.
// Moves are samples: a quick flick out of a direction label may be reported
// once before a stop bar and next beyond it, or not again before the pointer
// leaves the window. The zones the straight path between two samples crosses
// count as passed over, in path order; the zones under the samples themselves
// get their own move events.
//
// Samples are moves over the zones and the window's background, the point
// where the pointer entered another control (moves over it are not reported)
// and the point where the straight path left the window. A pointer that comes
// back into the window starts afresh.
//
// While a mouse button is held, Qt sends every move to the control the press
// was on, wherever the pointer is. Such a move is a sample too, and counts
// for the zone under the pointer as a plain move over it would; the pressed
// zone does not see it unless the pointer is over that zone.
class SteeringTrail : public QObject
{
    Q_OBJECT

public:
    // zones: the steering labels, children of window.
    SteeringTrail(QWidget *window, QList<QWidget *> zones);

    // The zones the straight path between two points of the window passes
    // over, in order, leaving out the zone under either end.
    QList<QWidget *> zonesBetween(QPoint from, QPoint to) const;

signals:
    // The pointer went over zone on its way, or a move Qt sent to another
    // control was over it.
    void passedOver(QWidget *zone);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A move Qt sent to receiver; true when receiver must not see it.
    bool movedOver(QWidget *receiver, const QMouseEvent *move);
    void movedTo(QPoint point);
    // The pointer went where its moves are not seen.
    void lostAt(QPoint point);
    void passOver(QPoint from, QPoint to);
    QWidget *zoneAt(QPoint point) const;

    QWidget *const m_window;
    const QList<QWidget *> m_zones;
    std::optional<QPoint> m_last;
};
