#pragma once

#include "drivecommands.h"

#include <QLoggingCategory>
#include <QObject>

// The drive thread's account of what it did with the line, for a user's
// report: stalls, holds and resumes, stops, and the first and last byte of
// each repetition, never a line per byte (the port's opens, refusals, closes
// and losses are the link's, tavimork.link). Off by default;
// QT_LOGGING_RULES="tavimork.drive.info=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcDrive)

class SerialLink;
class TickSource;

// Holds the current drive command and repeats it on the line. Steering inputs
// only call the four steps below; the repeat timer's tick is the one place
// that writes direction bytes, and the controller is the one thing that writes
// to the link at all.
class DriveController : public QObject
{
    Q_OBJECT

public:
    // Takes the repeat timer as its child. Repetition is enabled from the
    // start, writing nothing until a direction is asked for.
    DriveController(SerialLink &link, TickSource *repeatTimer, QObject *parent = nullptr);

    // Makes a direction current and (re)enables repetition. Writes nothing
    // itself: the first byte goes out on the next tick.
    void direction(DriveCommand command);
    // Writes the stop if the port is open, ahead of anything still waiting to go
    // out, then ends the repetition.
    void stop();
    // Ends the repetition without writing anything.
    void halt();

    // Nobody is steering any more (the window stopped answering): the robot is
    // stopped once if it was being driven, and ticks write nothing until
    // release(). The command and the repetition stay as they are, so the
    // drive resumes exactly as it was.
    void hold();
    void release();

    // Drops whatever still waits to go out, for a Disconnect: the robot
    // should not get old bytes after the operator let go of the line. A stop
    // among them is the operator's, and is written again.
    void dropQueued();

    DriveState state() const { return {strCommand, m_repeating}; }
    bool isHeld() const { return m_held; }

    // One expiry of the repeat timer: the current command goes out if the
    // port is open and the last byte has left. No command yet writes no
    // byte.
    void tmr_Send_Command_Timer();

signals:
    // The command or whether it repeats changed.
    void stateChanged(const DriveState &state);
    // A write found earlier bytes still waiting: the far end is not reading.
    void outputStalled();
    // The repeat timer expired, held or not, and its byte is yet to go:
    // hold() from here keeps it back.
    void repeatTick();
    // What the log's events show: once per stop byte, once per repetition
    // (with its first byte), and the hold and its end.
    void stopWritten();
    void repetitionStarted(DriveCommand command);
    void held();
    void released();

private:
    void setRepeating(bool repeating);
    void write(DriveCommand command);
    void writeStop();
    void noteDirectionWritten();
    void endRun();

    SerialLink &m_link;
    // Only ever a direction: a stop or halt only disables the timer and leaves
    // the last direction in place, and a disconnect touches neither, so a
    // reconnect resumes exactly what was being repeated.
    std::optional<DriveCommand> strCommand;
    TickSource *const tmr_Send_Command;
    bool m_repeating = true;
    bool m_held = false;
    // The repetition under way in the log: its command and bytes written.
    DriveCommand m_runCommand = DriveCommand::Stop;
    int m_runBytes = 0;
    bool m_lastWriteWasStop = false;
};
