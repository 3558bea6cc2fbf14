#pragma once

#include <QObject>
#include <QString>
#include <QThread>

class DriveSession;
class ReceivedLog;
class RecordingWriter;

// Record to File: every byte read from now on goes to a file exactly as read,
// and while times or events show, the log's text form goes to the file's
// name with .txt added. The files are written on a thread of their own: a
// slow or stuck disk then holds up neither the drive thread, whose ticks the
// robot's repetition depends on, nor the window, whose silence would hold the
// drive. The bytes are taken from the drive thread as they are read, before
// the log's queue, so neither Clear nor the log's bounds lose any of them.
class LogRecording : public QObject
{
    Q_OBJECT

public:
    LogRecording(DriveSession &session, ReceivedLog &log, QObject *parent);
    // Ends a recording cleanly: what was read is written and the files closed.
    ~LogRecording() override;

    // Replaces path; a recording under way ends first. A failure to open or
    // write is reported by failed(), and the recording ends.
    void start(const QString &path);
    void stop();
    bool isRecording() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

signals:
    // The file recorded to, or empty once recording ends.
    void recordingChanged(const QString &path);
    void failed(const QString &path, const QString &reason);

private:
    void followLogForm();
    void onWriterFailed(const QString &path, const QString &reason);
    void disconnectSources();
    // In a file of the platform's.
    static void letFileSizeLimitsFailWrites();

    DriveSession &m_session;
    ReceivedLog &m_log;
    QThread m_thread;
    RecordingWriter *const m_writer;
    QString m_path;
    QMetaObject::Connection m_bytes;
    QMetaObject::Connection m_text;
};
