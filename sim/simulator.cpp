#include "simulator.h"

#include "loadgenerator.h"
#include "ptyendpoint.h"
#include "robotcontroller.h"

#include <QTimer>

#include <utility>

Simulator::Simulator(const SimOptions &options, const Clock *clock, QObject *parent)
    : QObject(parent)
    , m_endpoint(new PtyEndpoint(this))
    , m_controller(new RobotController(clock, options.watchdogTimeout, options.poseInterval, this))
    , m_stepTimer(new QTimer(this))
{
    connect(m_endpoint, &PtyEndpoint::received, m_controller, &RobotController::handleBytes);
    connect(m_controller, &RobotController::statusLine, m_endpoint, &PtyEndpoint::write);
    connect(m_endpoint, &PtyEndpoint::failed, this, &Simulator::failed);

    m_stepTimer->setTimerType(Qt::PreciseTimer);
    m_stepTimer->setInterval(StepInterval);
    connect(m_stepTimer, &QTimer::timeout, m_controller, &RobotController::tick);

    const std::pair<LoadGenerator::Kind, qint64> floods[] = {
        {LoadGenerator::Kind::Text, options.floodTextBytesPerSecond},
        {LoadGenerator::Kind::Random, options.floodRandomBytesPerSecond},
    };
    for (const auto &[kind, rate] : floods) {
        if (rate <= 0)
            continue;
        auto *generator = new LoadGenerator(kind, rate, clock, this);
        connect(generator, &LoadGenerator::generated, m_endpoint, &PtyEndpoint::write);
    }
}

bool Simulator::start()
{
    if (!m_endpoint->open()) {
        m_error = m_endpoint->errorString();
        return false;
    }
    m_stepTimer->start();
    for (auto *generator : findChildren<LoadGenerator *>(Qt::FindDirectChildrenOnly))
        generator->start();
    return true;
}
