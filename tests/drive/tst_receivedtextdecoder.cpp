#include "receivedtextdecoder.h"

#include <QStringDecoder>
#include <QTest>

namespace {
QString decodeAll(const QByteArrayList &arrivals)
{
    ReceivedTextDecoder decoder;
    QString text;
    for (const QByteArray &bytes : arrivals)
        text += decoder.decode(bytes);
    return text;
}
} // namespace

class TestReceivedTextDecoder : public QObject
{
    Q_OBJECT

private slots:
    void showsACharacterSplitOverTwoArrivalsOnceAndWhole_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("splitAt");
        const QList<std::pair<QByteArray, QString>> characters = {
            {"\xC3\xA9", QStringLiteral("\u00E9")},
            {"\xE2\x82\xAC", QStringLiteral("\u20AC")},
            {"\xF0\x9F\x98\x80", QStringLiteral("\U0001F600")}};
        for (const auto &[utf8, character] : characters)
            for (int at = 1; at < utf8.size(); ++at)
                QTest::addRow("%d bytes, split after %d", int(utf8.size()), at)
                    << utf8 << character << at;
    }
    void showsACharacterSplitOverTwoArrivalsOnceAndWhole()
    {
        QFETCH(QByteArray, utf8);
        QFETCH(QString, character);
        QFETCH(int, splitAt);
        ReceivedTextDecoder decoder;
        QCOMPARE(decoder.decode("a" + utf8.left(splitAt)), QStringLiteral("a"));
        QCOMPARE(decoder.decode(utf8.mid(splitAt) + "b"), character + u'b');
    }

    void replacesInvalidBytesWithoutLosingTheTextAfterThem_data()
    {
        QTest::addColumn<QByteArray>("invalid");
        QTest::newRow("stray FF") << QByteArray("\xFF");
        QTest::newRow("lone continuation byte") << QByteArray("\x80");
        QTest::newRow("3-byte character cut short") << QByteArray("\xE2\x82");
        QTest::newRow("4-byte character cut short") << QByteArray("\xF0\x9F\x98");
        QTest::newRow("overlong NUL") << QByteArray("\xC0\x80");
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80");
    }
    void replacesInvalidBytesWithoutLosingTheTextAfterThem()
    {
        QFETCH(QByteArray, invalid);
        const QByteArray stream = "x" + invalid + "(AB";
        // Wherever the serial driver cuts the stream.
        for (int at = 0; at <= stream.size(); ++at) {
            const QString text = decodeAll({stream.left(at), stream.mid(at)});
            QVERIFY2(text.startsWith(u'x') && text.endsWith(u"(AB"), qPrintable(text));
            const QString replaced = text.mid(1, text.size() - 4);
            QVERIFY2(!replaced.isEmpty(), qPrintable(text));
            QCOMPARE(replaced.count(QChar::ReplacementCharacter), replaced.size());
        }
    }

    void showsLineBreaksAndControlBytes_data()
    {
        QTest::addColumn<QByteArrayList>("arrivals");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArrayList{"OK\r\n"} << "OK\n";
        QTest::newRow("CR LF after the text") << QByteArrayList{"O", "K", "\r\n"} << "OK\n";
        QTest::newRow("CR LF split") << QByteArrayList{"OK\r", "\n"} << "OK\n";
        QTest::newRow("CR LF split by an empty arrival")
            << QByteArrayList{"OK\r", "", "\nGO"} << "OK\nGO";
        QTest::newRow("lone LF") << QByteArrayList{"a\nb"} << "a\nb";
        QTest::newRow("lone CR, then text") << QByteArrayList{"\r", "ab"} << "\nab";
        QTest::newRow("CR CR LF") << QByteArrayList{"\r\r\n"} << "\n\n";
        QTest::newRow("LF CR") << QByteArrayList{"a\n\rb"} << "a\n\nb";
        QTest::newRow("NUL") << QByteArrayList{QByteArray("a\0b", 3)} << QStringLiteral("a\u2400b");
        QTest::newRow("ESC") << QByteArrayList{"a\x1b[0mb"} << QStringLiteral("a\u241B[0mb");
        QTest::newRow("BEL, BS, unit separator")
            << QByteArrayList{"\x07\x08\x1f"} << QStringLiteral("\u2407\u2408\u241F");
        QTest::newRow("DEL") << QByteArrayList{"a\x7f", "b"} << QStringLiteral("a\u2421b");
        QTest::newRow("TAB stays a tab") << QByteArrayList{"a\tb"} << QStringLiteral("a\tb");
        // Characters the text engine would take as objects, lines or frames.
        QTest::newRow("object placeholder, separators, frame marks")
            << QByteArrayList{"a\xEF\xBF\xBC", "\xE2\x80\xA8\xE2\x80\xA9",
                              "\xEF\xB7\x90"
                              "b"}
            << QStringLiteral("a\uFFFD\uFFFD\uFFFD\uFFFDb");
    }
    void showsLineBreaksAndControlBytes()
    {
        QFETCH(QByteArrayList, arrivals);
        QFETCH(QString, shown);
        QCOMPARE(decodeAll(arrivals), shown);
    }

    void showsControlBytesByNameWhereTheirPicturesCannotBeDrawn_data()
    {
        QTest::addColumn<QByteArrayList>("arrivals");
        QTest::addColumn<QString>("shown");
        QTest::newRow("NUL") << QByteArrayList{QByteArray("a\0b", 3)} << "a<NUL>b";
        QTest::newRow("ESC sequence") << QByteArrayList{"\x1b[0m"} << "<ESC>[0m";
        QTest::newRow("BEL, BS, unit separator")
            << QByteArrayList{"\x07\x08\x1f"} << "<BEL><BS><US>";
        QTest::newRow("DEL, then text") << QByteArrayList{"a\x7f", "b"} << "a<DEL>b";
        QTest::newRow("line breaks and TAB keep their meaning")
            << QByteArrayList{"a\tb\r", "\nc\rd\n"} << "a\tb\nc\nd\n";
        QTest::newRow("character split around a control")
            << QByteArrayList{"\xE2\x82", "\xAC\x1b"} << QStringLiteral("\u20AC<ESC>");
    }
    void showsControlBytesByNameWhereTheirPicturesCannotBeDrawn()
    {
        QFETCH(QByteArrayList, arrivals);
        QFETCH(QString, shown);
        ReceivedTextDecoder decoder;
        decoder.setControlForm(ReceivedTextDecoder::ControlForm::Name);
        QString text;
        for (const QByteArray &bytes : arrivals)
            text += decoder.decode(bytes);
        QCOMPARE(text, shown);
    }

    void controlPicturesHoldEveryPictureTheLogCanBeSent()
    {
        // The log's font is checked against this set: a picture missing from
        // it would show as an empty box where the font lacks it.
        const QString pictures = ReceivedTextDecoder::controlPictures();
        for (int byte = 0; byte < 0x80; ++byte) {
            const QString shown = decodeAll({QByteArray(1, char(byte))});
            for (const QChar ch : shown) {
                if (ch.unicode() < 0x20 || ch.unicode() >= 0x7f)
                    QVERIFY2(ch == u'\n' || ch == u'\t' || pictures.contains(ch),
                             qPrintable(QStringLiteral("byte %1").arg(byte, 2, 16)));
            }
        }
    }

    void resetForgetsHalfReceivedInput()
    {
        ReceivedTextDecoder decoder;
        decoder.decode("\r\xE2\x82");
        decoder.reset();
        QCOMPARE(decoder.decode("\nA"), QStringLiteral("\nA"));
    }

    void qtAloneLosesTheByteAfterASequenceLeftOpenByAnEarlierCall()
    {
        // What the decoder's own handling of unfinished tails is for.
        const QByteArray open("\xE2\x82");
        QStringDecoder qt(QStringDecoder::Utf8);
        QString alone = qt.decode(open);
        alone += qt.decode(QByteArray("A"));
        if (alone.endsWith(u'A'))
            QSKIP("This Qt keeps the byte: the decoder could leave unfinished tails to it");
        QCOMPARE(alone, QString(QChar::ReplacementCharacter));
        // Over two arrivals the decoder shows what Qt makes of them in one call.
        QCOMPARE(decodeAll({open, "A"}), QStringDecoder(QStringDecoder::Utf8).decode(open + 'A'));
    }
};

QTEST_GUILESS_MAIN(TestReceivedTextDecoder)
#include "tst_receivedtextdecoder.moc"
