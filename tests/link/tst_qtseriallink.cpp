#include "pseudoterminal.h"
#include "qtseriallink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Generous: CI machines are shared. Only ever waited on, never a pass mark.
constexpr int IoTimeoutMs = 10000;
constexpr int QuietPeriodMs = 300;

PortDirectory directoryWithPort1(const QString &device)
{
    QProcessEnvironment env;
    env.insert(PortDirectory::overrideVariable(1), device);
    return PortDirectory(env, {});
}

// The tests' settings strings are all well-formed.
LineSettings line(const QString &settings)
{
    return LineSettings::parse(settings).value();
}

// Linux ptys refuse 7 data bits (see openPutsSettingsOnTheLine_data()), not
// every system's do; nothing when the pty cannot be asked.
std::optional<bool> refusesSevenDataBits(const PseudoTerminal &far)
{
    const int probe = ::open(qPrintable(far.slavePath()), O_RDWR | O_NOCTTY);
    if (probe < 0)
        return std::nullopt;
    termios asked = far.lineSettings();
    asked.c_cflag = (asked.c_cflag & ~CSIZE) | CS7;
    const bool refused = ::tcsetattr(probe, TCSANOW, &asked) != 0;
    ::close(probe);
    return refused;
}

// Leaves this process exactly `spare` free descriptors until destroyed: the
// gaps below the highest one in use are filled, and the soft limit is set
// just above it.
class DescriptorShortage
{
public:
    explicit DescriptorShortage(int spare)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        // New descriptors take the lowest free number, so once one reaches the
        // highest in use, none below it is free.
        const int highest = highestInUse();
        int fd;
        while ((fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) != -1) {
            m_fillers.push_back(fd);
            if (fd >= highest)
                break;
        }
        if (fd == -1)
            return;
        rlimit lowered = m_saved;
        lowered.rlim_cur = rlim_t(fd) + 1 + rlim_t(spare);
        m_ready = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorShortage()
    {
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
        for (const int fd : m_fillers)
            ::close(fd);
    }
    DescriptorShortage(const DescriptorShortage &) = delete;
    DescriptorShortage &operator=(const DescriptorShortage &) = delete;

    bool isReady() const { return m_ready; }

    static int countInUse()
    {
        return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size());
    }

private:
    static int highestInUse()
    {
        int highest = -1;
        const QStringList entries = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files);
        for (const QString &entry : entries)
            highest = std::max(highest, entry.toInt());
        return highest;
    }

    rlimit m_saved{};
    std::vector<int> m_fillers;
    bool m_ready = false;
};

} // namespace

class tst_QtSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openPutsSettingsOnTheLine_data();
    void openPutsSettingsOnTheLine();
    void settingsTheOpenLineRefusesLeaveItAsItWas();
    void settingsTheDeviceRefusesFailTheOpenAndFreeThePort();
    void sendsEachCharacterAsOneByteInOrder();
    void deliversArrivalsInOrderWithOnCommForEach();
    void streamComesInGathersAndCloseLeavesNothingBehind();
    void byteWrittenJustBeforeClosingReachesTheLine();
    void refusesPortHeldByAnotherLinkUnderAnyPath();
    void refusesPortAnotherProgramHoldsThroughAnotherPath();
    void veryLongPathOpensAndNamesTheRealDevice();
    void lostPortClosesTheLinkOnceAndGoesQuiet_data();
    void lostPortClosesTheLinkOnceAndGoesQuiet();
    void portWithoutDeviceDoesNotOpen();
    void descriptorShortageIsReportedAsSuchAndLeaksNothing_data();
    void descriptorShortageIsReportedAsSuchAndLeaksNothing();
    void refusesPortNumbersOutsideTheRange();

private:
    std::unique_ptr<PseudoTerminal> m_far;
    std::unique_ptr<QtSerialLink> m_link;
};

void tst_QtSerialLink::init()
{
    m_far = std::make_unique<PseudoTerminal>();
    QVERIFY(m_far->isValid());
    m_link = std::make_unique<QtSerialLink>(directoryWithPort1(m_far->slavePath()));
}

