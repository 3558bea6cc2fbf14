#include "arenawidget.h"

#include "robotmodel.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>

namespace {

constexpr int MarginPixels = 24;
constexpr double HalfSideMetres = RobotModel::ArenaSideMetres / 2.0;
constexpr double GridStepMetres = 0.5;

const QColor FloorColor(0xf6, 0xf3, 0xec);
const QColor GridColor(0xdd, 0xd6, 0xc8);
const QColor WallColor(0x3c, 0x3c, 0x3c);
const QColor TrailColor(0x3a, 0x7b, 0xd5, 170);
const QColor MovingColor(0x2e, 0x9d, 0x57);
const QColor StoppedColor(0x8a, 0x8a, 0x8a);

QPen cosmeticPen(const QColor &color, double widthPixels)
{
    QPen pen(color, widthPixels);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

ArenaWidget::ArenaWidget(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_trail.append({m_pose.x, m_pose.y});
}

void ArenaWidget::setRobot(const Pose &pose, Motion motion)
{
    const QPointF position(pose.x, pose.y);
    if (m_trail.isEmpty() || QLineF(m_trail.constLast(), position).length() >= TrailSpacingMetres) {
        m_trail.append(position);
        if (m_trail.size() > MaxTrailPoints)
            m_trail.removeFirst();
    }
    m_pose = pose;
    m_motion = motion;
    update();
}

QSize ArenaWidget::sizeHint() const
{
    return {480, 480};
}

QSize ArenaWidget::minimumSizeHint() const
{
    return {240, 240};
}

QTransform ArenaWidget::worldToWidget() const
{
    const double side = std::min(width(), height()) - 2.0 * MarginPixels;
    const double scale = side / RobotModel::ArenaSideMetres;
    QTransform transform;
    transform.translate(width() / 2.0, height() / 2.0);
    transform.scale(scale, -scale); // y points up in the arena
    return transform;
}

void ArenaWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(worldToWidget());

    const QRectF arena(-HalfSideMetres, -HalfSideMetres, RobotModel::ArenaSideMetres,
                       RobotModel::ArenaSideMetres);
    painter.fillRect(arena, FloorColor);
    painter.setPen(cosmeticPen(GridColor, 1.0));
    for (double at = -HalfSideMetres + GridStepMetres; at < HalfSideMetres; at += GridStepMetres) {
        painter.drawLine(QPointF(at, -HalfSideMetres), QPointF(at, HalfSideMetres));
        painter.drawLine(QPointF(-HalfSideMetres, at), QPointF(HalfSideMetres, at));
    }
    painter.setPen(cosmeticPen(WallColor, 4.0));
    painter.drawRect(arena);

    painter.setPen(cosmeticPen(TrailColor, 2.0));
    painter.drawPolyline(m_trail.constData(), static_cast<int>(m_trail.size()));

    painter.translate(m_pose.x, m_pose.y);
    painter.rotate(m_pose.headingDegrees); // counterclockwise, as y is flipped
    constexpr double r = RobotModel::RobotRadiusMetres;
    painter.setPen(cosmeticPen(WallColor, 1.5));
    painter.setBrush(m_motion == Motion::Stop ? StoppedColor : MovingColor);
    painter.drawEllipse(QPointF(0.0, 0.0), r, r);
    QPainterPath nose;
    // Long and narrow, so which corner is the front is obvious at any angle.
    nose.moveTo(r * 0.95, 0.0);
    nose.lineTo(-r * 0.6, r * 0.38);
    nose.lineTo(-r * 0.6, -r * 0.38);
    nose.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(nose);

    painter.resetTransform();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, height() - MarginPixels, width() - MarginPixels, MarginPixels),
                     Qt::AlignRight | Qt::AlignVCenter, tr("4 m × 4 m, grid 0.5 m, x →, y ↑"));
}
