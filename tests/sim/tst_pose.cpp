#include "robotmodel.h"
#include "statusformatter.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

using namespace std::chrono_literals;

namespace {

constexpr double ReachMetres = RobotModel::ReachMetres;

QString describe(const Pose &pose)
{
    return QStringLiteral("%1, %2, %3").arg(pose.x).arg(pose.y).arg(pose.headingDegrees);
}

} // namespace

// Kinematics and the pose line that reports them.
class TestPose : public QObject
{
    Q_OBJECT

private slots:
    void motionFollowsHeadingWithinWalls();
    void poseLineIsPlainDecimals_data();
    void poseLineIsPlainDecimals();
};

void TestPose::motionFollowsHeadingWithinWalls()
{
    struct Case
    {
        const char *what;
        Pose start;
        Motion motion;
        std::chrono::milliseconds duration;
        Pose expected;
    };
    const Case cases[] = {
        {"forward east", {0.2, -0.3, 0.0}, Motion::Forward, 1s, {0.7, -0.3, 0.0}},
        {"forward north", {0.2, -0.3, 90.0}, Motion::Forward, 1s, {0.2, 0.2, 90.0}},
        {"forward south-east", {0.0, 0.0, 300.0}, Motion::Forward, 1s, {0.25, -0.433013, 300.0}},
        {"backward from west", {0.2, -0.3, 180.0}, Motion::Backward, 1s, {0.7, -0.3, 180.0}},
        {"left is counterclockwise", {1.0, -1.0, 0.0}, Motion::TurnLeft, 1s, {1.0, -1.0, 90.0}},
        {"right is clockwise", {1.0, -1.0, 0.0}, Motion::TurnRight, 1s, {1.0, -1.0, 270.0}},
        {"left wraps past 360", {0.0, 0.0, 350.0}, Motion::TurnLeft, 500ms, {0.0, 0.0, 35.0}},
        {"right wraps past 0", {0.0, 0.0, 10.0}, Motion::TurnRight, 500ms, {0.0, 0.0, 325.0}},
        {"full turn", {0.0, 0.0, 0.0}, Motion::TurnLeft, 4s, {0.0, 0.0, 0.0}},
        {"east wall", {0.0, 0.5, 0.0}, Motion::Forward, 30s, {ReachMetres, 0.5, 0.0}},
        {"west wall backing", {0.0, 0.5, 0.0}, Motion::Backward, 30s, {-ReachMetres, 0.5, 0.0}},
        {"slides into corner",
         {1.5, 0.0, 30.0},
         Motion::Forward,
         30s,
         {ReachMetres, ReachMetres, 30.0}},
    };
    for (const Case &c : cases) {
        RobotModel model;
        model.setPose(c.start);
        model.setMotion(c.motion);
        model.advance(c.duration);
        const Pose pose = model.pose();
        const bool near = std::abs(pose.x - c.expected.x) < 1e-6 &&
                          std::abs(pose.y - c.expected.y) < 1e-6 &&
                          std::abs(pose.headingDegrees - c.expected.headingDegrees) < 1e-6;
        QVERIFY2(near, qPrintable(QStringLiteral("%1: %2").arg(c.what, describe(pose))));
    }
}

void TestPose::poseLineIsPlainDecimals_data()
{
    // A decimal comma here must not leak into the wire format.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTest::addColumn<Pose>("pose");

    QTest::newRow("origin") << Pose{};
    QTest::newRow("mixed signs") << Pose{0.1234, -0.4567, 90.0};
    QTest::newRow("tiny negatives") << Pose{-0.0004, -1e-17, 0.04};
    QTest::newRow("heading rounds to a full turn") << Pose{1.0, 1.0, 359.96};
    QTest::newRow("thousands") << Pose{1234.5, -9876.5, 180.0};
}

void TestPose::poseLineIsPlainDecimals()
{
    QFETCH(Pose, pose);

    const QByteArray line = StatusFormatter::pose(pose);
    static const QRegularExpression format(
        QStringLiteral(R"(^pose x=(-?\d+\.\d{3}) y=(-?\d+\.\d{3}) heading=(\d+\.\d)\r\n$)"));
    const auto match = format.match(QString::fromLatin1(line));
    QVERIFY2(match.hasMatch(), line.constData());
    QVERIFY2(!line.contains("-0.000"), line.constData());

    QVERIFY(std::abs(match.captured(1).toDouble() - pose.x) <= 0.0005);
    QVERIFY(std::abs(match.captured(2).toDouble() - pose.y) <= 0.0005);
    const double heading = match.captured(3).toDouble();
    QVERIFY2(heading < 360.0, line.constData());
    // Round the circle, so 359.96 printed as 0.0 counts as close.
    QVERIFY(std::abs(std::remainder(heading - pose.headingDegrees, 360.0)) <= 0.05 + 1e-9);
}

QTEST_GUILESS_MAIN(TestPose)
#include "tst_pose.moc"
