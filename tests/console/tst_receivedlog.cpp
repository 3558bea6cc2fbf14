#include "receivedlog.h"
#include "receivedlogview.h"
#include "receivedtextdecoder.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

namespace {
QString lastLines(const QString &text, int count)
{
    qsizetype start = 0;
    for (qsizetype over = text.count(u'\n') + 1 - count; over > 0; --over)
        start = text.indexOf(u'\n', start) + 1;
    return text.mid(start);
}

using std::chrono::milliseconds;

// Shows monotonic times as the time of day they count, so stamps are known.
QTime sinceMidnight(milliseconds time)
{
    return QTime::fromMSecsSinceStartOfDay(int(time.count()));
}

// One recorded input, as the drive thread would have made it: bytes read at
// times, decoded by the real decoder, with a stop among them. It holds a line
// break split between reads, an invalid byte, characters split between reads
// (one of them at a line's start, whose first byte came a read earlier), a
// received U+2014 at a line's start, and a line left open.
ReceivedBatch recordedInput()
{
    struct Read
    {
        int time;
        int leadTime;
        QByteArray bytes;
    };
    const QList<Read> reads = {{1000, 1000, "OK\r"},
                               {1010, 1010, "\nx=\xc3"},
                               {1020, 1010, "\xa9 \xff\n\xe2"},
                               {1030, 1020, "\x80\x94ok\npose"},
                               {1040, 1040, " 1"}};
    ReceivedTextDecoder decoder;
    ReceivedBatch batch;
    for (const Read &read : reads) {
        batch.append({ReceivedArrival::Kind::Bytes, milliseconds(read.time),
                      milliseconds(read.leadTime), read.bytes, decoder.decode(read.bytes)});
        if (read.time == 1010)
            batch.append({ReceivedArrival::Kind::Event,
                          milliseconds(1015),
                          milliseconds(1015),
                          {},
                          QStringLiteral("Stop (5) sent")});
    }
    return batch;
}

// 64 characters, numbered so that any line can be told from the others.
QString numberedLine(int number)
{
    return QStringLiteral("line %1 ").arg(number, 6, 10, QLatin1Char('0')).leftJustified(63, u'.') +
           u'\n';
}
} // namespace

class TestReceivedLog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReceivedLogView> m_view;

    // Returns the text sent.
    QString appendLines(int first, int count)
    {
        QString sent;
        for (int number = first; number < first + count; ++number) {
            sent += numberedLine(number);
            m_view->appendReceived(numberedLine(number));
        }
        return sent;
    }

    QString lineAtTop() const { return m_view->cursorForPosition(QPoint(0, 0)).block().text(); }