void tst_QtSerialLink::cleanup()
{
    m_link.reset();
    m_far.reset();
}

// A Linux pty forces CS8 and no parity, and tcsetattr() then reports EINVAL, so
// only 8-bit lines without parity open here; speed and stop bits are what vary.
void tst_QtSerialLink::openPutsSettingsOnTheLine_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<speed_t>("speed");
    QTest::addColumn<bool>("twoStopBits");

    QTest::newRow("robot 8N1") << "57600,n,8,1" << speed_t(B57600) << false;
    QTest::newRow("2 stop bits") << "9600,n,8,2" << speed_t(B9600) << true;
    QTest::newRow("fast") << "115200,N,8,1" << speed_t(B115200) << false;
}

void tst_QtSerialLink::openPutsSettingsOnTheLine()
{
    QFETCH(QString, settings);
    QFETCH(speed_t, speed);
    QFETCH(bool, twoStopBits);

    QVERIFY(m_link->setSettings(line(settings)));
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    QVERIFY(m_link->portOpen());

    const termios line = m_far->lineSettings();
    QCOMPARE(cfgetospeed(&line), speed);
    QCOMPARE(cfgetispeed(&line), speed);
    QCOMPARE(bool(line.c_cflag & CSTOPB), twoStopBits);
    QCOMPARE(line.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));
}

void tst_QtSerialLink::settingsTheOpenLineRefusesLeaveItAsItWas()
{
    QVERIFY(m_link->setSettings(line("9600,n,8,2")));
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    QCOMPARE(m_far->lineSpeed(), speed_t(B9600));
    QVERIFY(m_far->lineSettings().c_cflag & CSTOPB);

    // Refused while open: the speed is taken before the data bits are not,
    // yet nothing of it stays on the line, not even the baud rate.
    const std::optional<bool> refused = refusesSevenDataBits(*m_far);
    QVERIFY(refused);
    if (!*refused)
        QSKIP("This pty accepts 7 data bits");
    QVERIFY(!m_link->setSettings(line("57600,e,7,1")));
    QVERIFY2(m_link->errorString().contains(QLatin1String("57600,e,7,1")) &&
                 m_link->errorString().contains(m_far->slavePath()),
             qPrintable(m_link->errorString()));
    QCOMPARE(m_far->lineSpeed(), speed_t(B9600));
    QVERIFY(m_far->lineSettings().c_cflag & CSTOPB);
    QCOMPARE(m_link->settings().toString(), QStringLiteral("9600,n,8,2"));

    // Whereas good settings take effect on the open line at once.
    QVERIFY(m_link->setSettings(line("57600,n,8,1")));
    QCOMPARE(m_far->lineSpeed(), speed_t(B57600));
    QVERIFY(!(m_far->lineSettings().c_cflag & CSTOPB));
}

void tst_QtSerialLink::settingsTheDeviceRefusesFailTheOpenAndFreeThePort()
{
    const std::optional<bool> refused = refusesSevenDataBits(*m_far);
    QVERIFY(refused);
    if (!*refused)
        QSKIP("This pty accepts 7 data bits");

    QVERIFY(m_link->setSettings(line("9600,e,7,1")));
    QVERIFY(!m_link->setPortOpen(true));
    QVERIFY(!m_link->portOpen());
    QVERIFY2(m_link->errorString().contains(m_far->slavePath()), qPrintable(m_link->errorString()));

    QtSerialLink next(directoryWithPort1(m_far->slavePath()));
    QVERIFY2(next.setPortOpen(true), qPrintable(next.errorString()));
}

void tst_QtSerialLink::sendsEachCharacterAsOneByteInOrder()
{
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    QString text;
    QByteArray expected;
    for (int code = 0; code <= 0xff; ++code) {
        text += QChar(code);
        expected += char(code);
    }
    m_link->setOutput(text);
    m_link->setOutput(QString());
    m_link->setOutput(QStringLiteral("\u20ac end"));
    expected += "? end";

    QByteArray received;
    QTRY_COMPARE_WITH_TIMEOUT(m_far->readInto(&received), expected.size(), IoTimeoutMs);
    QCOMPARE(received, expected);
}

