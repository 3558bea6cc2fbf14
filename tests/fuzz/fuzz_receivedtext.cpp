// Bytes from the robot, cut into arrivals anywhere, through the decoder and
// the queue into the log, as the window gets them.
//
// Input: the first byte's low seven bits count the arrival lengths that
// follow it, one byte each; the rest are the received bytes, cut into
// arrivals of those lengths, the last one taking whatever is left. An odd
// length lets the log catch up before the next arrival, an even one piles
// arrivals up in the queue. With the first byte's top bit set, the arrivals
// also go through queues of their own, among enough other text to fill a
// batch or to overflow.
//
// The log lives across inputs, kept full so that every input trims it.

#include "receivedlogview.h"
#include "receivedtextdecoder.h"
#include "receivedtextqueue.h"

#include <QApplication>
#include <QTextBlock>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

ReceivedLogView *theLog = nullptr;

bool surrogatesPaired(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}

// Text less its line breaks, those received and those the log adds; the
// document keeps them as paragraph separators.
QString withoutBreaks(QString text)
{
    text.removeIf([](QChar ch) { return ch == u'\n' || ch == QChar::ParagraphSeparator; });
    return text;
}

void checkShown(const QString &text)
{
    if (!surrogatesPaired(text))
        qFatal("decoder: a surrogate pair split or unpaired");
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        // Controls would end or garble lines; the rest mean something of
        // their own to the text engine.
        if ((code < 0x20 && code != u'\n' && code != u'\t') || code == 0x7f || code == 0x2028 ||
            code == 0x2029 || code == 0xfffc || (code >= 0xfdd0 && code <= 0xfdef) ||
            code >= 0xfffe)
            qFatal("decoder: U+%04X passed as it is", code);
    }
}

QString decodeAll(const std::vector<QByteArrayView> &arrivals, QStringList *shown = nullptr)
{
    ReceivedTextDecoder decoder;
    QString text;
    for (const QByteArrayView bytes : arrivals) {
        const QString piece = decoder.decode(bytes);
        checkShown(piece);
        text += piece;
        if (shown)
            shown->append(piece);
    }
    // Ends a character left unfinished, the same way whatever the cuts were.
    return text + decoder.decode("\n");
}

ReceivedArrival arrivalOf(const QString &text)
{
    return {ReceivedArrival::Kind::Bytes, {}, {}, {}, text};
}

// The batch's text; a batch over the limits only as one arrival alone.
QString checkBatch(const ReceivedBatch &arrivals)
{
    QString batch;
    for (const ReceivedArrival &arrival : arrivals)
        batch += arrival.text;
    if (arrivals.isEmpty() ||
        (arrivals.size() > 1 && (batch.size() > ReceivedTextQueue::MaxBatchCharacters ||
                                 batch.count(u'\n') > ReceivedTextQueue::MaxBatchLines)))
        qFatal("queue: a batch of %lld characters in %lld lines",
               static_cast<long long>(batch.size()), static_cast<long long>(batch.count(u'\n')));
    return batch;
}

// The queue's batches go out on the event loop, as on the drive thread.
void runEventsWhile(const std::function<bool()> &waiting)
{
    for (int pass = 0; waiting(); ++pass) {
        if (pass > 1'000'000)
            qFatal("queue: holds text it never hands over");
        QCoreApplication::processEvents();
    }
}

// Looks at the ends only, where appending and trimming change the log.
void checkLog(const QString &batch)
{
    QTextDocument *const doc = theLog->document();
    const int end = doc->characterCount() - 1;
    if (end > ReceivedLogView::MaxLogCharacters)
        qFatal("log: %d characters", end);
    if (doc->blockCount() > ReceivedLogView::MaxLogLines)
        qFatal("log: %d lines", doc->blockCount());
    if (doc->characterAt(0).isLowSurrogate())
        qFatal("log: starts with half a surrogate pair");

    // Enough to hold the batch with a break added after every character.
    int from = qMax(0, end - 2 * int(batch.size()) - 2);
    if (doc->characterAt(from).isLowSurrogate())
        --from;
    for (QTextBlock line = doc->findBlock(from); line.isValid(); line = line.next()) {
        if (line.length() - 1 > ReceivedLogView::MaxLineCharacters)
            qFatal("log: a line of %d characters", line.length() - 1);
    }
    QTextCursor newest(doc);
    newest.setPosition(from);
    newest.setPosition(end, QTextCursor::KeepAnchor);
    const QString shown = newest.selectedText();
    if (!surrogatesPaired(shown))
        qFatal("log: a surrogate pair split or unpaired");
    if (!withoutBreaks(shown).endsWith(withoutBreaks(batch)))
        qFatal("log: does not end with the batch just appended");
}

