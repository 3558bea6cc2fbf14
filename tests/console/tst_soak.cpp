#include "drivecommands.h"
#include "drivesession.h"
#include "manualticksource.h"
#include "pseudoterminal.h"
#include "qtseriallink.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A long scripted drive of the session on its thread against a pty, with every
// byte accounted for: each tick on an open line wrote exactly one direction
// byte while one repeated, each stop exactly one "5", nothing went out while
// closed, and a far end that stopped reading got no pile of old directions.
// TAVIMORK_SOAK_SECONDS sets how long it runs (default 60).
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void everyByteIsAccountedFor()
    {
        QTemporaryDir dir;
        m_port = dir.filePath(QStringLiteral("robot"));
        QVERIFY(plugInNewRobot());
        QProcessEnvironment env;
        env.insert(PortDirectory::overrideVariable(1), m_port);
        auto *ticks = new ManualTickSource;
        DriveSessionThread drive(
            new DriveSession(std::make_unique<QtSerialLink>(PortDirectory(env, {})),
                             std::unique_ptr<TickSource>(ticks)));
        DriveSession *session = drive.session();
        // A window that stays alive throughout: the dead-man's hold has tests
        // of its own, and here it would hold back bytes the rounds expect.
        QObject::connect(session, &DriveSession::heartbeat, session, &DriveSession::windowAnswered);
        QSignalSpy closed(session, &DriveSession::portClosed);
        QSignalSpy stalled(session, &DriveSession::lineStalled);
        QVERIFY(closed.isValid() && stalled.isValid());

        const auto onDriveThread = [session](auto step) {
            QMetaObject::invokeMethod(session, step, Qt::BlockingQueuedConnection);
        };
        bool open = false;
        std::optional<DriveCommand> command;
        bool repeating = true; // the timer runs from the start
        const DriveCommand directions[] = {DriveCommand::Forward, DriveCommand::Backward,
                                           DriveCommand::Left, DriveCommand::Right};
        QRandomGenerator random(20261208);
        qsizetype fdsAtStart = -1;
        qint64 memoryAtStart = 0;
        const int seconds = qEnvironmentVariableIntValue("TAVIMORK_SOAK_SECONDS");
        QDeadlineTimer deadline((seconds > 0 ? seconds : 60) * 1000);
        int rounds = 0, losses = 0, stalls = 0;
        for (int &round = rounds; !deadline.hasExpired(); ++round) {
            if (round == 200) {
                // Counted with the port closed, as at the end.
                onDriveThread([session] { session->close(); });
                open = false;
                fdsAtStart = openFileCount();
                memoryAtStart = residentKiB();
            }
            QByteArray expected;
            switch (random.bounded(10)) {
            case 0:
            case 1: {
                const DriveCommand d = directions[random.bounded(4)];
                onDriveThread([session, d] { session->direction(d); });
                command = d;
                repeating = true;
                break;
            }
            case 2:
            case 3: {
                const int count = 1 + random.bounded(5);
                onDriveThread([ticks, count] { ticks->fire(count); });
                if (open && repeating && command)
                    expected = QByteArray(count, byteOf(*command));
                break;
            }
            case 4:
                onDriveThread([session] { session->stop(); });
                expected = open ? QByteArray("5") : QByteArray();
                repeating = false;
                break;
            case 5:
                onDriveThread([session] { session->halt(); });
                repeating = false;
                break;
            case 6: {
                DriveSession::OpenResult result;
                QMetaObject::invokeMethod(
                    session, [session] { return session->open(1); }, Qt::BlockingQueuedConnection,
                    &result);
                QVERIFY2(result.opened || open, qPrintable(result.detail));
                open = true;
                break;
            }
            case 7:
                onDriveThread([session] { session->close(); });
                open = false;
                break;
            case 8:
                if (open) {
                    closed.clear();
                    m_far->hangUp();
                    QTRY_COMPARE(closed.count(), 1);
                    QVERIFY(!closed.takeFirst().at(1).toString().isEmpty());
                    ++losses;
                    open = false;
                    QVERIFY(plugInNewRobot());
                }
                break;
            case 9:
                if (open && repeating && command) {
                    // Nobody reads while far more ticks go by than the line holds,
                    // in batches short enough for a live window's answers.
                    onDriveThread([session, ticks] {
                        for (int batch = 0; batch < 30; ++batch) {
                            session->windowAnswered();
                            ticks->fire(1000);
                        }
                    });
                    QTRY_VERIFY(!stalled.isEmpty() && stalled.last().at(0).toBool());
                    onDriveThread([session] { session->stop(); });
                    repeating = false;
                    QVERIFY(drainStall(byteOf(*command)));
                    QTRY_VERIFY(!stalled.last().at(0).toBool());
                    stalled.clear();
                    ++stalls;
                }
                break;
            }
            QVERIFY2(readExactly(expected), qPrintable(QStringLiteral("round %1").arg(round)));
        }
        qInfo("%d rounds, %d losses, %d stalls", rounds, losses, stalls);
        QVERIFY(fdsAtStart > 0);
        onDriveThread([session] { session->close(); });
        QCOMPARE(openFileCount(), fdsAtStart);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory; it checks leaks itself
        QVERIFY2(residentKiB() - memoryAtStart < 4096,
                 qPrintable(QStringLiteral("%1 KiB more").arg(residentKiB() - memoryAtStart)));
#endif
    }

private:
    // A fresh pty behind the same port path, as after re-plugging an adapter.
    bool plugInNewRobot()
    {
        m_far = std::make_unique<PseudoTerminal>();
        QFile::remove(m_port);
        return m_far->isValid() && QFile::link(m_far->slavePath(), m_port);
    }

    // The far end received exactly these bytes since the last look.
    bool readExactly(const QByteArray &expected)
    {
        QByteArray received;
        QDeadlineTimer patience(5000);
        while (received.size() < expected.size() && !patience.hasExpired())
            m_far->readInto(&received);
        // Anything extra would already be in flight.
        QTest::qWait(expected.isEmpty() ? 2 : 1);
        m_far->readInto(&received);
        if (received != expected)
            qWarning() << "expected" << expected << "received" << received.left(64);
        return received == expected;
    }

    // What a stalled line let through: only old directions, then the stop.
    bool drainStall(char direction)
    {
        QByteArray received;
        QDeadlineTimer patience(5000);
        while (!received.endsWith('5') && !patience.hasExpired())
            m_far->readInto(&received);
        return received.endsWith('5') && received.count(direction) == received.size() - 1 &&
               received.size() < 30000;
    }

    static qsizetype openFileCount()
    {
        return QDir(QStringLiteral("/proc/self/fd")).count();
    }
    static qint64 residentKiB()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        return 0;
    }

    QString m_port;
    std::unique_ptr<PseudoTerminal> m_far;
};

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