void tst_QtSerialLink::byteWrittenJustBeforeClosingReachesTheLine()
{
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    m_link->setOutput(QStringLiteral("5"));
    QVERIFY(m_link->setPortOpen(false));

    QByteArray received;
    QTRY_COMPARE_WITH_TIMEOUT(m_far->readInto(&received), qsizetype(1), IoTimeoutMs);
    QCOMPARE(received, QByteArray("5"));
}

void tst_QtSerialLink::deliversArrivalsInOrderWithOnCommForEach()
{
    QSignalSpy onComm(m_link.get(), &SerialLink::OnComm);
    QVERIFY(onComm.isValid());
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));

    // CR and the XON/XOFF bytes come through only on a raw line without flow control.
    const QByteArray first("go\r\n");
    const QByteArray second("\x00\x11\x13\xff", 4);
    QVERIFY(m_far->write(first));
    QVERIFY(onComm.wait(IoTimeoutMs));
    const qsizetype afterFirst = onComm.count();
    QVERIFY(m_far->write(second));
    QTRY_VERIFY_WITH_TIMEOUT(onComm.count() > afterFirst, IoTimeoutMs);

    QByteArray received;
    QTRY_COMPARE_WITH_TIMEOUT((received += m_link->input()).size(), first.size() + second.size(),
                              IoTimeoutMs);
    QCOMPARE(received, first + second);
    QCOMPARE(m_link->input(), QByteArray());
}

void tst_QtSerialLink::streamComesInGathersAndCloseLeavesNothingBehind()
{
    QSignalSpy onComm(m_link.get(), &SerialLink::OnComm);
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));

    // A far end writing every 2 ms: at most one OnComm per gather period,
    // plus the first, however the machine keeps time; every byte in order.
    QElapsedTimer elapsed;
    elapsed.start();
    QByteArray sent;
    QByteArray received;
    for (int chunk = 0; chunk < 40; ++chunk) {
        const QByteArray bytes = QByteArray::number(chunk).rightJustified(8, '.');
        QVERIFY(m_far->write(bytes));
        sent += bytes;
        QTest::qWait(2);
        received += m_link->input();
    }
    QTRY_COMPARE_WITH_TIMEOUT((received += m_link->input()).size(), sent.size(), IoTimeoutMs);
    QCOMPARE(received, sent);
    QVERIFY2(onComm.count() <= elapsed.elapsed() / QtSerialLink::GatherPeriod.count() + 1,
             qPrintable(QStringLiteral("%1 in %2 ms").arg(onComm.count()).arg(elapsed.elapsed())));

    // Bytes the driver still holds when the port closes are taken with it.
    QVERIFY(m_far->write("last"));
    QVERIFY(m_link->setPortOpen(false));
    QCOMPARE(m_link->input(), QByteArray("last"));
}

void tst_QtSerialLink::refusesPortHeldByAnotherLinkUnderAnyPath()
{
    QVERIFY(m_link->setSettings(line("57600,n,8,1")));
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    QTemporaryDir dir;
    const QString alias = dir.filePath(QStringLiteral("by-id-robot"));
    QVERIFY(QFile::link(m_far->slavePath(), alias));

    for (const QString &path : {m_far->slavePath(), alias}) {
        QtSerialLink other(directoryWithPort1(path));
        QVERIFY2(!other.setPortOpen(true), qPrintable(path));
        QVERIFY(!other.portOpen());
        QVERIFY2(other.errorString().contains(path), qPrintable(other.errorString()));
    }

    // The holder keeps its line and its settings.
    QCOMPARE(m_far->lineSpeed(), speed_t(B57600));
    m_link->setOutput(QStringLiteral("still mine"));
    QByteArray received;
    QTRY_COMPARE_WITH_TIMEOUT(m_far->readInto(&received), qsizetype(10), IoTimeoutMs);
    QCOMPARE(received, QByteArray("still mine"));

    // Once released, the device opens under the other path.
    QVERIFY(m_link->setPortOpen(false));
    QVERIFY(!m_link->portOpen());
    QVERIFY(m_link->setPortOpen(false));
    QtSerialLink next(directoryWithPort1(alias));
    QVERIFY2(next.setPortOpen(true), qPrintable(next.errorString()));
}

