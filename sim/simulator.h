#pragma once

#include "simoptions.h"

#include <QObject>
#include <QString>

class Clock;
class PtyEndpoint;
class QTimer;
class RobotController;

// The robot at the far end of the line: wires the pseudo-terminal, the
// controller and any load generators together and steps the simulation.
class Simulator : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds StepInterval{20};

    Simulator(const SimOptions &options, const Clock *clock, QObject *parent = nullptr);

    bool start();
    QString errorString() const { return m_error; }
    const PtyEndpoint *endpoint() const { return m_endpoint; }
    const RobotController *controller() const { return m_controller; }

signals:
    void failed(const QString &reason);

private:
    PtyEndpoint *m_endpoint;
    RobotController *m_controller;
    QTimer *m_stepTimer;
    QString m_error;
};
