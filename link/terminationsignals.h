#pragma once

#include <QObject>

class QSocketNotifier;

// Delivers SIGINT, SIGTERM and SIGHUP through the event loop (signalfd), so
// shutdown runs as ordinary code instead of inside a signal handler. Linux
// only; elsewhere the signals keep their default actions.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Call first thing in main(), before any thread exists: every thread must
    // inherit the mask, or the kernel may deliver the signal to one of them.
    static void blockInThisThread();

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignals();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
