#pragma once

#include <QString>

#include <memory>

// Whether the programs' windows can show, as far as can be told before Qt
// starts. Without a display Qt aborts while creating a widget application,
// with a message about plugins that does not tell the operator what is
// missing.
//
// platform is a name given with -platform, if any; QT_QPA_PLATFORM counts
// when it is not given. Where such a choice names another platform, or a
// Wayland display is set, Qt is left to report its own trouble.
//
// On X11 the check's own connection stays open until release(): an X server
// with no other client resets when its last client leaves, and the reset
// would drop the application's connection while it is being made, which Qt
// does not survive. Declare this before the application and release it once
// the application exists.
class DisplayEnvironment
{
public:
    explicit DisplayEnvironment(const QString &platform = {});
    ~DisplayEnvironment();
    DisplayEnvironment(const DisplayEnvironment &) = delete;
    DisplayEnvironment &operator=(const DisplayEnvironment &) = delete;

    // Why the windows cannot show, or empty when they can. It completes
    // "needs a graphical display, but ...".
    QString problem() const { return m_problem; }
    void release();

private:
    // What the platform's check keeps open; nothing on some.
    class Connection;

    QString m_problem;
    std::unique_ptr<Connection> m_connection;
};
