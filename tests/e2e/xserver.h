#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A private Xvfb for the test's lifetime, so the tests run where there is no
// display and never touch the operator's own.
class XServer
{
public:
    // What the server does when its last client leaves. Resetting, Xvfb's and
    // Xorg's own default, forgets settings such as key repeat between
    // clients, so the tests' shared server never does.
    enum class LastClientLeaving { Stays, Resets };

    explicit XServer(LastClientLeaving lastClientLeaving = LastClientLeaving::Stays);
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    // Starts Xvfb on a free display number it picks itself.
    bool start(int timeoutMs = 30000);
    void stop();
    // Gone without a word to its clients, as when it crashes.
    void kill();

    QString display() const { return m_display; }
    QString errorString() const { return m_error; }
    // The environment for programs that should run on this server.
    QProcessEnvironment clientEnvironment() const;

private:
    const LastClientLeaving m_lastClientLeaving;
    QProcess m_process;
    QString m_display;
    QString m_error;
    // Qt clients want a private runtime directory and complain without one.
    QTemporaryDir m_runtimeDir;
};
