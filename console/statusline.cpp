#include "statusline.h"

#include "elidinglabel.h"

#include <array>

namespace {
struct Words
{
    DriveCommand command;
    const char *driving;
    const char *kept;
};

// clang-format off
constexpr std::array<Words, 4> Table = {{
    {DriveCommand::Forward,  QT_TRANSLATE_NOOP("StatusLine", "Driving forward"),
                             QT_TRANSLATE_NOOP("StatusLine", "Forward is kept: it resumes on Connect")},
    {DriveCommand::Backward, QT_TRANSLATE_NOOP("StatusLine", "Driving backward"),
                             QT_TRANSLATE_NOOP("StatusLine", "Backward is kept: it resumes on Connect")},
    {DriveCommand::Left,     QT_TRANSLATE_NOOP("StatusLine", "Turning left"),
                             QT_TRANSLATE_NOOP("StatusLine", "Left turn is kept: it resumes on Connect")},
    {DriveCommand::Right,    QT_TRANSLATE_NOOP("StatusLine", "Turning right"),
                             QT_TRANSLATE_NOOP("StatusLine", "Right turn is kept: it resumes on Connect")},
}};
// clang-format on

const Words *wordsFor(std::optional<DriveCommand> command)
{
    for (const Words &words : Table) {
        if (command == words.command)
            return &words;
    }
    return nullptr;
}
} // namespace

StatusLine::StatusLine(ElidingLabel *label)
    : m_label(label)
{}

void StatusLine::showOpenTrouble(const QString &text)
{
    m_trouble = text;
    m_driveIsNewer = false;
    refresh();
}

void StatusLine::endOpenTrouble()
{
    showOpenTrouble(QString());
}

void StatusLine::showDrive(const DriveState &state, bool byGamepad)
{
    m_drive = state;
    m_drivenByGamepad = byGamepad;
    m_driveIsNewer = true;
    refresh();
}

void StatusLine::showGamepad(const QString &text)
{
    m_gamepad = text;
    refresh();
}

void StatusLine::showRecording(const QString &text)
{
    m_recording = text;
    refresh();
}

void StatusLine::showPortOpen(const QString &text)
{
    showPort(text, true);
}

void StatusLine::showPortClosed(const QString &text)
{
    showPort(text, false);
}

void StatusLine::showPort(const QString &text, bool open)
{
    m_portOpen = open;
    m_portText = text;
    m_trouble.clear();
    m_driveIsNewer = false;
    refresh();
}

void StatusLine::refresh()
{
    QString text = m_portText;
    if (!m_portOpen) {
        const QString kept = keptWords();
        if (!kept.isEmpty())
            text = kept + u'\n' + text;
    } else if (!m_trouble.isEmpty()) {
        text = m_trouble;
    } else if (m_driveIsNewer) {
        text = driveWords();
    }
    const bool padDrives = m_portOpen && m_drivenByGamepad && m_drive.driving();
    if (!m_gamepad.isEmpty() && !padDrives)
        text += u'\n' + m_gamepad;
    if (!m_recording.isEmpty())
        text += u'\n' + m_recording;
    // The strip is narrow: what does not fit is elided, whole in the tooltip.
    m_label->setFullText(text);
}

QString StatusLine::driveWords() const
{
    const Words *words = wordsFor(m_drive.driving());
    // The port is open: the robot listens, and the operator should know
    // the one key that stops it from anywhere.
    if (!words)
        return tr("Stopped. Esc stops the robot");
    return m_drivenByGamepad ? tr("%1 (gamepad)").arg(tr(words->driving)) : tr(words->driving);
}

QString StatusLine::keptWords() const
{
    const Words *words = wordsFor(m_drive.driving());
    return words ? tr(words->kept) : QString();
}
