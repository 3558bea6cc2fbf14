#include "gamepadsource.h"

#include <QLoggingCategory>
#include <QTimer>

// The console has its own main(); SDL's is not wanted.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <algorithm>
#include <array>
#include <chrono>

Q_LOGGING_CATEGORY(lcGamepad, "tavimork.gamepad", QtInfoMsg)

namespace {
// While an enable button is held, well inside one repeat period, so a
// release reaches the line long before the next direction byte would. Each
// look costs a wake-up of the window's thread, so otherwise less often: with
// a pad there, no slower than the drive's own ticks; with none, only often
// enough to notice one plugged in.
constexpr std::chrono::milliseconds EnabledPollPeriod{4};
constexpr std::chrono::milliseconds PadPollPeriod{16};
constexpr std::chrono::milliseconds NoPadPollPeriod{250};

// How the buttons read on an Xbox-style pad, which is how SDL lays them out.
// clang-format off
constexpr std::array<const char *, SDL_CONTROLLER_BUTTON_MAX> ButtonLabels = {
    "A", "B", "X", "Y", "Back", "Guide", "Start", "LS", "RS", "LB", "RB",
    "D-pad up", "D-pad down", "D-pad left", "D-pad right",
    "Misc", "P1", "P3", "P2", "P4", "Touchpad",
};
// clang-format on

bool isDpad(int button)
{
    return button >= SDL_CONTROLLER_BUTTON_DPAD_UP && button <= SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
}

// The field of a reading that a D-pad button sets; none for another button.
bool *dpadHeld(GamepadReading &reading, int button)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return &reading.padUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return &reading.padDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return &reading.padLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return &reading.padRight;
    default:
        return nullptr;
    }
}

double axisValue(Sint16 value)
{
    return std::clamp(value / 32767.0, -1.0, 1.0);
}

QString sdlError()
{
    return QString::fromUtf8(SDL_GetError());
}
} // namespace

GamepadSource::EnableButtons GamepadSource::defaultEnableButtons()
{
    return {{SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
            QStringLiteral("LB or RB")};
}

std::optional<GamepadSource::EnableButtons> GamepadSource::enableButtonNamed(const QString &name,
                                                                             QString *error)
{
    const SDL_GameControllerButton button =
        SDL_GameControllerGetButtonFromString(name.toUtf8().constData());
    if (button == SDL_CONTROLLER_BUTTON_INVALID) {
        *error = QStringLiteral("no gamepad button is called '%1' (one of: %2)")
                     .arg(name, enableButtonNames().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    if (isDpad(button)) {
        *error = QStringLiteral("'%1' steers, so it cannot be the enable button").arg(name);
        return std::nullopt;
    }
    return EnableButtons{{button}, QString::fromLatin1(ButtonLabels[button])};
}

QStringList GamepadSource::enableButtonNames()
{
    QStringList names;
    for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
        if (!isDpad(button))
            names << QString::fromLatin1(
                SDL_GameControllerGetStringForButton(SDL_GameControllerButton(button)));
    }
    return names;
}

GamepadSource::GamepadSource(EnableButtons enable, QObject *parent)
    : QObject(parent)
    , m_enable(std::move(enable))
    , m_steering(new GamepadSteering(this))
    , m_timer(new QTimer(this))
{
    connect(m_steering, &GamepadSteering::direction, this, &GamepadSource::direction);
    connect(m_steering, &GamepadSteering::stop, this, &GamepadSource::stop);

    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &GamepadSource::poll);
}

GamepadSource::~GamepadSource()
{
    if (!m_started)
        return;
    for (const int pad : std::as_const(m_pads))
        SDL_GameControllerClose(SDL_GameControllerFromInstanceID(pad));
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool GamepadSource::start()
{
    if (m_started)
        return true;
    // The console has its own handlers for the signals that end it; SDL's
    // would turn them into an SDL_QUIT nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The enable button is the dead-man, not the window's focus: the pad
    // steers whichever window is in front.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetMainReady();
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        m_error = sdlError();
        return false;
    }
    m_started = true;
    m_timer->start(NoPadPollPeriod);
    // Pads already there arrive as events on the first poll.
    poll();
    return true;
}

void GamepadSource::poll()
{
    if (!m_started)
        return;
    if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER)) {
        dropAllPads("SDL's game-controller subsystem was shut down");
        m_started = false;
        m_timer->stop();
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event))
        readEvent(event);
    // A pad SDL lost without telling (a driver that failed under it).
    if (!m_pads.isEmpty() &&
        !SDL_GameControllerGetAttached(SDL_GameControllerFromInstanceID(m_pads.constFirst()))) {
        qCWarning(lcGamepad) << "gamepad" << m_padName << "is no longer attached:" << sdlError();
        removePad(m_pads.constFirst());
    }
    // The events give the order of what the operator did; SDL may still hold
    // a change it sent no event for, such as one made while a pad was being
    // opened.
    if (!m_pads.isEmpty())
        catchUp();
}

QStringList GamepadSource::ignoredPads() const
{
    QStringList names;
    for (qsizetype i = 1; i < m_pads.size(); ++i)
        names << QString::fromUtf8(
            SDL_GameControllerName(SDL_GameControllerFromInstanceID(m_pads.at(i))));
    return names;
}

