#include "logrecording.h"

#include "drivesession.h"
#include "receivedlog.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <chrono>

namespace {
// Well inside the second within which what was read must be on disk.
constexpr std::chrono::milliseconds FlushPeriod{500};
// A flood is written in pieces of about this size between the flushes.
constexpr qsizetype FlushBytes = 65536;
// What may wait for a disk that does not keep up before the recording ends:
// a minute of the robot's line at full rate, many times a stalled disk's
// usual hiccup, and still a small part of the machine's memory.
constexpr qint64 MaxWaitingBytes = 16 * 1024 * 1024;
} // namespace

// Lives on the recording's thread and owns its files. Bytes are handed to it
// from the drive thread, counted there, so that a stuck disk cannot make
// them pile up without bound.
class RecordingWriter : public QObject
{
    Q_OBJECT

public:
    RecordingWriter()
        : m_flush(new QTimer(this))
    {
        m_flush->setInterval(FlushPeriod);
        connect(m_flush, &QTimer::timeout, this, &RecordingWriter::flush);
    }

    // Any thread.
    void post(const QByteArray &bytes, bool text)
    {
        if (m_waiting.fetch_add(bytes.size()) + bytes.size() > MaxWaitingBytes) {
            m_waiting.fetch_sub(bytes.size());
            m_overrun = true;
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, bytes, text] { take(bytes, text); }, Qt::QueuedConnection);
    }

    void open(const QString &path)
    {
        close();
        m_overrun = false;
        m_bytesFile.setFileName(path);
        if (!m_bytesFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            emit failed(path, tr("It could not be opened: %1").arg(m_bytesFile.errorString()));
            return;
        }
        m_textFile.setFileName(path + QStringLiteral(".txt"));
        m_flush->start();
    }

    void close()
    {
        if (!m_bytesFile.isOpen())
            return;
        flush();
        m_bytesFile.close();
        m_textFile.close();
        m_flush->stop();
    }

signals:
    void failed(const QString &path, const QString &reason);

private:
    void take(const QByteArray &bytes, bool text)
    {
        m_waiting.fetch_sub(bytes.size());
        if (!m_bytesFile.isOpen())
            return;
        (text ? m_pendingText : m_pendingBytes) += bytes;
        if (m_pendingBytes.size() + m_pendingText.size() >= FlushBytes)
            flush();
    }

    void flush()
    {
        if (!m_bytesFile.isOpen())
            return;
        const QString path = m_bytesFile.fileName();
        if (m_overrun)
            return fail(path, tr("The disk did not keep up with what was received."));
        // Writing on into a file that is gone would only lose what is written.
        if (!QFileInfo::exists(path))
            return fail(path, tr("The file was removed or renamed while recording."));
        if (!writeAll(m_bytesFile, m_pendingBytes))
            return fail(path, m_bytesFile.errorString());
        if (m_pendingText.isEmpty())
            return;
        const QString textPath = m_textFile.fileName();
        if (!m_textFile.isOpen() &&
            !m_textFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            return fail(textPath, tr("It could not be opened: %1").arg(m_textFile.errorString()));
        if (!QFileInfo::exists(textPath))
            return fail(textPath, tr("The file was removed or renamed while recording."));
        if (!writeAll(m_textFile, m_pendingText))
            return fail(textPath, m_textFile.errorString());
    }

    // A write may take only part of the bytes (a file system filling up, a
    // file size limit) without an error; writing the rest tells why.
    static bool writeAll(QFile &file, QByteArray &pending)
    {
        qsizetype done = 0;
        while (done < pending.size()) {
            const qint64 count = file.write(pending.constData() + done, pending.size() - done);
            if (count <= 0)
                return false;
            done += count;
        }
        pending.clear();
        return true;
    }

    void fail(const QString &path, const QString &reason)
    {
        m_pendingBytes.clear();
        m_pendingText.clear();
        m_bytesFile.close();
        m_textFile.close();
        m_flush->stop();
        emit failed(path, reason);
    }

    QTimer *const m_flush;
    QFile m_bytesFile;
    QFile m_textFile;
    QByteArray m_pendingBytes;
    QByteArray m_pendingText;
    std::atomic<qint64> m_waiting{0};
    std::atomic<bool> m_overrun{false};
};

LogRecording::LogRecording(DriveSession &session, ReceivedLog &log, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_log(log)
    , m_writer(new RecordingWriter)
{
    setObjectName(QStringLiteral("logRecording"));
    letFileSizeLimitsFailWrites();
    m_thread.setObjectName(QStringLiteral("recording"));
    m_writer->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    connect(m_writer, &RecordingWriter::failed, this, &LogRecording::onWriterFailed);
    connect(&m_log, &ReceivedLog::formChanged, this, &LogRecording::followLogForm);
    m_thread.start();
}

LogRecording::~LogRecording()
{
    disconnectSources();
    QMetaObject::invokeMethod(m_writer, &RecordingWriter::close, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void LogRecording::start(const QString &path)
{
    stop();
    m_path = path;
    // Posted before the first bytes, so the file is open when they come.
    QMetaObject::invokeMethod(m_writer, [writer = m_writer, path] { writer->open(path); });
    // Runs on the drive thread as each read is made: it only counts and posts.
    m_bytes = connect(
        &m_session, &DriveSession::bytesReceived, m_writer,
        [writer = m_writer](const QByteArray &bytes) { writer->post(bytes, false); },
        Qt::DirectConnection);
    followLogForm();
    emit recordingChanged(m_path);
}

void LogRecording::stop()
{
    if (!isRecording())
        return;
    disconnectSources();
    QMetaObject::invokeMethod(m_writer, &RecordingWriter::close);
    m_path.clear();
    emit recordingChanged(m_path);
}

void LogRecording::followLogForm()
{
    const bool text = isRecording() && (m_log.showsTime() || m_log.showsEvents());
    if (text == bool(m_text))
        return;
    m_log.setTextTapped(text);
    if (text) {
        m_text = connect(&m_log, &ReceivedLog::textTapped, this,
                         [this](const QString &text) { m_writer->post(text.toUtf8(), true); });
    } else {
        disconnect(m_text);
        m_text = {};
    }
}

void LogRecording::disconnectSources()
{
    disconnect(m_bytes);
    m_bytes = {};
    if (m_text) {
        disconnect(m_text);
        m_text = {};
        m_log.setTextTapped(false);
    }
}

void LogRecording::onWriterFailed(const QString &path, const QString &reason)
{
    // A failure of a recording already stopped or replaced still happened.
    if (path == m_path || path == m_path + QStringLiteral(".txt")) {
        disconnectSources();
        m_path.clear();
        emit recordingChanged(m_path);
    }
    emit failed(path, reason);
}

#include "logrecording.moc"
