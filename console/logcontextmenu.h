#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class LogRecording;
class MessageBoxPresenter;
class QMenu;
class QPlainTextEdit;
class ReceivedLog;

// The log's context menu: Qt's own entries for the text, then the forms of
// the log (Show Time, Show Events, Hex View), Save Log As..., which writes
// what the log shows as UTF-8, and Record to File... or Stop Recording.
class LogContextMenu : public QObject
{
    Q_OBJECT

public:
    // A child of log; tells the operator through messageBox when a save fails.
    LogContextMenu(QPlainTextEdit *log, ReceivedLog &received, LogRecording &recording,
                   MessageBoxPresenter &messageBox);

    // The menu for a request at position, in the log's viewport.
    std::unique_ptr<QMenu> createMenu(QPoint position);
    // Replaces path with the log's text, whole or not at all; a failure is
    // shown with the path and the system's reason.
    bool saveTo(const QString &path);

private:
    void popUp(QPoint position);
    void saveAs();
    void recordTo();

    QPlainTextEdit *const m_log;
    ReceivedLog &m_received;
    LogRecording &m_recording;
    MessageBoxPresenter &m_messageBox;
};
