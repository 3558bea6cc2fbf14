#pragma once

#include "drivecommands.h"
#include "gamepadsource.h"
#include "portdirectory.h"
#include "receivedarrival.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class DeviceListWatch;
class DriveSession;
class EscapeKey;
class InputTakenWatch;
class KeyboardControlButton;
class LogRecording;
class MessageBoxPresenter;
class PointerLabel;
class PortComboBox;
class QLabel;
class QPushButton;
class ReceivedLog;
class ReceivedLogView;
class StatusLine;
class SteeringTrail;

// The console's one window. It owns every control for the whole run and binds
// the controls' events to their handlers. The handlers turn operator input
// into steps of the drive session, posted in the order the operator made them,
// and show what the session reports; they never touch the port themselves.
// The session usually lives on its own thread and outlives the window.
class Tavimork_PC_Controlled_Bot : public QWidget
{
    Q_OBJECT

public:
    // directory, the one the session's link opens by, only names the device
    // a port number stands for while the port is closed; the session opens
    // whatever it finds at that moment. It must outlive the window. The
    // gamepad source, if any, is the window's from then on; the window starts
    // it once it shows.
    Tavimork_PC_Controlled_Bot(DriveSession &session,
                               std::unique_ptr<MessageBoxPresenter> messageBox,
                               const PortDirectory &directory,
                               std::unique_ptr<GamepadSource> gamepad = nullptr,
                               QWidget *parent = nullptr);
    ~Tavimork_PC_Controlled_Bot() override;

    // The log's form and its recording, as the command line asks for them.
    ReceivedLog &receivedLog() const { return *m_receivedLog; }
    LogRecording &logRecording() const { return *m_recording; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void bindEvents();

    // Form_Load, the event handlers (cmdConn_Click, lblForward_MouseMove, ...)
    // and the controls (cmdConn, Combo4, lblStop, ...) keep the names of the
    // window's design rather than this code's m_ style: the code reads side by
    // side with the design, and tests and accessibility find controls by them.
    void Form_Load();

    void cmdConn_Click();
    void cmdDisc_Click();
    void onPortOpened(qint16 port, const QString &device);
    void onPortClosed(qint16 port, const QString &reason);
    void showLineStalled(bool stalled);
    void appendReceived(const ReceivedBatch &batch);
    void showRecording(const QString &path);
    void onRecordingFailed(const QString &path, const QString &reason);

    void lblForward_MouseMove();
    void lblBackward_MouseMove();
    void lblLeft_MouseMove();
    void lblRight_MouseMove();
    void lblStop_MouseMove();
    // The pointer crossed a zone between two of its reported moves, or was
    // over it while a drag sent the move elsewhere.
    void pointerPassedOver(QWidget *zone);
    // The direction a label steers.
    void steerBy(const PointerLabel *label);
    void showDriveState(const DriveState &state);

    void cmdKeyBoard_Click();
    // The key as the keyboard button reads it: the direction it steers, if any.
    void cmdKeyBoard_KeyDown(std::optional<DriveCommand> direction);
    void cmdKeyBoard_KeyUp();

    void Command1_Click();

    // Which input made the last direction step: a pad that goes away stops
    // only a direction of its own.
    enum class SteeringSource { Pointer, Keyboard, Gamepad };
    void steer(DriveCommand command, SteeringSource source);
    void onSteeringPadLost();
    void showGamepads();

    // Records whether (and which) port is open, and sets every control that
    // follows it.
    void setOpenPort(std::optional<qint16> port);
    void showSelectedPort();
    int selectedListPosition() const;
    // Runs a step on the session's thread, after every step posted before it.
    template <typename Step> void post(Step step);
    // The stop step, from every input that stops.
    void postStop();
    // The stop step if a direction repeats: something took the input from
    // the pad.
    void postStopIfDriving();
    // Something took the input away from the steering controls.
    void onInputTaken();
    void answerHeartbeat();

    DriveSession &m_session;
    const std::unique_ptr<MessageBoxPresenter> m_messageBox;
    const PortDirectory &m_directory;
    DeviceListWatch *const m_deviceWatch;
    EscapeKey *const m_escapeKey;
    InputTakenWatch *const m_inputTakenWatch;
    GamepadSource *const m_gamepad;
    SteeringSource m_steeringSource = SteeringSource::Pointer;
    // The port the window opened, until it is closed or lost: the one record
    // of it on this side.
    std::optional<qint16> m_openPort;
    std::unique_ptr<StatusLine> m_statusLine;
    ReceivedLog *m_receivedLog = nullptr;
    LogRecording *m_recording = nullptr;
    SteeringTrail *m_steeringTrail = nullptr;

    // The four that steer, each with its command.
    std::array<PointerLabel *, 4> m_directionLabels{};

    // The controls as designed; see the note on their names above.
    QPushButton *cmdConn = nullptr;
    QPushButton *cmdDisc = nullptr;
    PortComboBox *Combo4 = nullptr;
    QLabel *Label2 = nullptr;
    ReceivedLogView *txtInput = nullptr;
    QPushButton *Command1 = nullptr;
    KeyboardControlButton *cmdKeyBoard = nullptr;
    PointerLabel *lblForward = nullptr;
    PointerLabel *lblBackward = nullptr;
    PointerLabel *lblLeft = nullptr;
    PointerLabel *lblRight = nullptr;
    std::array<PointerLabel *, 5> lblStop{};
    QLabel *Label1 = nullptr;
    QLabel *lblStatus = nullptr;
};
