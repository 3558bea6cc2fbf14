#include "statusline.h"

#include "drivecommands.h"
#include "elidinglabel.h"

#include <array>

namespace {
struct Words
{
    QLatin1String command;
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

const Words *wordsFor(const QString &command)
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

void StatusLine::showClosed(const QString &text)
{
    showPort(Port::Closed, text);
}

void StatusLine::showOpen(const QString &text)
{
    showPort(Port::Open, text);
}

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

void StatusLine::showDrive(const QString &command, bool repeating)
{
    m_command = command;
    m_repeating = repeating;
    m_driveIsNewer = true;
    refresh();
}

void StatusLine::showPort(Port state, const QString &text)
{
    m_port = state;
    m_portText = text;
    m_trouble.clear();
    m_driveIsNewer = false;
    refresh();
}

void StatusLine::refresh()
{
    QString text = m_portText;
    if (m_port == Port::Closed) {
        const QString kept = keptWords();
        if (!kept.isEmpty())
            text = kept + u'\n' + text;
    } else if (!m_trouble.isEmpty()) {
        text = m_trouble;
    } else if (m_driveIsNewer) {
        text = driveWords();
    }
    // The strip is narrow: what does not fit is elided, whole in the tooltip.
    m_label->setFullText(text);
}

QString StatusLine::driveWords() const
{
    const Words *words = m_repeating ? wordsFor(m_command) : nullptr;
    return words ? tr(words->driving) : tr("Stopped");
}

QString StatusLine::keptWords() const
{
    const Words *words = m_repeating ? wordsFor(m_command) : nullptr;
    return words ? tr(words->kept) : QString();
}
