#pragma once

#include <QObject>

#include <memory>

// Delivers through the event loop the ways a user or the system ends the
// program other than closing its window, so that the program ends as
// ordinary code instead of inside a signal handler:
// - on POSIX systems SIGINT, SIGTERM and SIGHUP, through a self-pipe;
// - on Windows Ctrl+C, Ctrl+Break and closing the console the program was
//   started from, and the end of the user's session (logoff, shutdown).
//   Windows ends the process as soon as it has told it, so received() is
//   emitted and its slots run before that: they must finish the stop.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Call first thing in main(), before any thread exists. From then on a
    // signal waits for the watch instead of ending the program. On Windows
    // a windowed program joins the console it was started from, so that
    // console's Ctrl+C reaches it and --help prints there.
    static void prepareProcess();

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received();

private:
    // The platform's way of hearing it.
    class Watch;
    std::unique_ptr<Watch> m_watch;
};