void GamepadSource::requireCentring()
{
    m_steering->forget();
}

void GamepadSource::readEvent(const SDL_Event &event)
{
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        addPad(event.cdevice.which);
        return;
    case SDL_CONTROLLERDEVICEREMOVED:
        removePad(event.cdevice.which);
        return;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        if (!isSteeringPadHere(event.cbutton.which))
            return;
        const int button = event.cbutton.button;
        const bool down = event.cbutton.state == SDL_PRESSED;
        if (m_enable.buttons.contains(button)) {
            m_enableHeld.removeAll(button);
            if (down)
                m_enableHeld << button;
            m_reading.enableHeld = !m_enableHeld.isEmpty();
        } else if (bool *held = dpadHeld(m_reading, button)) {
            *held = down;
        } else {
            return;
        }
        feed();
        return;
    }
    case SDL_CONTROLLERAXISMOTION:
        if (!isSteeringPadHere(event.caxis.which))
            return;
        if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
            m_reading.stickRight = axisValue(event.caxis.value);
        else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY)
            // SDL counts down as positive.
            m_reading.stickForward = -axisValue(event.caxis.value);
        else
            return;
        feed();
        return;
    default:
        return;
    }
}

bool GamepadSource::isSteeringPadHere(int instanceId) const
{
    // SDL lets go of every button and centres every axis of a pad it is
    // removing, ahead of the removal: that is the pad going, not the operator
    // stopping, and it must not stop another control's drive.
    return !m_pads.isEmpty() && instanceId == m_pads.constFirst() &&
           SDL_GameControllerGetAttached(SDL_GameControllerFromInstanceID(instanceId));
}

void GamepadSource::feed()
{
    m_steering->update(m_reading);
    followPace();
}

void GamepadSource::followPace()
{
    const std::chrono::milliseconds period = m_pads.isEmpty()       ? NoPadPollPeriod
                                             : m_reading.enableHeld ? EnabledPollPeriod
                                                                    : PadPollPeriod;
    // Setting the interval restarts the timer, so only on a change.
    if (m_timer->intervalAsDuration() != period)
        m_timer->setInterval(period);
}

void GamepadSource::addPad(int deviceIndex)
{
    SDL_GameController *pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
        qCWarning(lcGamepad) << "cannot open gamepad" << deviceIndex << ":" << sdlError();
        return;
    }
    const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
    // SDL announces the pads present at start-up once more.
    if (m_pads.contains(id)) {
        SDL_GameControllerClose(pad);
        return;
    }
    qCInfo(lcGamepad) << "gamepad connected:" << SDL_GameControllerName(pad)
                      << (m_pads.isEmpty() ? "(steers)" : "(ignored while another steers)");
    m_pads << id;
    if (m_pads.size() == 1)
        takeFirstPad();
    emit padsChanged();
}

void GamepadSource::removePad(int instanceId)
{
    const qsizetype at = m_pads.indexOf(instanceId);
    if (at < 0)
        return;
    SDL_GameController *pad = SDL_GameControllerFromInstanceID(instanceId);
    qCInfo(lcGamepad) << "gamepad gone:" << (pad ? SDL_GameControllerName(pad) : "");
    m_pads.removeAt(at);
    if (pad)
        SDL_GameControllerClose(pad);
    if (at == 0) {
        const bool wasSteering = m_steering->isSteering();
        m_steering->forget();
        if (wasSteering)
            emit steeringPadLost();
        takeFirstPad();
    }
    emit padsChanged();
}

void GamepadSource::dropAllPads(const char *why)
{
    qCWarning(lcGamepad) << "gamepads are off:" << why;
    const bool wasSteering = !m_pads.isEmpty() && m_steering->isSteering();
    m_steering->forget();
    m_pads.clear();
    m_padName.clear();
    m_reading = {};
    m_enableHeld.clear();
    followPace();
    if (wasSteering)
        emit steeringPadLost();
    emit padsChanged();
}

void GamepadSource::takeFirstPad()
{
    m_reading = {};
    m_enableHeld.clear();
    m_padName.clear();
    followPace();
    if (m_pads.isEmpty())
        return;
    m_padName = QString::fromUtf8(
        SDL_GameControllerName(SDL_GameControllerFromInstanceID(m_pads.constFirst())));
    // From what it shows now: an enable button already held with the stick
    // out is a jump start, which the steering refuses.
    catchUp();
}

void GamepadSource::catchUp()
{
    SDL_GameController *pad = SDL_GameControllerFromInstanceID(m_pads.constFirst());
    const auto held = [pad](int button) {
        return SDL_GameControllerGetButton(pad, SDL_GameControllerButton(button)) != 0;
    };
    QList<int> enableHeld;
    for (const int button : m_enable.buttons) {
        if (held(button))
            enableHeld << button;
    }
    GamepadReading now;
    now.enableHeld = !enableHeld.isEmpty();
    now.stickRight = axisValue(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX));
    now.stickForward = -axisValue(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY));
    for (int button = SDL_CONTROLLER_BUTTON_DPAD_UP; button <= SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
         ++button)
        *dpadHeld(now, button) = held(button);
    m_enableHeld = enableHeld;
    if (now == m_reading)
        return;
    m_reading = now;
    feed();
}
