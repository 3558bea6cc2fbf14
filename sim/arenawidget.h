#pragma once

#include "motion.h"
#include "pose.h"

#include <QList>
#include <QPointF>
#include <QWidget>

// Top-down view of the arena: walls, a 0.5 m grid, the robot with its heading
// and the trail it left.
class ArenaWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxTrailPoints = 800;
    static constexpr double TrailSpacingMetres = 0.01;

    explicit ArenaWidget(QWidget *parent = nullptr);

    void setRobot(const Pose &pose, Motion motion);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTransform worldToWidget() const;

    Pose m_pose;
    Motion m_motion = Motion::Stop;
    QList<QPointF> m_trail;
};