// Another serial program: a plain QSerialPort takes the device's lock file and
// TIOCEXCL, which root ignores, and no flock().
void tst_QtSerialLink::refusesPortAnotherProgramHoldsThroughAnotherPath()
{
    QSerialPort program;
    program.setPortName(m_far->slavePath());
    QVERIFY2(program.open(QIODevice::ReadWrite), qPrintable(program.errorString()));
    QTemporaryDir dir;
    const QString alias = dir.filePath(QStringLiteral("by-id-robot"));
    QVERIFY(QFile::link(m_far->slavePath(), alias));

    QtSerialLink link(directoryWithPort1(alias));
    QVERIFY(!link.setPortOpen(true));
    QVERIFY2(link.errorString().contains(m_far->slavePath()), qPrintable(link.errorString()));
}

void tst_QtSerialLink::veryLongPathOpensAndNamesTheRealDevice()
{
    QTemporaryDir dir;
    QString folder = dir.path();
    while (folder.size() < 300) {
        folder += QStringLiteral("/a-rather-long-folder-name");
        QVERIFY(QDir().mkpath(folder));
    }
    const QString alias = folder + QStringLiteral("/robot");
    QVERIFY(QFile::link(m_far->slavePath(), alias));

    QtSerialLink link(directoryWithPort1(alias));
    QVERIFY2(link.setPortOpen(true), qPrintable(link.errorString()));
    QVERIFY(link.deviceName().contains(m_far->slavePath()));
}

void tst_QtSerialLink::lostPortClosesTheLinkOnceAndGoesQuiet_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    // Found by reading, or by a write, which QSerialPort words as a resource error.
    QTest::newRow("far end hung up") << "hang-up"
                                     << "hung up";
    QTest::newRow("far end hung up while writing") << "write"
                                                   << "hung up";
    // Windows says so for an unplugged adapter whose driver may never fail the
    // open handle; here the device stays healthy, so only the notice can end it.
    QTest::newRow("removal notice") << "removal"
                                    << "removed";
}

void tst_QtSerialLink::lostPortClosesTheLinkOnceAndGoesQuiet()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    // The device itself: a hung-up tty left open makes it report errors endlessly.
    auto *device = m_link->findChild<QSerialPort *>();
    QVERIFY(device);
    QSignalSpy deviceErrors(device, &QSerialPort::errorOccurred);
    QSignalSpy deviceReads(device, &QSerialPort::readyRead);
    QSignalSpy lost(m_link.get(), &SerialLink::portLost);
    QSignalSpy onComm(m_link.get(), &SerialLink::OnComm);
    QVERIFY(deviceErrors.isValid() && deviceReads.isValid());
    QVERIFY(lost.isValid() && onComm.isValid());

    if (how == QLatin1String("removal")) {
        // As the system names the device (on Windows its COM name); another
        // device's removal changes nothing.
        const QString name = device->portName();
        m_link->deviceRemoved(name + u'9');
        QVERIFY(m_link->portOpen());
        // Told by every window of the program, so more than once.
        for (int i = 0; i < 2; ++i)
            m_link->deviceRemoved(name);
    } else {
        m_far->hangUp();
        if (how == QLatin1String("write"))
            m_link->setOutput(QStringLiteral("8"));
    }

    QVERIFY(lost.wait(IoTimeoutMs));
    QVERIFY(!m_link->portOpen());
    const QString said = lost.at(0).at(0).toString();
    QVERIFY2(said.contains(m_far->slavePath()) && said.contains(reason), qPrintable(said));
    if (how == QLatin1String("write"))
        QCOMPARE(deviceErrors.first().first().value<QSerialPort::SerialPortError>(),
                 QSerialPort::ResourceError);
    QCOMPARE(m_link->errorString(), said);

    // Writing to a closed QSerialPort would warn; the link must not even try.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("not open")));
    const qsizetype errorsAtLoss = deviceErrors.count();
    const qsizetype readsAtLoss = deviceReads.count();
    for (int i = 0; i < 3; ++i)
        m_link->setOutput(QStringLiteral("anyone there?"));
    QTest::qWait(QuietPeriodMs);

    QCOMPARE(lost.count(), 1);
    QCOMPARE(onComm.count(), 0);
    QCOMPARE(deviceErrors.count(), errorsAtLoss);
    QCOMPARE(deviceReads.count(), readsAtLoss);
    QVERIFY(!m_link->portOpen());
    QCOMPARE(m_link->input(), QByteArray());
}

