#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

class MessageBoxPresenter;
class QMenu;
class QPlainTextEdit;

// The log's context menu: Qt's own entries for the text, then Save Log As...,
// which writes the whole log as UTF-8.
class LogContextMenu : public QObject
{
    Q_OBJECT

public:
    // A child of log; tells the operator through messageBox when a save fails.
    LogContextMenu(QPlainTextEdit *log, MessageBoxPresenter &messageBox);

    // The menu for a request at position, in the log's viewport.
    std::unique_ptr<QMenu> createMenu(QPoint position);
    // Replaces path with the log's text, whole or not at all; a failure is
    // shown with the path and the system's reason.
    bool saveTo(const QString &path);

private:
    void popUp(QPoint position);
    void saveAs();

    QPlainTextEdit *const m_log;
    MessageBoxPresenter &m_messageBox;
};
