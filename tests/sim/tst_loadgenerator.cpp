#include "fakeclock.h"
#include "loadgenerator.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>

using namespace std::chrono_literals;

class TestLoadGenerator : public QObject
{
    Q_OBJECT

private:
    // Pumps as the timer would for `duration` of fake time; returns all output.
    QByteArray run(LoadGenerator::Kind kind, qint64 rate, std::chrono::milliseconds duration,
                   std::chrono::milliseconds pumpEvery = LoadGenerator::PumpInterval);

    FakeClock m_clock;
    qsizetype m_largestChunk = 0;

private slots:
    void textIsNumberedLinesAtTheRate();
    void randomIncludesHostileBytes();
    void slowTextStillSendsLines();
    void highestRateIsKeptInBoundedPumps_data();
    void highestRateIsKeptInBoundedPumps();
};

QByteArray TestLoadGenerator::run(LoadGenerator::Kind kind, qint64 rate,
                                  std::chrono::milliseconds duration,
                                  std::chrono::milliseconds pumpEvery)
{
    LoadGenerator generator(kind, rate, &m_clock);
    QSignalSpy spy(&generator, &LoadGenerator::generated);
    generator.start();
    for (auto left = duration; left > 0ms; left -= pumpEvery) {
        m_clock.advance(pumpEvery);
        generator.pump();
    }
    QByteArray all;
    m_largestChunk = 0;
    for (const QList<QVariant> &arguments : spy) {
        const QByteArray chunk = arguments.constFirst().toByteArray();
        m_largestChunk = std::max(m_largestChunk, chunk.size());
        all += chunk;
    }
    return all;
}

void TestLoadGenerator::textIsNumberedLinesAtTheRate()
{
    constexpr qint64 rate = 50000;
    // Slow pumps, so each owes more than one chunk may carry.
    const QByteArray all = run(LoadGenerator::Kind::Text, rate, 2s, 500ms);
    QVERIFY(std::abs(all.size() - 2 * rate) < LoadGenerator::TextLineBytes);
    QVERIFY(all.endsWith("\r\n"));
    QVERIFY(m_largestChunk <= LoadGenerator::MaxChunkBytes);

    static const QRegularExpression format(QStringLiteral(R"(^noise (\d{6}) [ -~]+\r$)"));
    const QList<QByteArray> lines = all.chopped(1).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto match = format.match(QString::fromLatin1(lines.at(i)));
        QVERIFY2(match.hasMatch(), lines.at(i).constData());
        QCOMPARE(match.captured(1).toInt(), int(i)); // a console can spot a lost line
    }
}

void TestLoadGenerator::randomIncludesHostileBytes()
{
    constexpr qint64 rate = 100000;
    const QByteArray all = run(LoadGenerator::Kind::Random, rate, 1s);
    QCOMPARE(all.size(), rate);
    QVERIFY(all.contains('\0'));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(all);
    QVERIFY(utf8.hasError() && text.contains(QChar::ReplacementCharacter));
}

void TestLoadGenerator::slowTextStillSendsLines()
{
    // Under one line a second: lines must still go out, just rarely.
    constexpr qint64 rate = 10;
    const qsizetype lines = 20 * rate / LoadGenerator::TextLineBytes;
    QCOMPARE(run(LoadGenerator::Kind::Text, rate, 20s).size(),
             lines * LoadGenerator::TextLineBytes);
}

void TestLoadGenerator::highestRateIsKeptInBoundedPumps_data()
{
    QTest::addColumn<LoadGenerator::Kind>("kind");

    QTest::newRow("text") << LoadGenerator::Kind::Text;
    QTest::newRow("random") << LoadGenerator::Kind::Random;
}

void TestLoadGenerator::highestRateIsKeptInBoundedPumps()
{
    QFETCH(LoadGenerator::Kind, kind);
    constexpr qint64 rate = LoadGenerator::MaxBytesPerSecond;

    // Pumps an interval late still keep the rate...
    const qsizetype late = run(kind, rate, 2s, 2 * LoadGenerator::PumpInterval).size();
    QVERIFY2(std::abs(late - 2 * rate) < LoadGenerator::TextLineBytes,
             qPrintable(QString::number(late)));

    // ...and the one pump after a long stall makes no more than any: a
    // backlog made up at once would keep the simulator from its commands.
    QVERIFY(run(kind, rate, 10s, 10s).size() <= LoadGenerator::MaxPumpBytes);
}

QTEST_GUILESS_MAIN(TestLoadGenerator)
#include "tst_loadgenerator.moc"
