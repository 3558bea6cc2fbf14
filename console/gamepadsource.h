#pragma once

#include "drivecommands.h"
#include "gamepadsteering.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QTimer;
union SDL_Event;

// Gamepads, through SDL's game-controller subsystem (only that: no video, no
// audio), which knows the common pads' mappings, hot-plugging, XInput and
// DirectInput. Its events are read on the thread that made the source, from
// a timer (every 4 ms while an enable button is held), and turned into the
// drive's steps by GamepadSteering, in the order they happened. The first pad
// connected steers; others are listed and ignored until it goes. Every way
// the steering pad goes away is reported, so a direction it left repeating
// can be stopped.
class GamepadSource : public QObject
{
    Q_OBJECT

public:
    // The buttons that must be held to drive.
    struct EnableButtons
    {
        // SDL_GameControllerButton values.
        QList<int> buttons;
        // As a pad's owner reads them: "LB or RB".
        QString label;
    };
    // Either shoulder button.
    static EnableButtons defaultEnableButtons();
    // One button by SDL's name for it ("a", "leftshoulder", ...). None, with
    // *error set, for a name SDL does not know or a D-pad button, which steers.
    static std::optional<EnableButtons> enableButtonNamed(const QString &name, QString *error);
    // SDL's names of the buttons that can enable, for --help.
    static QStringList enableButtonNames();

    explicit GamepadSource(EnableButtons enable = defaultEnableButtons(),
                           QObject *parent = nullptr);
    ~GamepadSource() override;

    // Starts SDL's game-controller subsystem and the timer that reads it.
    // False when SDL refuses; errorString() says why.
    bool start();
    QString errorString() const { return m_error; }

    // Reads every event SDL has for the pads now, as the timer does. Before
    // the window answers that it is alive, so a release made while it was
    // frozen goes out before the drive resumes.
    void poll();

    // The steering pad's name; empty while there is none.
    QString padName() const { return m_padName; }
    // The other pads connected, which do nothing.
    QStringList ignoredPads() const;
    QString enableLabel() const { return m_enable.label; }

    // Something else took the robot from the pad (a menu, a dialog): the pad
    // drives again only once its stick and D-pad have been let go.
    void requireCentring();

signals:
    void direction(DriveCommand command);
    void stop();
    // The steering pad went away (unplugged, lost, SDL failed or shut down)
    // while its last step was a direction.
    void steeringPadLost();
    // A pad came, went, or another one now steers.
    void padsChanged();

private:
    void addPad(int deviceIndex);
    void removePad(int instanceId);
    // SDL stopped, or failed: no pad is left.
    void dropAllPads(const char *why);
    // The first pad in m_pads starts steering from what it shows now.
    void takeFirstPad();
    void readEvent(const SDL_Event &event);
    bool isSteeringPadHere(int instanceId) const;
    // Brings the reading up to what SDL says the steering pad shows now.
    void catchUp();
    void feed();
    // How often the pads are read: see the periods in the source.
    void followPace();

    const EnableButtons m_enable;
    GamepadSteering *const m_steering;
    QTimer *const m_timer;
    bool m_started = false;
    QString m_error;
    // SDL's instance ids of the open pads, in the order they came; the first
    // steers.
    QList<int> m_pads;
    QString m_padName;
    // What the steering last saw; all centred for a pad just taken, which
    // is what forgotten steering stands for.
    GamepadReading m_reading;
    // The enable buttons the steering pad holds down.
    QList<int> m_enableHeld;
};
