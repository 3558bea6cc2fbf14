#pragma once

#include "drivesession.h"
#include "fakeseriallink.h"
#include "gamepadsource.h"
#include "manualticksource.h"
#include "recordingmessageboxpresenter.h"
#include "tavimork_pc_controlled_bot.h"

#include <QProcessEnvironment>
#include <QTest>

#include <memory>

// The console window wired to a drive session on the same thread, with a
// recording link, a hand-fired repeat timer and a recording message box, and
// lookups of its controls by name. The session's steps can be made directly,
// and what it reports of the drive is kept in `drive`. A gamepad source given
// is the window's.
class ConsoleWindowFixture
{
public:
    // The command and whether it repeats, as the session said last; the
    // session reports only changes, so nothing until the first one.
    struct ReportedDrive
    {
        int reports = 0;
        // By its byte on the line; empty before any direction.
        QString command;
        bool repeating = false;
    };

    explicit ConsoleWindowFixture(std::unique_ptr<GamepadSource> pad = nullptr)
    {
        gamepad = pad.get();
        auto fakeLink = std::make_unique<FakeSerialLink>();
        auto fakeTicks = std::make_unique<ManualTickSource>();
        auto fakeBox = std::make_unique<RecordingMessageBoxPresenter>();
        link = fakeLink.get();
        ticks = fakeTicks.get();
        box = fakeBox.get();
        session = std::make_unique<DriveSession>(std::move(fakeLink), std::move(fakeTicks));
        QObject::connect(session.get(), &DriveSession::driveStateChanged, session.get(),
                         [this](const DriveState &state) {
                             ++drive.reports;
                             drive.command = state.command
                                                 ? QString(QLatin1Char(byteOf(*state.command)))
                                                 : QString();
                             drive.repeating = state.repeating;
                         });
        window = std::make_unique<Tavimork_PC_Controlled_Bot>(*session, std::move(fakeBox),
                                                              directory, std::move(pad));
    }

    template <typename Widget = QWidget> Widget *find(const QString &name) const
    {
        auto *widget = window->findChild<Widget *>(name);
        if (!widget)
            qFatal("no control %s", qPrintable(name));
        return widget;
    }

    bool showAndActivate() const
    {
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }

    FakeSerialLink *link = nullptr;
    ManualTickSource *ticks = nullptr;
    RecordingMessageBoxPresenter *box = nullptr;
    GamepadSource *gamepad = nullptr;
    ReportedDrive drive;
    std::unique_ptr<DriveSession> session;
    const PortDirectory directory{[] {
        QProcessEnvironment env;
        env.insert(QStringLiteral("TAVIMORK_PORT1"), QStringLiteral("/dev/robot-on-port-1"));
        return env;
    }()};
    std::unique_ptr<Tavimork_PC_Controlled_Bot> window;
};