void tst_QtSerialLink::portWithoutDeviceDoesNotOpen()
{
    QtSerialLink unmapped(PortDirectory(QProcessEnvironment(), {}));
    QVERIFY(unmapped.setCommPort(3));
    QVERIFY(!unmapped.setPortOpen(true));
    QVERIFY(!unmapped.portOpen());
    QCOMPARE(unmapped.errorString(), QStringLiteral("No serial device for port 3"));

    const QString missing = QStringLiteral("/dev/tavimork-no-such-tty");
    QtSerialLink absent(directoryWithPort1(missing));
    QVERIFY(!absent.setPortOpen(true));
    QVERIFY(!absent.portOpen());
    QVERIFY2(absent.errorString().contains(missing), qPrintable(absent.errorString()));
}

void tst_QtSerialLink::descriptorShortageIsReportedAsSuchAndLeaksNothing_data()
{
    // Opening takes one descriptor at each step: the device lock, the lock
    // file, the device; each row runs out at another of them.
    QTest::addColumn<int>("spare");
    for (int spare = 0; spare <= 2; ++spare)
        QTest::addRow("%d spare", spare) << spare;
}

void tst_QtSerialLink::descriptorShortageIsReportedAsSuchAndLeaksNothing()
{
    QFETCH(int, spare);
    const QString shortage = QString::fromLocal8Bit(std::strerror(EMFILE));
    const int before = DescriptorShortage::countInUse();

    QStringList reasons;
    {
        DescriptorShortage limit(spare);
        QVERIFY(limit.isReady());
        // Asked after the fact, when a descriptor another thread held for a
        // moment may be free again: one spare is still a shortage.
        QCOMPARE(DeviceLock::descriptorShortage().isEmpty(), spare >= 2);
        // Again and again: a descriptor left behind by one attempt would
        // change the next one's reason.
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_link->setPortOpen(true);
            reasons << m_link->errorString();
        }
    }
    for (const QString &reason : std::as_const(reasons))
        QVERIFY2(reason.contains(shortage) && !reason.contains(QStringLiteral("another program")),
                 qPrintable(reason));
    QVERIFY(!m_link->portOpen());
    QCOMPARE(DescriptorShortage::countInUse(), before);

    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
}

void tst_QtSerialLink::refusesPortNumbersOutsideTheRange()
{
    for (const qint16 port : {qint16(0), qint16(-1), qint16(17)}) {
        QVERIFY(!m_link->setCommPort(port));
        QVERIFY(!m_link->errorString().isEmpty());
    }
    QCOMPARE(m_link->commPort(), qint16(1));
    QVERIFY(m_link->setCommPort(16));
    QVERIFY(m_link->setCommPort(1));

    // Choosing another port is for a closed link only.
    QVERIFY2(m_link->setPortOpen(true), qPrintable(m_link->errorString()));
    QVERIFY(!m_link->setCommPort(2));
    QCOMPARE(m_link->commPort(), qint16(1));
    QVERIFY(m_link->portOpen());
}

QTEST_GUILESS_MAIN(tst_QtSerialLink)
#include "tst_qtseriallink.moc"
