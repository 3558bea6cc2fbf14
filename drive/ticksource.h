#pragma once

#include <QObject>

// The beat the drive controller repeats its command to. Behind an interface so
// tests can fire ticks by hand instead of racing a real 16 ms timer.
class TickSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starting a running source keeps its phase: the byte rate stays steady
    // while the operator sweeps from one direction to another.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void tick();
};
