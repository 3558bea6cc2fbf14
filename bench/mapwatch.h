#pragma once

#include "xconnection.h"

#include <QString>

// Sees top-level windows being mapped, the moment the X server maps them. Make
// one before starting the program whose first window is to be timed.
class MapWatch
{
public:
    explicit MapWatch(const QString &display);

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    // Returns as soon as a top-level window of process pid is mapped; false
    // when none is within timeoutMs.
    bool waitForWindowOf(qint64 pid, int timeoutMs);

private:
    qint64 pidOf(xcb_window_t window);

    XConnection m_x;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    QString m_error;
};
