#pragma once

#include <QByteArray>
#include <QHash>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// The X command-line tools an operator's session would offer (xdotool, xset,
// xclip), run against one display with a timeout each, so a wedged tool or
// console fails the test instead of hanging it.
class XTools
{
public:
    struct Result
    {
        bool finished = false;
        int exitCode = -1;
        QByteArray output;
        QByteArray errors;

        bool ok() const { return finished && exitCode == 0; }
    };

    static constexpr int DefaultTimeoutMs = 20000;

    explicit XTools(QProcessEnvironment environment);

    // Which of the programs these tests need is not installed, and from which
    // Debian package; empty when all are there.
    static QString missingTools();

    QProcessEnvironment environment() const { return m_environment; }

    Result run(const QString &program, const QStringList &arguments,
               int timeoutMs = DefaultTimeoutMs) const;
    bool xdotool(const QStringList &arguments, QString *error = nullptr) const;
    // The NAME=value lines of an xdotool command given --shell; empty on failure.
    QHash<QByteArray, int> xdotoolValues(const QStringList &arguments) const;
    std::optional<QPoint> pointer() const;

    // An xdotool title pattern (POSIX extended regex) matching exactly this title.
    static QString exactTitle(const QString &title);
    // Visible windows of process pid (of any process for 0) whose title
    // matches the regular expression.
    QStringList windows(qint64 pid, const QString &titleRegex) const;
    // The first such window once it is mapped; empty when none shows in time,
    // with what xdotool said in *error if it gave up sooner.
    QString waitForWindow(qint64 pid, const QString &titleRegex, int timeoutMs,
                          QString *error = nullptr) const;

    // What a paste would insert; empty when nobody owns the clipboard.
    QByteArray clipboard() const;

    // Auto-repeat on, with this delay and rate, for held keys on every client.
    bool setKeyRepeat(int delayMs, int ratePerSecond, QString *error) const;
    bool setNumLock(bool on, QString *error) const;
    // The keyboard map's layouts as setxkbmap names them, e.g. "us" or
    // "ru,us"; empty when it cannot be asked.
    QString keyboardLayouts() const;
    bool setKeyboardLayouts(const QString &layouts, QString *error) const;

    // What a window manager sends when the operator clicks a window's close
    // button (WM_DELETE_WINDOW); there is no window manager here to do it.
    bool requestClose(const QString &window, QString *error) const;

private:
    // xdotool search with these arguments.
    Result search(const QStringList &arguments, int timeoutMs) const;
    // The keyboard section of `xset q`.
    QString keyboardState() const;

    QProcessEnvironment m_environment;
};
