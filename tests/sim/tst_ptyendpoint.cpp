#include "pseudoterminal.h"
#include "ptyendpoint.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr int TimeoutMs = 10000;

} // namespace

class TestPtyEndpoint : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void consolesComeAndGo();
    void slowConsoleLosesWholeWritesOnly();

private:
    PtyEndpoint *m_endpoint = nullptr;
    QSignalSpy *m_failures = nullptr;
    QByteArray m_received;
};

void TestPtyEndpoint::init()
{
    m_endpoint = new PtyEndpoint(this);
    QVERIFY2(m_endpoint->open(), qPrintable(m_endpoint->errorString()));
    m_failures = new QSignalSpy(m_endpoint, &PtyEndpoint::failed);
    m_received.clear();
    connect(m_endpoint, &PtyEndpoint::received, this,
            [this](const QByteArray &bytes) { m_received += bytes; });
}

void TestPtyEndpoint::cleanup()
{
    // A hung-up master wakes the endpoint with EIO, which it reports as failure.
    QCOMPARE(m_failures->size(), 0);
    delete m_failures;
    delete m_endpoint;
}

void TestPtyEndpoint::consolesComeAndGo()
{
    m_endpoint->write("sent to nobody\r\n");
    // CR, LF and control characters must pass untouched both ways.
    for (const QByteArray bytes : {"8\r\n", "6\x03\x04", "5\x1a"}) {
        // Settings as found: the endpoint must have made the device raw itself.
        PseudoTerminal console(m_endpoint->devicePath(), PseudoTerminal::Settings::AsFound);
        QVERIFY(console.isValid());
        QTRY_VERIFY_WITH_TIMEOUT(m_endpoint->peerConnected(), TimeoutMs);
        QVERIFY(console.write(bytes));
        QTRY_COMPARE_WITH_TIMEOUT(m_received, bytes, TimeoutMs);
        m_received.clear();

        // Only what was sent while this console was there, never older lines.
        m_endpoint->write("fresh\r" + bytes);
        QTRY_COMPARE_WITH_TIMEOUT(console.received(), "fresh\r" + bytes, TimeoutMs);
        m_endpoint->write("left unread\r\n");
        console.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!m_endpoint->peerConnected(), TimeoutMs);
        QTest::qWait(50); // room for a hangup to show
        QCOMPARE(m_failures->size(), 0);
    }
}

void TestPtyEndpoint::slowConsoleLosesWholeWritesOnly()
{
    PseudoTerminal console(m_endpoint->devicePath());
    QVERIFY(console.isValid());
    QTRY_VERIFY_WITH_TIMEOUT(m_endpoint->peerConnected(), TimeoutMs);

    // Far more than the kernel's buffers and our queue hold together.
    constexpr int lineCount = 400;
    constexpr int lineBytes = 1000;
    for (int i = 0; i < lineCount; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(5, '0');
        m_endpoint->write(number.leftJustified(lineBytes - 2, '.') + "\r\n");
    }
    QVERIFY(m_endpoint->droppedBytes() > 0);

    QTRY_COMPARE_WITH_TIMEOUT(console.received().size() + m_endpoint->droppedBytes(),
                              qint64(lineCount) * lineBytes, TimeoutMs);
    const QList<QByteArray> lines = console.lines();
    QCOMPARE(lines.size() * lineBytes, console.received().size()); // whole lines only
    int previous = -1;
    for (const QByteArray &line : lines) {
        QCOMPARE(line.size(), lineBytes - 2);     // nothing torn
        QVERIFY(line.left(5).toInt() > previous); // in order, gaps only
        previous = line.left(5).toInt();
    }
}

QTEST_GUILESS_MAIN(TestPtyEndpoint)
#include "tst_ptyendpoint.moc"
