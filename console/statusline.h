#pragma once

#include "drivecommands.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class ElidingLabel;

// The strip right of Disconnect: the port's state and what the drive does,
// in this order of precedence.
// - Port closed: the port's text (the device the selected number stands for,
//   why a connect failed, why the port was lost), led by a warning while a
//   direction is kept for the next Connect.
// - Port open, robot not reading: that, until it reads again.
// - Port open otherwise: whichever changed last, the port (opened, reading
//   again) or the drive ("Driving forward", "Stopped").
// Below that, while a gamepad is there and not driving, which one and how to
// drive with it; and last, while the log is recorded, where to.
class StatusLine
{
    Q_DECLARE_TR_FUNCTIONS(StatusLine)

public:
    explicit StatusLine(ElidingLabel *label);

    // What the port's last news says: that it opened, or, with the port
    // closed, that it did not open, was lost, or which device the selected
    // number stands for.
    void showPortOpen(const QString &text);
    void showPortClosed(const QString &text);
    // A problem on the open port that stays until endOpenTrouble() or the
    // next port news; then the port's own text shows again.
    void showOpenTrouble(const QString &text);
    void endOpenTrouble();
    // As the drive session reports it; byGamepad when the pad made the last
    // direction step.
    void showDrive(const DriveState &state, bool byGamepad = false);
    // The steering pad and how to drive with it; empty when there is none.
    void showGamepad(const QString &text);
    // Where the log is recorded to; empty when it is not.
    void showRecording(const QString &text);

private:
    void showPort(const QString &text, bool open);
    void refresh();
    QString driveWords() const;
    QString keptWords() const;

    ElidingLabel *const m_label;
    bool m_portOpen = false;
    QString m_portText;
    QString m_trouble;
    // The session's last report, kept to show again under port news.
    DriveState m_drive;
    bool m_drivenByGamepad = false;
    bool m_driveIsNewer = false;
    QString m_gamepad;
    QString m_recording;
};