private slots:
    void init()
    {
        m_view = std::make_unique<ReceivedLogView>();
        m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_view->resize(593, 185);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void cleanup() { m_view.reset(); }

    void viewAppendsAfterWhatTheOperatorTyped()
    {
        QTest::keyClicks(m_view.get(), "typed");
        m_view->appendReceived("rx");
        QCOMPARE(m_view->toPlainText(), QStringLiteral("typedrx"));
        QCOMPARE(m_view->textCursor().position(), 5);
    }

    void viewLeavesTheCaretAndSelectionWhereTheyWere_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        // In "0123456789", whose end is 10.
        QTest::newRow("caret inside") << 4 << 4;
        QTest::newRow("caret at the end") << 10 << 10;
        QTest::newRow("selection inside") << 2 << 6;
        QTest::newRow("selection up to the end") << 3 << 10;
        QTest::newRow("selection back from the end") << 10 << 3;
    }
    void viewLeavesTheCaretAndSelectionWhereTheyWere()
    {
        QFETCH(int, anchor);
        QFETCH(int, position);
        m_view->appendReceived("0123456789");
        QTextCursor caret = m_view->textCursor();
        caret.setPosition(anchor);
        caret.setPosition(position, QTextCursor::KeepAnchor);
        m_view->setTextCursor(caret);
        m_view->appendReceived("more");
        QCOMPARE(m_view->toPlainText(), QStringLiteral("0123456789more"));
        QCOMPARE(m_view->textCursor().anchor(), anchor);
        QCOMPARE(m_view->textCursor().position(), position);
    }

    void viewFollowsNewTextOnlyWhileScrolledToTheEnd_data()
    {
        QTest::addColumn<bool>("scrolledUp");
        QTest::addColumn<bool>("caretAtEnd");
        QTest::newRow("at the end") << false << false;
        QTest::newRow("at the end, caret too") << false << true;
        QTest::newRow("scrolled up") << true << false;
        QTest::newRow("scrolled up, caret at the end") << true << true;
    }
    void viewFollowsNewTextOnlyWhileScrolledToTheEnd()
    {
        QFETCH(bool, scrolledUp);
        QFETCH(bool, caretAtEnd);
        appendLines(0, 100);
        QScrollBar *bar = m_view->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        if (caretAtEnd)
            m_view->moveCursor(QTextCursor::End);
        if (scrolledUp)
            bar->setValue(bar->maximum() / 2);
        const int before = bar->value();
        const int oldMaximum = bar->maximum();
        appendLines(100, 50);
        QCoreApplication::processEvents();
        // An arrival turns repainting off while it moves; it must come back on.
        QVERIFY(m_view->viewport()->updatesEnabled());
        QVERIFY(bar->maximum() > oldMaximum);
        QCOMPARE(bar->value(), scrolledUp ? before : bar->maximum());
    }

    void viewDropsTheOldestTextBeyondItsLimitAndKeepsTheNewest()
    {
        const int lines = ReceivedLogView::MaxLogCharacters / 64 + 1;
        QString sent = appendLines(0, lines);
        // Exactly the excess goes, whole lines and then part of one.
        QCOMPARE(m_view->toPlainText(), sent.right(ReceivedLogView::MaxLogCharacters));
        sent += QStringLiteral("next");
        m_view->appendReceived("next");
        QCOMPARE(m_view->toPlainText(), sent.right(ReceivedLogView::MaxLogCharacters));
    }

    void viewScrolledUpShowsTheSameLinesAfterTheOldestAreDropped()
    {
        appendLines(0, ReceivedLogView::MaxLogCharacters / 64 - 10);
        m_view->verticalScrollBar()->setValue(12000);
        const QString top = lineAtTop();
        QVERIFY(top.startsWith(u"line "));
        appendLines(20000, 20);
        QVERIFY(!m_view->toPlainText().startsWith(numberedLine(0)));
        QCOMPARE(lineAtTop(), top);
    }

    void viewBoundsTheNumberOfLinesKeepingTheNewest_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("empty lines") << QStringLiteral("\n");
        QTest::newRow("short runs of empty lines") << QStringLiteral("a\n\n\n");
        QTest::newRow("long runs of empty lines") << QStringLiteral("a") + QString(700, u'\n');
    }
    void viewBoundsTheNumberOfLinesKeepingTheNewest()
    {
        QFETCH(QString, pattern);
        // Arrivals that end anywhere in the pattern, so cuts land everywhere in it.
        constexpr int arrival = 9973;
        const int lines = ReceivedLogView::MaxLogLines + 4 * arrival;
        const QString stream = pattern.repeated(lines / pattern.count(u'\n'));
        for (qsizetype end = arrival; end < stream.size() + arrival; end += arrival) {
            m_view->appendReceived(stream.mid(end - arrival, arrival));
            QCOMPARE(m_view->toPlainText(),
                     lastLines(stream.left(end), ReceivedLogView::MaxLogLines));
        }
    }

    void viewBreaksEndlessLinesWithoutSplittingOrLosingCharacters_data()
    {
        QTest::addColumn<QString>("lead");
        QTest::newRow("even") << QString();
        QTest::newRow("odd") << QStringLiteral("a");
    }
    void viewBreaksEndlessLinesWithoutSplittingOrLosingCharacters()
    {
        QFETCH(QString, lead);
        QString sent = lead;
        m_view->appendReceived(lead);
        const QString arrival = QStringLiteral("ab") + QStringLiteral("\U0001F600").repeated(31);
        for (int i = 0; i < 100; ++i) {
            sent += arrival;
            m_view->appendReceived(arrival);
        }
        const QString log = m_view->toPlainText();
        QVERIFY(QStringView(log).isValidUtf16());
        QCOMPARE(QString(log).remove(u'\n'), sent);
        for (QTextBlock line = m_view->document()->begin(); line.isValid(); line = line.next())
            QVERIFY(line.length() - 1 <= ReceivedLogView::MaxLineCharacters);
    }

    void viewNeverKeepsHalfASurrogatePairWhenDroppingTheOldest_data()
    {
        QTest::addColumn<int>("beyondLimit");
        // Of three cuts one character apart, one lands inside a pair.
        for (int characters : {1, 2, 3})
            QTest::addRow("%d", characters) << characters;
    }
    void viewNeverKeepsHalfASurrogatePairWhenDroppingTheOldest()
    {
        QFETCH(int, beyondLimit);
        const QString line = QStringLiteral("\U0001F600").repeated(32) + u'\n';
        const QString bulk = line.repeated(ReceivedLogView::MaxLogCharacters / line.size() / 16);
        QString sent;
        for (int i = 0; i < 16; ++i) {
            sent += bulk;
            m_view->appendReceived(bulk);
        }
        const QString last(ReceivedLogView::MaxLogCharacters - sent.size() + beyondLimit, u'x');
        sent += last;
        m_view->appendReceived(last);
        const QString log = m_view->toPlainText();
        QVERIFY(log.size() < sent.size());
        QVERIFY(QStringView(log).isValidUtf16());
        QVERIFY(sent.endsWith(log));
    }

    void viewClearLogEmptiesItAndTheNextArrivalStartsAfresh()
    {
        appendLines(0, 100);
        m_view->clearLog();
        QVERIFY(m_view->toPlainText().isEmpty());
        m_view->appendReceived("new");
        QCOMPARE(m_view->toPlainText(), QStringLiteral("new"));
        // No undo history holds on to received text.
        QCOMPARE(m_view->document()->availableUndoSteps(), 0);
    }

    void viewTellsWhetherItsFontsDrawTheControlPictures_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("fallback");
        QTest::addColumn<bool>("drawn");
        // DejaVu has none of them; FreeSans (fonts-freefont-ttf) has them all.
        QTest::newRow("a font without them, alone") << "DejaVu Sans" << false << false;
        QTest::newRow("a font with them, alone") << "FreeSans" << false << true;
        QTest::newRow("a font without them, falling back") << "DejaVu Sans" << true << true;
    }
    void viewTellsWhetherItsFontsDrawTheControlPictures()
    {
        QFETCH(QString, family);
        QFETCH(bool, fallback);
        QFETCH(bool, drawn);
        const QString needed = drawn ? QStringLiteral("FreeSans") : family;
        if (!QFontDatabase::hasFamily(family) || !QFontDatabase::hasFamily(needed))
            QSKIP("the fonts of this case are not installed");
        QFont font(family);
        if (!fallback)
            font.setStyleStrategy(QFont::NoFontMerging);
        m_view->setFont(font);
        QCOMPARE(m_view->drawsControlPictures(), drawn);
    }

    void viewsShowTheSameKeptInputWhenChosenBeforeOrAfter_data()
    {
        QTest::addColumn<bool>("time");
        QTest::addColumn<bool>("events");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("shown");
        const QString received = QStringLiteral("OK\nx=\u00e9 \ufffd\n\u2014ok\npose 1");
        const QList<std::tuple<const char *, bool, bool, bool, QString>> views = {
            {"default", false, false, false, received},
            {"time", true, false, false,
             QStringLiteral("00:00:01.000 OK\n00:00:01.010 x=\u00e9 \ufffd\n"
                            "00:00:01.020 \u2014ok\n00:00:01.030 pose 1")},
            // A received line that begins like an event is set apart by a space.
            {"events", false, true, false,
             QStringLiteral("OK\nx=\n\u2014 Stop (5) sent\n\u00e9 \ufffd\n \u2014ok\npose 1")},
            {"time and events", true, true, false,
             QStringLiteral("00:00:01.000 OK\n00:00:01.010 x=\n\u2014 00:00:01.015 Stop (5) sent\n"
                            "00:00:01.010 \u00e9 \ufffd\n00:00:01.020 \u2014ok\n"
                            "00:00:01.030 pose 1")},
            // As hexdump -C shows the same bytes.
            {"hex", false, false, true,
             QStringLiteral("00000000  4f 4b 0d 0a 78 3d c3 a9  20 ff 0a e2 80 94 6f 6b  "
                            "|OK..x=.. .....ok|\n"
                            "00000010  0a 70 6f 73 65 20 31                              "
                            "|.pose 1|")},
        };
        for (const auto &[name, time, events, hex, shown] : views) {
            // Switched on before anything came, or with part of it shown already.
            QTest::addRow("%s, from the start", name) << time << events << hex << shown;
            QTest::addRow("%s, switched to midway", name) << time << events << hex << shown;
        }
    }
    void viewsShowTheSameKeptInputWhenChosenBeforeOrAfter()
    {
        QFETCH(bool, time);
        QFETCH(bool, events);
        QFETCH(bool, hex);
        QFETCH(QString, shown);
        const bool midway = QByteArray(QTest::currentDataTag()).endsWith("midway");
        ReceivedLog log(m_view.get());
        log.setClockFace(sinceMidnight);
        const ReceivedBatch input = recordedInput();
        const qsizetype before = midway ? 4 : 0;
        const auto choose = [&] {
            log.setShowTime(time);
            log.setShowEvents(events);
            log.setShowHex(hex);
        };
        if (!midway)
            choose();
        // Arrivals one batch at a time, so each open line and hex row is continued.
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (i == before && midway)
                choose();
            log.append({input.at(i)});
        }
        QCOMPARE(m_view->toPlainText(), shown);
        if (time) {
            // The stamp stands apart from the text it leads.
            QTextCursor atStamp(m_view->document());
            atStamp.setPosition(1);
            QTextCursor atText(m_view->document());
            atText.setPosition(QStringLiteral("00:00:01.000 O").size());
            QVERIFY(atStamp.charFormat().foreground() != atText.charFormat().foreground());
        }
        // And back: what was kept shows as received.
        log.setShowTime(false);
        log.setShowEvents(false);
        log.setShowHex(false);
        QCOMPARE(m_view->toPlainText(), QStringLiteral("OK\nx=\u00e9 \ufffd\n\u2014ok\npose 1"));
    }

    void stampsReadTheLocalTimeEachArrivalCameAt()
    {
        ReceivedLog log(m_view.get());
        log.setShowTime(true);
        const auto now = std::chrono::duration_cast<milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        const QTime wallNow = QTime::currentTime();
        // A recent arrival, and one kept from a month ago.
        constexpr qint64 Day = 86'400'000;
        const QList<qint64> agos = {3000, 30 * Day + 2000};
        for (const qint64 ago : agos)
            log.append({{ReceivedArrival::Kind::Bytes, now - milliseconds(ago),
                         now - milliseconds(ago), "x\n", QStringLiteral("x\n")}});
        const QStringList lines = m_view->toPlainText().split(u'\n');
        for (qsizetype line = 0; line < agos.size(); ++line) {
            const QTime shown = QTime::fromString(lines.at(line).left(12), u"hh:mm:ss.zzz");
            QVERIFY2(shown.isValid(), qPrintable(lines.at(line)));
            // Within half a second, also across midnight.
            const int apart = wallNow.addMSecs(int(-agos.at(line) % Day)).msecsTo(shown);
            const qint64 off = (apart + Day + Day / 2) % Day - Day / 2;
            QVERIFY2(qAbs(off) < 500, qPrintable(lines.at(line)));
        }
    }

    void viewIgnoresAnEmptyArrival()
    {
        appendLines(0, 100);
        m_view->verticalScrollBar()->setValue(3);
        const QString text = m_view->toPlainText();
        QSignalSpy changes(m_view->document(), &QTextDocument::contentsChange);
        m_view->appendReceived(QString());
        QCOMPARE(changes.count(), 0);
        QCOMPARE(m_view->toPlainText(), text);
        QCOMPARE(m_view->verticalScrollBar()->value(), 3);
    }
};

QTEST_MAIN(TestReceivedLog)
#include "tst_receivedlog.moc"
