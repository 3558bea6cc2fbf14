#pragma once

#include "drivecontroller.h"
#include "fakeseriallink.h"
#include "recordingmessageboxpresenter.h"
#include "tavimork_pc_controlled_bot.h"

#include <QProcessEnvironment>
#include <QTest>

#include <memory>

// The console window wired to a recording link and message box, with lookups
// of its controls by name.
class ConsoleWindowFixture
{
public:
    ConsoleWindowFixture()
    {
        auto fakeLink = std::make_unique<FakeSerialLink>();
        auto fakeBox = std::make_unique<RecordingMessageBoxPresenter>();
        link = fakeLink.get();
        box = fakeBox.get();
        QProcessEnvironment env;
        env.insert(QStringLiteral("TAVIMORK_PORT1"), QStringLiteral("/dev/robot-on-port-1"));
        window = std::make_unique<Tavimork_PC_Controlled_Bot>(
            std::move(fakeLink), std::move(fakeBox), PortDirectory(env));
    }

    template <typename Widget = QWidget> Widget *find(const QString &name) const
    {
        auto *widget = window->findChild<Widget *>(name);
        if (!widget)
            qFatal("no control %s", qPrintable(name));
        return widget;
    }

    DriveController &controller() const { return window->controller(); }

    bool showAndActivate() const
    {
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }

    FakeSerialLink *link = nullptr;
    RecordingMessageBoxPresenter *box = nullptr;
    std::unique_ptr<Tavimork_PC_Controlled_Bot> window;
};
