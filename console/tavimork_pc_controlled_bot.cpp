#include "tavimork_pc_controlled_bot.h"

#include "consolelayout.h"
#include "devicelistwatch.h"
#include "drivesession.h"
#include "elidinglabel.h"
#include "escapekey.h"
#include "gamepadsource.h"
#include "inputtakenwatch.h"
#include "keyboardcontrolbutton.h"
#include "logcontextmenu.h"
#include "logrecording.h"
#include "messageboxpresenter.h"
#include "portcombobox.h"
#include "receivedlog.h"
#include "receivedlogview.h"
#include "statusline.h"
#include "steeringtrail.h"

#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>

#include <utility>

namespace {
// The window's own words, shown as they stand unless a translation is loaded.
#define WORDS(text) QT_TRANSLATE_NOOP("Tavimork_PC_Controlled_Bot", text)
constexpr const char *WindowTitle = WORDS("Tavimork PC Controlled Robot");
constexpr const char *ConnectFailedTitle = WORDS("Can not open port !!!");
constexpr const char *ConnectFailedText =
    WORDS("Can not open port, Select correct port or check that port is not used by any other "
          "application. You can also try removing and re-inserting the USB device.");
// The keyboard button's caption once clicked: four lines joined by CR LF.
constexpr const char *KeyGuide = WORDS("Press W or Num 8 for forward\r\nS or Num 2 for Backward\r\n"
                                       "A or Num 4 for Left Turn and\r\nD or Num 6 for Right Turn");
// Where the pointer drives: the key that stops from anywhere.
constexpr const char *EscapeStops = WORDS("Esc stops the robot");
#undef WORDS

// The 32 x 32 picture first, as the window was designed; then every size a
// taskbar or a HiDPI screen may ask for, so none is scaled from another.
QIcon allSizesIcon()
{
    QIcon icon(QStringLiteral(":/tavimork/tavimork-32.png"));
    for (const int size : {16, 22, 24, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/tavimork/tavimork-%1.png").arg(size), QSize(size, size));
    return icon;
}

template <typename Widget, typename... Arguments>
Widget *makeChild(QWidget *parent, const QString &name, Arguments... arguments)
{
    auto *widget = new Widget(parent, arguments...);
    widget->setObjectName(name);
    return widget;
}

} // namespace

template <typename Step> void Tavimork_PC_Controlled_Bot::post(Step step)
{
    // Queued to the session's thread in posting order; run at once when the
    // session shares this thread.
    QMetaObject::invokeMethod(&m_session, std::move(step), Qt::AutoConnection);
}

Tavimork_PC_Controlled_Bot::Tavimork_PC_Controlled_Bot(
    DriveSession &session, std::unique_ptr<MessageBoxPresenter> messageBox,
    const PortDirectory &directory, std::unique_ptr<GamepadSource> gamepad, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_messageBox(std::move(messageBox))
    , m_directory(directory)
    , m_deviceWatch(new DeviceListWatch(this))
    , m_escapeKey(new EscapeKey(this))
    , m_inputTakenWatch(new InputTakenWatch(this))
    , m_gamepad(gamepad.release())
{
    if (m_gamepad)
        m_gamepad->setParent(this);
    setObjectName(QStringLiteral("Tavimork_PC_Controlled_Bot"));
    setWindowTitle(tr(WindowTitle));
    setWindowIcon(allSizesIcon());

    createControls();
    ConsoleLayout::apply(this);
    // Once, with the log's font in place, and before any port can open.
    const auto controlForm = txtInput->drawsControlPictures()
                                 ? ReceivedTextDecoder::ControlForm::Picture
                                 : ReceivedTextDecoder::ControlForm::Name;
    post([session = &m_session, controlForm] { session->setControlForm(controlForm); });
    cmdConn->setFocus();
    // Its keys show nowhere before the first click.
    cmdKeyBoard->setToolTip(cmdKeyBoard->accessibleDescription());
    for (PointerLabel *label : m_directionLabels)
        label->setToolTip(tr(EscapeStops));
    // Knows the zones where the design put them.
    m_steeringTrail =
        new SteeringTrail(this, {lblForward, lblBackward, lblLeft, lblRight, lblStop[0], lblStop[1],
                                 lblStop[2], lblStop[3], lblStop[4]});

    bindEvents();
    setOpenPort(std::nullopt);
    Form_Load();
}

// A window destroyed without being closed still leaves the robot stopped and
// the port free.
Tavimork_PC_Controlled_Bot::~Tavimork_PC_Controlled_Bot()
{
    // They watch the whole application, and would report the window's own
    // hiding as it is destroyed, to a window no longer there.
    delete m_inputTakenWatch;
    delete m_escapeKey;
    m_session.shutdown();
    // The text the session handed over as it shut down, which the event
    // loop may never deliver now, goes into the log and its recording.
    QCoreApplication::sendPostedEvents(m_receivedLog, QEvent::MetaCall);
    // Ends the recording cleanly while the log it takes the text form from
    // is still there; no byte comes from the closed port any more.
    delete m_recording;
    // The controls outlive this part of the window by a moment, and the
    // keyboard button still reports losing the focus as they go; the trail
    // would follow the pointer leaving them.
    cmdKeyBoard->disconnect(this);
    delete m_steeringTrail;
}

void Tavimork_PC_Controlled_Bot::createControls()
{
    cmdConn = makeChild<QPushButton>(this, "cmdConn");
    cmdDisc = makeChild<QPushButton>(this, "cmdDisc");
    Combo4 = new PortComboBox(m_directory, this);
    Combo4->setObjectName(QStringLiteral("Combo4"));
    Label2 = makeChild<QLabel>(this, "Label2");
    txtInput = makeChild<ReceivedLogView>(this, "txtInput");
    Command1 = makeChild<QPushButton>(this, "Command1");
    cmdKeyBoard = makeChild<KeyboardControlButton>(this, "cmdKeyBoard");
    // Which label steers which way: the one place that pairs them.
    lblForward = makeChild<PointerLabel>(this, "lblForward", DriveCommand::Forward);
    lblBackward = makeChild<PointerLabel>(this, "lblBackward", DriveCommand::Backward);
    lblLeft = makeChild<PointerLabel>(this, "lblLeft", DriveCommand::Left);
    lblRight = makeChild<PointerLabel>(this, "lblRight", DriveCommand::Right);
    // Created after the direction labels so that, where a label grown to its
    // caption overlaps a stop zone, the stop zone is on top: a point that
    // could mean either stops the robot.
    for (int i = 0; i < ConsoleLayout::StopZoneCount; ++i)
        lblStop[i] = makeChild<PointerLabel>(this, QStringLiteral("lblStop%1").arg(i));
    Label1 = makeChild<QLabel>(this, "Label1");
    auto *status = makeChild<ElidingLabel>(this, "lblStatus");
    lblStatus = status;
    m_statusLine = std::make_unique<StatusLine>(status);
    m_directionLabels = {lblForward, lblBackward, lblLeft, lblRight};
    m_receivedLog = new ReceivedLog(txtInput);
    m_recording = new LogRecording(m_session, *m_receivedLog, this);
    new LogContextMenu(txtInput, *m_receivedLog, *m_recording, *m_messageBox);

    Combo4->setEditable(true);
    // The list is fixed; typing a number only selects from it.
    Combo4->setInsertPolicy(QComboBox::NoInsert);
    txtInput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtInput->setTabChangesFocus(true);
    // Captions sit at the top left of their box, as the design was laid out.
    for (QLabel *label : findChildren<QLabel *>())
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    // Selects what is shown; the tooltip has the whole text.
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void Tavimork_PC_Controlled_Bot::bindEvents()
{
    using Self = Tavimork_PC_Controlled_Bot;
    connect(cmdConn, &QPushButton::clicked, this, &Self::cmdConn_Click);
    connect(cmdDisc, &QPushButton::clicked, this, &Self::cmdDisc_Click);
    connect(Combo4, &QComboBox::editTextChanged, this, &Self::showSelectedPort);
    // Only while closed (see setOpenPort).
    connect(m_deviceWatch, &DeviceListWatch::devicesChanged, this, &Self::showSelectedPort);
    // The session's link knows whether it is the open port.
    connect(m_deviceWatch, &DeviceListWatch::portRemoved, this, [this](const QString &name) {
        post([session = &m_session, name] { session->deviceRemoved(name); });
    });
    connect(&m_session, &DriveSession::portOpened, this, &Self::onPortOpened);
    connect(&m_session, &DriveSession::portClosed, this, &Self::onPortClosed);
    // Through the log, so that the last batches can be taken on their own as
    // the window goes.
    connect(&m_session, &DriveSession::received, m_receivedLog,
            [this](const ReceivedBatch &batch) { appendReceived(batch); });
    connect(m_recording, &LogRecording::recordingChanged, this, &Self::showRecording);
    connect(m_recording, &LogRecording::failed, this, &Self::onRecordingFailed);
    connect(&m_session, &DriveSession::lineStalled, this, &Self::showLineStalled);
    connect(&m_session, &DriveSession::driveStateChanged, this, &Self::showDriveState);
    // While the robot is driven the session asks for a sign of life; a
    // window that stops answering has the robot stopped until it answers.
    connect(&m_session, &DriveSession::heartbeat, this, &Self::answerHeartbeat);
    connect(Command1, &QPushButton::clicked, this, &Self::Command1_Click);

    connect(lblForward, &PointerLabel::pointerMoved, this, &Self::lblForward_MouseMove);
    connect(lblBackward, &PointerLabel::pointerMoved, this, &Self::lblBackward_MouseMove);
    connect(lblLeft, &PointerLabel::pointerMoved, this, &Self::lblLeft_MouseMove);
    connect(lblRight, &PointerLabel::pointerMoved, this, &Self::lblRight_MouseMove);
    for (PointerLabel *zone : lblStop)
        connect(zone, &PointerLabel::pointerMoved, this, &Self::lblStop_MouseMove);
    connect(m_steeringTrail, &SteeringTrail::passedOver, this, &Self::pointerPassedOver);

    connect(cmdKeyBoard, &QPushButton::clicked, this, &Self::cmdKeyBoard_Click);
    connect(cmdKeyBoard, &KeyboardControlButton::keyDown, this, &Self::cmdKeyBoard_KeyDown);
    connect(cmdKeyBoard, &KeyboardControlButton::keyUp, this, &Self::cmdKeyBoard_KeyUp);
    // The release of a key held while the focus moves away goes to another
    // control, so the robot would drive on with nobody holding the key.
    connect(cmdKeyBoard, &KeyboardControlButton::focusLostWithSteeringKeyHeld, this,
            &Self::postStopIfDriving);

    // One key stops from anywhere in the window, wherever the focus and the
    // pointer are. The keyboard button keeps it as one of its own keys, which
    // stop on release.
    connect(m_escapeKey, &EscapeKey::pressed, this, &Self::postStop);
    // While a menu or dialog has the input, or the window is out of sight,
    // nothing on the pad can stop the robot.
    connect(m_inputTakenWatch, &InputTakenWatch::inputTaken, this, &Self::onInputTaken);

    if (m_gamepad) {
        connect(m_gamepad, &GamepadSource::direction, this,
                [this](DriveCommand command) { steer(command, SteeringSource::Gamepad); });
        connect(m_gamepad, &GamepadSource::stop, this, &Self::postStop);
        connect(m_gamepad, &GamepadSource::steeringPadLost, this, &Self::onSteeringPadLost);
        connect(m_gamepad, &GamepadSource::padsChanged, this, &Self::showGamepads);
    }
}

void Tavimork_PC_Controlled_Bot::Form_Load()
{
    {
        // Filling the list changes the box's text; the status line, which
        // enumerates the system's serial devices, is worked out once below.
        const QSignalBlocker quiet(Combo4);
        for (qint16 port = PortDirectory::FirstPort; port <= PortDirectory::LastPort; ++port)
            Combo4->addItem(QString::number(port));
        Combo4->setCurrentIndex(0);
    }
    for (QLabel *zone : lblStop)
        zone->setText(QString());
    showSelectedPort();
    // After the window is up: SDL takes a moment to look at the system's
    // input devices, and the console should show at once.
    if (m_gamepad) {
        QMetaObject::invokeMethod(
            m_gamepad,
            [pad = m_gamepad] {
                if (!pad->start())
                    qWarning("Gamepads are off: SDL's game-controller subsystem did not start "
                             "(%s).",
                             qPrintable(pad->errorString()));
            },
            Qt::QueuedConnection);
    }
}

void Tavimork_PC_Controlled_Bot::cmdConn_Click()
{
    const qint16 port = PortDirectory::portForListPosition(selectedListPosition());
    // The box must not show before the open has really failed, so this one
    // step waits for the session. An open is shown as portOpened() reports it.
    const DriveSession::OpenResult result =
        callAndWait(&m_session, [session = &m_session, port] { return session->open(port); });
    if (!result.opened) {
        m_statusLine->showPortClosed(result.detail);
        m_messageBox->critical(this, tr(ConnectFailedTitle), tr(ConnectFailedText), result.detail);
    }
}

void Tavimork_PC_Controlled_Bot::cmdDisc_Click()
{
    post([session = &m_session] { session->close(); });
}

void Tavimork_PC_Controlled_Bot::onPortOpened(qint16 port, const QString &device)
{
    setOpenPort(port);
    m_statusLine->showPortOpen(tr("Port %1 open: %2").arg(port).arg(device));
}

void Tavimork_PC_Controlled_Bot::onPortClosed(qint16 /*port*/, const QString &reason)
{
    setOpenPort(std::nullopt);
    if (reason.isEmpty())
        showSelectedPort();
    else
        m_statusLine->showPortClosed(tr("Port lost: %1").arg(reason));
}

void Tavimork_PC_Controlled_Bot::showLineStalled(bool stalled)
{
    // The news may cross a Disconnect on its way here.
    if (!m_openPort)
        return;
    if (stalled)
        m_statusLine->showOpenTrouble(tr("Port %1: the robot is not reading").arg(*m_openPort));
    else
        m_statusLine->endOpenTrouble();
}

void Tavimork_PC_Controlled_Bot::showDriveState(const DriveState &state)
{
    // The label of the direction being repeated is marked in the palette's
    // highlight colour. Only the background changes: the labels are sized to
    // their captions and must not move or grow.
    for (PointerLabel *label : m_directionLabels) {
        const bool marked = state.driving() == label->command();
        label->setAutoFillBackground(marked);
        // The text follows on its own: a Highlight background makes the
        // label's text role HighlightedText. NoRole goes back to the window's.
        label->setBackgroundRole(marked ? QPalette::Highlight : QPalette::NoRole);
    }
    m_statusLine->showDrive(state, m_steeringSource == SteeringSource::Gamepad);
}

void Tavimork_PC_Controlled_Bot::steer(DriveCommand command, SteeringSource source)
{
    m_steeringSource = source;
    post([session = &m_session, command] { session->direction(command); });
}

void Tavimork_PC_Controlled_Bot::steerBy(const PointerLabel *label)
{
    steer(*label->command(), SteeringSource::Pointer);
}

void Tavimork_PC_Controlled_Bot::lblForward_MouseMove()
{
    steerBy(lblForward);
}

void Tavimork_PC_Controlled_Bot::lblBackward_MouseMove()
{
    steerBy(lblBackward);
}

void Tavimork_PC_Controlled_Bot::lblLeft_MouseMove()
{
    steerBy(lblLeft);
}

void Tavimork_PC_Controlled_Bot::lblRight_MouseMove()
{
    steerBy(lblRight);
}

void Tavimork_PC_Controlled_Bot::lblStop_MouseMove()
{
    postStop();
}

void Tavimork_PC_Controlled_Bot::pointerPassedOver(QWidget *zone)
{
    // Every zone is a pointer label; a move over it goes to its handler.
    static_cast<PointerLabel *>(zone)->passOver();
}

void Tavimork_PC_Controlled_Bot::cmdKeyBoard_Click()
{
    cmdKeyBoard->setText(tr(KeyGuide));
}

void Tavimork_PC_Controlled_Bot::cmdKeyBoard_KeyDown(std::optional<DriveCommand> direction)
{
    if (direction)
        steer(*direction, SteeringSource::Keyboard);
    else
        post([session = &m_session] { session->halt(); });
}

void Tavimork_PC_Controlled_Bot::cmdKeyBoard_KeyUp()
{
    postStop();
}

void Tavimork_PC_Controlled_Bot::appendReceived(const ReceivedBatch &batch)
{
    m_receivedLog->append(batch);
    post([session = &m_session] { session->receivedTextShown(); });
}

void Tavimork_PC_Controlled_Bot::Command1_Click()
{
    m_receivedLog->clear();
}

void Tavimork_PC_Controlled_Bot::showRecording(const QString &path)
{
    m_statusLine->showRecording(
        path.isEmpty() ? QString() : tr("Recording to %1").arg(QDir::toNativeSeparators(path)));
}

void Tavimork_PC_Controlled_Bot::onRecordingFailed(const QString &path, const QString &reason)
{
    m_messageBox->critical(this, tr("Recording stopped"),
                           tr("Recording to %1 stopped.").arg(QDir::toNativeSeparators(path)),
                           reason);
}

void Tavimork_PC_Controlled_Bot::setOpenPort(std::optional<qint16> port)
{
    m_openPort = port;
    const bool open = port.has_value();
    // The button going out of use first, so that the focus it may hold never
    // passes to the other one.
    (open ? cmdConn : cmdDisc)->setEnabled(false);
    (open ? cmdDisc : cmdConn)->setEnabled(true);
    Combo4->setEnabled(!open);
    // An open port's line says what was opened; only a closed one follows
    // adapters plugged in and out.
    m_deviceWatch->setWatching(!open);
}

int Tavimork_PC_Controlled_Bot::selectedListPosition() const
{
    // The box is editable: what it shows is what the operator asked for, even
    // when it was typed rather than picked. Text that is no entry selects none.
    const int current = Combo4->currentIndex();
    if (current >= 0 && Combo4->itemText(current) == Combo4->currentText())
        return current;
    return Combo4->findText(Combo4->currentText(), Qt::MatchExactly);
}

void Tavimork_PC_Controlled_Bot::showSelectedPort()
{
    const qint16 port = PortDirectory::portForListPosition(selectedListPosition());
    if (port < 1) {
        m_statusLine->showPortClosed(tr("No port selected"));
        return;
    }
    m_statusLine->showPortClosed(PortComboBox::portLine(port, m_directory.deviceFor(port)));
}

void Tavimork_PC_Controlled_Bot::closeEvent(QCloseEvent *event)
{
    // Waits, so the stop is on the line and the port free before the program
    // can end.
    m_session.shutdown();
    QWidget::closeEvent(event);
}

void Tavimork_PC_Controlled_Bot::postStop()
{
    post([session = &m_session] { session->stop(); });
}

void Tavimork_PC_Controlled_Bot::postStopIfDriving()
{
    post([session = &m_session] { session->stopIfDriving(); });
}

void Tavimork_PC_Controlled_Bot::onInputTaken()
{
    postStopIfDriving();
    // The stick still out would otherwise not drive again until it moves,
    // and then at once; it starts afresh, as from the enable button.
    if (m_gamepad)
        m_gamepad->requireCentring();
}

void Tavimork_PC_Controlled_Bot::answerHeartbeat()
{
    // What the pad did while the window stood still goes first: a release
    // then stops the robot before the answer lets the drive resume.
    if (m_gamepad)
        m_gamepad->poll();
    post([session = &m_session] { session->windowAnswered(); });
}

void Tavimork_PC_Controlled_Bot::onSteeringPadLost()
{
    if (m_steeringSource == SteeringSource::Gamepad)
        postStopIfDriving();
}

void Tavimork_PC_Controlled_Bot::showGamepads()
{
    if (m_gamepad->padName().isEmpty()) {
        m_statusLine->showGamepad(QString());
        return;
    }
    QString line =
        tr("Gamepad: %1, hold %2 to drive").arg(m_gamepad->padName(), m_gamepad->enableLabel());
    const QStringList ignored = m_gamepad->ignoredPads();
    if (!ignored.isEmpty())
        line += tr("; not used: %1").arg(ignored.join(QStringLiteral(", ")));
    m_statusLine->showGamepad(line);
}
