#include "consolewindowfixture.h"
#include "drivesession.h"
#include "elidinglabel.h"
#include "fakeseriallink.h"
#include "gamepadsource.h"
#include "periodictimer.h"
#include "recordingmessageboxpresenter.h"
#include "tavimork_pc_controlled_bot.h"
#include "virtualpad.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <map>
#include <memory>

// Gamepad steering through SDL's whole stack, with SDL's virtual pads standing
// in for real ones, in the console's window on a recording link.
class TestGamepad : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_pads.clear();
        f.reset();
    }

    // A script is a list of steps, each followed by the console reading the
    // pad: +B / -B presses or releases button B (SDL's names); s(x,y) puts
    // the left stick there (right and forward positive); t is one expiry of
    // the repeat timer; unplug removes the pad; quit shuts SDL's
    // game-controller subsystem down; key:D presses D on the keyboard button.
    // 2: before a step makes it a second pad's, plugged in on its first step.
    void padSteersWhileItsEnableButtonIsHeld_data()
    {
        QTest::addColumn<QString>("enable");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("bytes");
        // clang-format off
        QTest::newRow("stick to each direction, then centred")
            << "" << "+leftshoulder s(0,1) t t s(0,0) s(0,-1) t s(-1,0) t s(1,0) t s(0,0) t"
            << QByteArray("8852465");
        QTest::newRow("D-pad, either shoulder")
            << "" << "+rightshoulder +dpup t -dpup t +dpdown t -dpdown +dpleft t -dpleft +dpright t -dpright t"
            << QByteArray("85254565");
        QTest::newRow("a second D-pad button keeps the first one's way")
            << "" << "+leftshoulder +dpleft t +dpup t -dpleft t" << QByteArray("448");
        QTest::newRow("enable released with the stick out")
            << "" << "+leftshoulder s(0,1) t -leftshoulder t t" << QByteArray("85");
        QTest::newRow("one of two enable buttons released still drives")
            << "" << "+leftshoulder +rightshoulder s(0,1) t -leftshoulder t -rightshoulder t"
            << QByteArray("885");
        QTest::newRow("no jump start: the stick must be centred first")
            << "" << "s(0,1) +leftshoulder t t s(0,0) t s(0,1) t" << QByteArray("8");
        QTest::newRow("no jump start from the D-pad")
            << "" << "+dpup +leftshoulder t -dpup +dpup t" << QByteArray("8");
        QTest::newRow("nothing moves without the enable button")
            << "" << "s(0,1) t +dpup t s(0,0) -dpup +a t" << QByteArray("");
        QTest::newRow("dead zone, and its hysteresis on the way back")
            << "" << "+leftshoulder s(0,0.45) t s(0,0.9) t s(0,0.45) t s(0,0.3) t"
            << QByteArray("885");
        QTest::newRow("diagonal at the hysteresis edge")
            << "" << "+leftshoulder s(0,0.9) t s(0.8,0.7) t s(0.95,0.7) t s(0.8,0.7) t s(0.7,0.9) t"
            << QByteArray("88668");
        QTest::newRow("unplugged while driving")
            << "" << "+leftshoulder s(0,1) t unplug t t" << QByteArray("85");
        QTest::newRow("unplugged after its own stop")
            << "" << "+leftshoulder s(0,1) t s(0,0) unplug t" << QByteArray("85");
        QTest::newRow("unplugged while the keyboard drives: last step wins")
            << "" << "+leftshoulder s(0,1) t key:D t unplug t" << QByteArray("866");
        QTest::newRow("SDL shut down under the console while driving")
            << "" << "+leftshoulder s(0,1) t quit t" << QByteArray("85");
        QTest::newRow("a second pad does nothing until the first goes")
            << "" << "-leftshoulder 2:+leftshoulder 2:s(0,1) t unplug t 2:s(0,0) 2:s(0,1) t"
            << QByteArray("8");
        QTest::newRow("--gamepad-enable a")
            << "a" << "+leftshoulder s(0,1) t s(0,0) +a s(0,1) t -a t" << QByteArray("85");
        // clang-format on
    }
    void padSteersWhileItsEnableButtonIsHeld()
    {
        QFETCH(QString, enable);
        QFETCH(QString, script);
        QFETCH(QByteArray, bytes);
        start(enable);
        for (const QString &step : script.split(u' ')) {
            run(step);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(f->link->written, bytes);
    }

    void stripNamesThePadAndWhatDrives()
    {
        start();
        auto *strip = f->find<ElidingLabel>(QStringLiteral("lblStatus"));
        QVERIFY(!strip->fullText().contains(QStringLiteral("Gamepad")));
        pad(1);
        f->gamepad->poll();
        QVERIFY2(strip->fullText().endsWith(
                     QStringLiteral("\nGamepad: Test Gamepad, hold LB or RB to drive")),
                 qPrintable(strip->fullText()));
        pad(2);
        f->gamepad->poll();
        QVERIFY2(strip->fullText().endsWith(QStringLiteral("; not used: Second Gamepad")),
                 qPrintable(strip->fullText()));
        run(QStringLiteral("+leftshoulder"));
        run(QStringLiteral("s(0,1)"));
        QCOMPARE(strip->fullText(), QStringLiteral("Driving forward (gamepad)"));
        run(QStringLiteral("unplug"));
        QVERIFY2(strip->fullText().endsWith(
                     QStringLiteral("\nGamepad: Second Gamepad, hold LB or RB to drive")),
                 qPrintable(strip->fullText()));
        m_pads.clear();
        f->gamepad->poll();
        QVERIFY(!strip->fullText().contains(QStringLiteral("Gamepad")));
    }

    // The window stands still with the robot driven from the pad, and the
    // enable button is let go meanwhile: the drive thread stops the robot, and
    // nothing drives it again once the window catches up.
    void frozenWindowHoldsThePadsDriveAndItsReleaseWins()
    {
        auto *link = new FakeSerialLink;
        DriveSessionThread drive(
            new DriveSession(std::unique_ptr<SerialLink>(link),
                             std::make_unique<PeriodicTimer>(RobotLine::RepeatPeriod)));
        const PortDirectory directory{QProcessEnvironment()};
        auto source = std::make_unique<GamepadSource>();
        GamepadSource *gamepad = source.get();
        Tavimork_PC_Controlled_Bot window(*drive.session(),
                                          std::make_unique<RecordingMessageBoxPresenter>(),
                                          directory, std::move(source));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.findChild<QPushButton *>(QStringLiteral("cmdConn"))->click();
        QVERIFY(gamepad->start());
        VirtualPad &pad = this->pad(1);
        const auto written = [&drive, link] {
            return callAndWait(drive.session(), [link] { return link->written; });
        };
        pad.setButton(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
        gamepad->poll();
        pad.setStick(0, 1);
        QTRY_VERIFY(written().count('8') >= 3);

        pad.setButton(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false);
        QThread::msleep(800);
        QTest::qWait(300);
        const QByteArray bytes = written();
        QVERIFY2(QRegularExpression(QStringLiteral("^8+55$")).match(bytes).hasMatch(),
                 bytes.right(40).constData());
    }

private:
    void start(const QString &enable = QString())
    {
        QString error;
        auto buttons = enable.isEmpty() ? GamepadSource::defaultEnableButtons()
                                        : *GamepadSource::enableButtonNamed(enable, &error);
        f = std::make_unique<ConsoleWindowFixture>(std::make_unique<GamepadSource>(buttons));
        QVERIFY(f->showAndActivate());
        f->find<QPushButton>(QStringLiteral("cmdConn"))->click();
        QVERIFY(f->link->portOpen());
        QVERIFY2(f->gamepad->start(), qPrintable(f->gamepad->errorString()));
    }

    VirtualPad &pad(int which)
    {
        auto &pad = m_pads[which];
        if (!pad) {
            pad = std::make_unique<VirtualPad>(which == 1 ? "Test Gamepad" : "Second Gamepad");
            if (!pad->isValid())
                qFatal("no virtual pad: %s", qPrintable(pad->errorString()));
        }
        return *pad;
    }

    void run(QString step)
    {
        int which = 1;
        if (step.startsWith(QStringLiteral("2:"))) {
            which = 2;
            step.remove(0, 2);
        }
        static const QRegularExpression stick(QStringLiteral("^s\\(([-.0-9]+),([-.0-9]+)\\)$"));
        if (step == u't') {
            f->ticks->fire();
        } else if (step == QStringLiteral("unplug")) {
            m_pads.erase(which);
        } else if (step == QStringLiteral("quit")) {
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        } else if (step == QStringLiteral("key:D")) {
            QTest::keyPress(f->find(QStringLiteral("cmdKeyBoard")), Qt::Key_D);
        } else if (const auto match = stick.match(step); match.hasMatch()) {
            pad(which).setStick(match.captured(1).toDouble(), match.captured(2).toDouble());
        } else if (step.startsWith(u'+') || step.startsWith(u'-')) {
            const SDL_GameControllerButton button =
                SDL_GameControllerGetButtonFromString(step.mid(1).toLatin1().constData());
            QVERIFY2(button != SDL_CONTROLLER_BUTTON_INVALID, qPrintable(step));
            pad(which).setButton(button, step.startsWith(u'+'));
        } else {
            QFAIL(qPrintable(QStringLiteral("no such step: ") + step));
        }
        f->gamepad->poll();
    }

    std::unique_ptr<ConsoleWindowFixture> f;
    std::map<int, std::unique_ptr<VirtualPad>> m_pads;
};

QTEST_MAIN(TestGamepad)
#include "tst_gamepad.moc"