// The arrivals pile up between other text faster than the log takes them.
// Returns the first batch handed over and, in `queued`, how much was kept.
QString firstBatch(const QString &before, const QStringList &pieces, const QString &after,
                   qsizetype *queued)
{
    // Frames are not under test.
    ReceivedTextQueue queue(nullptr, std::chrono::milliseconds(0));
    queue.append(arrivalOf(before));
    for (const QString &piece : pieces)
        queue.append(arrivalOf(piece));
    queue.append(arrivalOf(after));
    *queued = queue.queuedCharacters();
    QString first;
    QObject::connect(&queue, &ReceivedTextQueue::batchReady, &queue,
                     [&first](const ReceivedBatch &batch) { first = checkBatch(batch); });
    runEventsWhile([&first] { return first.isEmpty(); });
    return first;
}

// Cuts one character short of the arrivals' end, where a pair may be split.
void checkFloodedQueue(const QStringList &pieces)
{
    const QString joined = pieces.join(QString());
    if (joined.isEmpty())
        return;
    qsizetype queued = 0;
    // A full batch ends there...
    const QString before(
        qMax<qsizetype>(0, ReceivedTextQueue::MaxBatchCharacters - joined.size() + 1), u'x');
    if (!(before + joined).startsWith(firstBatch(before, pieces, {}, &queued)))
        qFatal("queue: handed over other text than it was given");

    // ...or, over the limit, the oldest arrivals have to go, whole; short
    // lines, so that batches are bounded by lines.
    constexpr qsizetype limit = ReceivedTextQueue::MaxQueuedCharacters;
    QString after = QStringLiteral("xxxxxxx\n").repeated(limit / 8);
    after.resize(limit - 1);
    QString kept = after;
    for (qsizetype i = pieces.size() - 1; i >= 0 && kept.size() + pieces.at(i).size() <= limit; --i)
        kept.prepend(pieces.at(i));
    if (!kept.startsWith(firstBatch({}, pieces, after, &queued)) || queued != kept.size())
        qFatal("queue: did not keep the newest text");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_receivedtext";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    theLog = new ReceivedLogView;
    theLog->resize(593, 185);
    theLog->show();
    // Just under both of the log's limits, in lines with text and empty ones.
    const QString lines = QStringLiteral("log line \U0001F600 123456\n\n").repeated(500);
    const qsizetype lineCount = lines.count(u'\n');
    while (theLog->document()->blockCount() + lineCount < ReceivedLogView::MaxLogLines &&
           theLog->document()->characterCount() + lines.size() < ReceivedLogView::MaxLogCharacters)
        theLog->appendReceived(lines);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool flood = data[0] & 0x80;
    const size_t cutCount = std::min<size_t>(data[0] & 0x7f, size - 1);
    const uint8_t *const cuts = data + 1;
    const QByteArrayView bytes(data + 1 + cutCount, qsizetype(size - 1 - cutCount));

    std::vector<QByteArrayView> arrivals;
    qsizetype at = 0;
    for (size_t i = 0; i <= cutCount; ++i) {
        const qsizetype length =
            i < cutCount ? std::min<qsizetype>(cuts[i], bytes.size() - at) : bytes.size() - at;
        arrivals.push_back(bytes.sliced(at, length));
        at += length;
    }
    std::vector<QByteArrayView> oneByOne;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        oneByOne.push_back(bytes.sliced(i, 1));

    QStringList pieces;
    const QString text = decodeAll(arrivals, &pieces);
    if (text != decodeAll({bytes}) || text != decodeAll(oneByOne))
        qFatal("decoder: the same bytes cut differently show differently");

    // Frames are not under test.
    ReceivedTextQueue queue(nullptr, std::chrono::milliseconds(0));
    QString delivered;
    QObject::connect(&queue, &ReceivedTextQueue::batchReady, &queue,
                     [&](const ReceivedBatch &arrivals) {
                         const QString batch = checkBatch(arrivals);
                         delivered += batch;
                         theLog->appendReceived(batch);
                         checkLog(batch);
                         queue.batchShown();
                     });
    const auto holdsText = [&queue] {
        return queue.queuedCharacters() > 0;
    };
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        queue.append(arrivalOf(pieces.at(i)));
        if (arrivals[i].size() % 2 == 1)
            runEventsWhile(holdsText);
    }
    runEventsWhile(holdsText);
    // Far below the queue's limit, nothing may be dropped.
    if (delivered != pieces.join(QString()))
        qFatal("queue: handed over other text than it was given");

    if (flood)
        checkFloodedQueue(pieces);
    return 0;
}
