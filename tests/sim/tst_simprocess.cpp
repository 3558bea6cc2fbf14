#include "poseline.h"
#include "pseudoterminal.h"
#include "robotmodel.h"
#include "simprocess.h"

#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <optional>

using namespace std::chrono_literals;

namespace {

constexpr int TimeoutMs = 15000;
constexpr auto WatchdogTimeout = 1000ms;

std::optional<Pose> parsePose(const QByteArray &line)
{
    return parsePoseLine(QString::fromLatin1(line));
}

// Pose lines after the last `marker` line; all of them for an empty marker.
QList<QByteArray> posesAfter(const QList<QByteArray> &lines, const QByteArray &marker = {})
{
    const qsizetype at = marker.isEmpty() ? -1 : lines.lastIndexOf(marker);
    if (!marker.isEmpty() && at < 0)
        return {};
    QList<QByteArray> poses;
    for (qsizetype i = at + 1; i < lines.size(); ++i) {
        if (lines.at(i).startsWith("pose "))
            poses.append(lines.at(i));
    }
    return poses;
}

double latestX(PseudoTerminal &console)
{
    const QList<QByteArray> poses = posesAfter(console.lines());
    const auto pose = poses.isEmpty() ? std::nullopt : parsePose(poses.constLast());
    return pose ? pose->x : 0.0;
}

} // namespace

class TestSimProcess : public QObject
{
    Q_OBJECT

private slots:
    void drivesOverThePty();
    void terminationSignalsExitCleanly_data();
    void terminationSignalsExitCleanly();
    void screenshotShowsTheArena();
};

void TestSimProcess::drivesOverThePty()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--headless", "--watchdog-ms", QString::number(WatchdogTimeout.count())}),
             qPrintable(sim.errorString()));
    PseudoTerminal console(sim.devicePath());
    QVERIFY(console.isValid());

    // Forward, refreshed every 16 ms like a held key.
    QTimer refresher;
    connect(&refresher, &QTimer::timeout, &refresher, [&console] { console.write("8"); });
    refresher.start(16ms);
    QTest::qWait(500);
    QTRY_VERIFY_WITH_TIMEOUT(latestX(console) > 0.1, TimeoutMs);
    refresher.stop();
    QVERIFY(console.lines().contains("event drive cmd=8"));

    // Stop: the pose holds still from then on.
    const QByteArray commandStop("event stop reason=command");
    QVERIFY(console.write("5"));
    QTRY_VERIFY_WITH_TIMEOUT(posesAfter(console.lines(), commandStop).size() >= 3, TimeoutMs);
    const QList<QByteArray> stopped = posesAfter(console.lines(), commandStop);
    QCOMPARE(QSet<QByteArray>(stopped.cbegin(), stopped.cend()).size(), 1);

    // One command, then silence: the watchdog stops it after a timeout's worth of travel.
    const QByteArray watchdogStop("event stop reason=watchdog");
    QVERIFY(console.write("8"));
    QTRY_VERIFY_WITH_TIMEOUT(!posesAfter(console.lines(), watchdogStop).isEmpty(), TimeoutMs);
    const QList<QByteArray> lines = console.lines();
    QVERIFY(lines.lastIndexOf("event drive cmd=8") > lines.indexOf(commandStop));
    const double travelled = parsePose(posesAfter(lines, watchdogStop).constFirst())->x -
                             parsePose(stopped.constFirst())->x;
    const double expected = RobotModel::LinearSpeedMetresPerSecond *
                            std::chrono::duration<double>(WatchdogTimeout).count();
    QVERIFY2(std::abs(travelled - expected) < 0.02, qPrintable(QString::number(travelled)));

    QCOMPARE(console.received().count('\n'), console.received().count("\r\n"));
}

void TestSimProcess::terminationSignalsExitCleanly_data()
{
    QTest::addColumn<int>("signalNumber");

    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestSimProcess::terminationSignalsExitCleanly()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("robot"));

    SimProcess sim;
    QVERIFY2(sim.start({"--headless", "--link", link}), qPrintable(sim.errorString()));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());

    QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), signalNumber), 0);
    QVERIFY(sim.process().waitForFinished(TimeoutMs));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink()); // cleanup ran
}

void TestSimProcess::screenshotShowsTheArena()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("arena.png"));

    SimProcess sim;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    sim.process().setProcessEnvironment(environment);
    QVERIFY2(sim.start({"--screenshot", file, "--screenshot-delay-ms", "300"}),
             qPrintable(sim.errorString()));
    QVERIFY(sim.process().waitForFinished(TimeoutMs));
    QCOMPARE(sim.process().exitCode(), 0);

    const QImage image(file);
    QVERIFY(image.width() >= 400 && image.height() >= 240);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY2(colours.size() >= 5, "the window looks blank");
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
