#pragma once

#include <QCoreApplication>
#include <QString>

class ElidingLabel;

// The strip right of Disconnect: the port's state and what the drive does,
// in this order of precedence.
// - Port closed: the port's text (the device the selected number stands for,
//   why a connect failed, why the port was lost), led by a warning while a
//   direction is kept for the next Connect.
// - Port open, robot not reading: that, until it reads again.
// - Port open otherwise: whichever changed last, the port (opened, reading
//   again) or the drive ("Driving forward", "Stopped").
class StatusLine
{
    Q_DECLARE_TR_FUNCTIONS(StatusLine)

public:
    explicit StatusLine(ElidingLabel *label);

    void showClosed(const QString &text);
    void showOpen(const QString &text);
    // A problem on the open port that stays until endOpenTrouble() or the
    // next port news; then the port's own text shows again.
    void showOpenTrouble(const QString &text);
    void endOpenTrouble();
    // As the drive session reports it.
    void showDrive(const QString &command, bool repeating);

private:
    enum class Port { Closed, Open };

    void showPort(Port state, const QString &text);
    void refresh();
    QString driveWords() const;
    QString keptWords() const;

    ElidingLabel *const m_label;
    Port m_port = Port::Closed;
    QString m_portText;
    QString m_trouble;
    QString m_command;
    bool m_repeating = false;
    bool m_driveIsNewer = false;
};
