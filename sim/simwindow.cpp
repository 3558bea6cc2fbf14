#include "simwindow.h"

#include "arenawidget.h"
#include "commandparser.h"
#include "ptyendpoint.h"
#include "robotcontroller.h"
#include "simoptions.h"
#include "simulator.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>

namespace {

QString describe(Motion motion)
{
    switch (motion) {
    case Motion::Forward:
        return QStringLiteral("forward");
    case Motion::Backward:
        return QStringLiteral("backward");
    case Motion::TurnLeft:
        return QStringLiteral("turn left");
    case Motion::TurnRight:
        return QStringLiteral("turn right");
    case Motion::Stop:
        break;
    }
    return QStringLiteral("stopped");
}

QString floodText(const SimOptions &options)
{
    QStringList floods;
    if (options.floodTextBytesPerSecond > 0)
        floods << QStringLiteral("text %1 B/s").arg(options.floodTextBytesPerSecond);
    if (options.floodRandomBytesPerSecond > 0)
        floods << QStringLiteral("random %1 B/s").arg(options.floodRandomBytesPerSecond);
    return floods.isEmpty() ? QStringLiteral("off") : floods.join(QStringLiteral(", "));
}

} // namespace

SimWindow::SimWindow(const Simulator *simulator, const SimOptions &options, QWidget *parent)
    : QWidget(parent)
    , m_simulator(simulator)
    , m_arena(new ArenaWidget(this))
    , m_status(new QLabel(this))
{
    const QString device = simulator->endpoint()->devicePath();
    setWindowTitle(tr("Tavimork robot simulator — %1").arg(device));

    m_settings = tr("Watchdog  %1 ms\nPoses     every %2 ms\nFlood     %3")
                     .arg(options.watchdogTimeout.count())
                     .arg(options.poseInterval.count())
                     .arg(floodText(options));

    m_status->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 34);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_arena, 1);
    layout->addWidget(m_status);

    connect(simulator->controller(), &RobotController::stateChanged, this, &SimWindow::refresh);
    connect(simulator->endpoint(), &PtyEndpoint::peerConnectedChanged, this, &SimWindow::refresh);
    refresh();
}

void SimWindow::refresh()
{
    const RobotModel &model = m_simulator->controller()->model();
    const Pose pose = model.pose();
    m_arena->setRobot(pose, model.motion());

    const PtyEndpoint *endpoint = m_simulator->endpoint();
    const QString motion = model.motion() == Motion::Stop
                               ? describe(Motion::Stop)
                               : QStringLiteral("%1 (%2)")
                                     .arg(describe(model.motion()))
                                     .arg(QLatin1Char(CommandParser::byteFor(model.motion())));
    m_status->setText(tr("Device    %1\n"
                         "Console   %2\n"
                         "\n"
                         "Motion    %3\n"
                         "x         %4 m\n"
                         "y         %5 m\n"
                         "Heading   %6°\n"
                         "\n"
                         "%7\n"
                         "Dropped   %8 bytes")
                          .arg(endpoint->devicePath(),
                               endpoint->peerConnected() ? tr("connected") : tr("not connected"),
                               motion)
                          .arg(pose.x, 0, 'f', 3)
                          .arg(pose.y, 0, 'f', 3)
                          .arg(pose.headingDegrees, 0, 'f', 1)
                          .arg(m_settings)
                          .arg(endpoint->droppedBytes()));
}
