#include "consolewindowfixture.h"
#include "drivecommands.h"
#include "keyboardcontrolbutton.h"
#include "keytable.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

// Pointer and keyboard steering as an operator does it: real pointer moves
// over the window and key events on the keyboard button.
class TestSteering : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<ConsoleWindowFixture>();
        QVERIFY(f->showAndActivate());
        f->find<QPushButton>(QStringLiteral("cmdConn"))->click();
        QVERIFY(f->link->portOpen());
    }
    void cleanup() { f.reset(); }

    void pointerOverADirectionLabelRepeatsItsCommand_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("forward") << "lblForward" << QByteArray("88");
        QTest::newRow("backward") << "lblBackward" << QByteArray("22");
        QTest::newRow("left") << "lblLeft" << QByteArray("44");
        QTest::newRow("right") << "lblRight" << QByteArray("66");
    }
    void pointerOverADirectionLabelRepeatsItsCommand()
    {
        QFETCH(QString, label);
        QFETCH(QByteArray, bytes);
        f->session->halt();
        moveOnto(label);
        QVERIFY(f->drive.repeating);
        QCOMPARE(f->link->written, QByteArray());
        tick(2);
        QCOMPARE(f->link->written, bytes);
    }

    void everyMoveOverAnyStopZoneWritesOneStop_data()
    {
        QTest::addColumn<int>("zone");
        for (int i = 0; i < 5; ++i)
            QTest::addRow("zone %d", i) << i;
    }
    void everyMoveOverAnyStopZoneWritesOneStop()
    {
        QFETCH(int, zone);
        moveOnto(QStringLiteral("lblForward"));
        const QString name = QStringLiteral("lblStop%1").arg(zone);
        moveOnto(name);
        QCOMPARE(f->link->written, QByteArray("5"));
        QVERIFY(!f->drive.repeating);
        QTest::mouseMove(f->window.get(), centreOf(name) + QPoint(1, 1));
        QCOMPARE(f->link->written, QByteArray("55"));
        tick(1);
        QCOMPARE(f->link->written, QByteArray("55"));
    }

    void leftThroughTheMiddleStopToRight()
    {
        moveOnto(QStringLiteral("lblLeft"));
        tick(2);
        moveOnto(QStringLiteral("lblStop4"));
        moveOnto(QStringLiteral("lblRight"));
        tick(2);
        QCOMPARE(f->link->written, QByteArray("44566"));
    }

    void leavingALabelForPlainBackgroundKeepsTheDirection()
    {
        moveOnto(QStringLiteral("lblForward"));
        // Slowly, over background only, into the corner gap between the left
        // bar and the bar above.
        const QRect left = f->find(QStringLiteral("lblStop3"))->geometry();
        const QRect above = f->find(QStringLiteral("lblStop1"))->geometry();
        const int gapX = (left.right() + above.left()) / 2;
        const QPoint underTheBar(f->find(QStringLiteral("lblForward"))->x() - 4,
                                 above.bottom() + 4);
        for (const QPoint point :
             {underTheBar, QPoint(gapX, underTheBar.y()), QPoint(gapX, above.center().y())}) {
            QCOMPARE(f->window->childAt(point), nullptr);
            QTest::mouseMove(f->window.get(), point);
        }
        tick(1);
        QCOMPARE(f->link->written, QByteArray("8"));
        QVERIFY(f->drive.repeating);
    }

    // Qt reports the pointer where it is now and then, so a quick flick may
    // be seen once before a zone and next beyond it, or leaving the window.
    void aFlickPassesOverTheZonesBetweenTwoReportedMoves_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("command"); // empty: not repeating
        QTest::newRow("over the bar above onto the caption")
            << "lblForward" << QPoint(432, 92) << "";
        QTest::newRow("over the middle onto background") << "lblForward" << QPoint(404, 196) << "";
        // The stop first, then the direction it ended on.
        QTest::newRow("over the middle onto Backward") << "lblForward" << QPoint(380, 208) << "2";
        QTest::newRow("over the right bar out of the window")
            << "lblRight" << QPoint(700, 184) << "";
    }
    void aFlickPassesOverTheZonesBetweenTwoReportedMoves()
    {
        QFETCH(QString, from);
        QFETCH(QPoint, to);
        QFETCH(QString, command);
        moveOnto(from);
        QTest::mouseMove(f->window.get(), to);
        QCOMPARE(f->link->written, QByteArray("5"));
        QCOMPARE(f->drive.repeating, !command.isEmpty());
        if (!command.isEmpty())
            QCOMPARE(f->drive.command, command);
    }

    void stopZonesLieAboveDirectionLabelsWhereTheyOverlap()
    {
        const QStringList directions = {QStringLiteral("lblForward"), QStringLiteral("lblBackward"),
                                        QStringLiteral("lblLeft"), QStringLiteral("lblRight")};
        for (const QString &direction : directions) {
            const QRect label = f->find(direction)->geometry();
            for (int i = 0; i < 5; ++i) {
                QWidget *zone = f->find(QStringLiteral("lblStop%1").arg(i));
                const QRect overlap = label & zone->geometry();
                if (overlap.isEmpty())
                    continue;
                QCOMPARE(f->window->childAt(overlap.center()), zone);
            }
        }
        // Stacking follows creation order; the stop zones come last.
        const QObjectList children = f->window->children();
        QVERIFY(children.indexOf(f->find(QStringLiteral("lblStop0"))) >
                children.indexOf(f->find(QStringLiteral("lblRight"))));
    }

    void stopZonesAreInvisibleYetReceiveMoves()
    {
        for (int i = 0; i < 5; ++i) {
            auto *zone = f->find<QLabel>(QStringLiteral("lblStop%1").arg(i));
            QVERIFY(zone->text().isEmpty());
            QVERIFY(zone->isVisible());
            QVERIFY(zone->hasMouseTracking());
        }
    }

    void pointerMovesWithPortClosedWriteNothingButStillStop()
    {
        f->find<QPushButton>(QStringLiteral("cmdDisc"))->click();
        moveOnto(QStringLiteral("lblForward"));
        tick(1);
        moveOnto(QStringLiteral("lblStop1"));
        QVERIFY(!f->drive.repeating);
        QCOMPARE(f->link->written, QByteArray());
    }

    void clicksOnLabelsHaveNoEffectOfTheirOwn()
    {
        moveOnto(QStringLiteral("lblStop1"));
        const QByteArray before = f->link->written;
        QWidget *zone = f->find(QStringLiteral("lblStop1"));
        QTest::mouseClick(zone, Qt::LeftButton, {}, zone->rect().center());
        QCOMPARE(f->link->written, before);
        QVERIFY(!f->drive.repeating);
    }

    void keyTable_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("command"); // empty: the key halts

        const Qt::KeyboardModifiers none;
        QTest::newRow("W") << int(Qt::Key_W) << none << "8";
        QTest::newRow("Shift+W") << int(Qt::Key_W) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                 << "8";
        QTest::newRow("S") << int(Qt::Key_S) << none << "2";
        QTest::newRow("A") << int(Qt::Key_A) << none << "4";
        QTest::newRow("D") << int(Qt::Key_D) << none << "6";
        const Qt::KeyboardModifiers keypad(Qt::KeypadModifier);
        QTest::newRow("keypad 8") << int(Qt::Key_8) << keypad << "8";
        QTest::newRow("keypad 2") << int(Qt::Key_2) << keypad << "2";
        QTest::newRow("keypad 4") << int(Qt::Key_4) << keypad << "4";
        QTest::newRow("keypad 6") << int(Qt::Key_6) << keypad << "6";
        QTest::newRow("keypad 5") << int(Qt::Key_5) << keypad << "";
        QTest::newRow("main-row 8") << int(Qt::Key_8) << none << "";
        QTest::newRow("arrow up") << int(Qt::Key_Up) << none << "";
        QTest::newRow("keypad 8, Num Lock off") << int(Qt::Key_Up) << keypad << "";
        QTest::newRow("keypad 4, Num Lock off") << int(Qt::Key_Left) << keypad << "";
        QTest::newRow("Shift") << int(Qt::Key_Shift) << none << "";
        QTest::newRow("Ctrl") << int(Qt::Key_Control) << none << "";
        QTest::newRow("Space") << int(Qt::Key_Space) << none << "";
        QTest::newRow("H") << int(Qt::Key_H) << none << "";
    }
    void keyTable()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, command);

        auto *button = keyboardButton();
        button->setFocus();
        f->session->direction(DriveCommand::Backward);
        // Sent as the key alone: QTest would also press the modifier keys.
        sendKey(button, QEvent::KeyPress, Qt::Key(key), false, modifiers);
        if (command.isEmpty()) {
            QVERIFY(!f->drive.repeating);
            QCOMPARE(f->drive.command, QStringLiteral("2"));
        } else {
            QVERIFY(f->drive.repeating);
            QCOMPARE(f->drive.command, command);
        }
        QCOMPARE(f->link->written, QByteArray());

        sendKey(button, QEvent::KeyRelease, Qt::Key(key), false, modifiers);
        QCOMPARE(f->link->written, QByteArray("5"));
        QVERIFY(!f->drive.repeating);
    }

    void lettersAndKeypadDigitsGiveTheirVirtualKeyCodes()
    {
        QCOMPARE(KeyTable::virtualKeyCode(Qt::Key_W, Qt::ShiftModifier), 87);
        QCOMPARE(KeyTable::virtualKeyCode(Qt::Key_8, Qt::KeypadModifier), 104);
        QCOMPARE(KeyTable::virtualKeyCode(Qt::Key_6, Qt::KeypadModifier), 102);
        QCOMPARE(KeyTable::virtualKeyCode(Qt::Key_8, {}), 56);
    }

    void holdingWRepeatsUntilItsOneRealRelease()
    {
        auto *button = keyboardButton();
        button->setFocus();
        QTest::keyPress(button, Qt::Key_W);
        tick(1);
        for (int i = 0; i < 3; ++i) {
            // A held key's repeats, as platforms that pair them report them.
            sendKey(button, QEvent::KeyRelease, Qt::Key_W, true);
            sendKey(button, QEvent::KeyPress, Qt::Key_W, true);
            tick(1);
        }
        QTest::keyRelease(button, Qt::Key_W);
        tick(2);
        QCOMPARE(f->link->written, QByteArray("88885"));
    }

    void releasingEitherOfTwoHeldKeysStopsAndARepeatOfTheOtherResumes()
    {
        auto *button = keyboardButton();
        button->setFocus();
        QTest::keyPress(button, Qt::Key_W);
        QTest::keyPress(button, Qt::Key_D);
        tick(1);
        QTest::keyRelease(button, Qt::Key_D);
        QVERIFY(!f->drive.repeating);
        sendKey(button, QEvent::KeyPress, Qt::Key_W, true);
        tick(1);
        QCOMPARE(f->link->written, QByteArray("658"));
    }

    void keysSteerOnlyTheKeyboardButton()
    {
        auto *clear = f->find<QPushButton>(QStringLiteral("Command1"));
        clear->setFocus();
        QTest::keyPress(clear, Qt::Key_W);
        QTest::keyRelease(clear, Qt::Key_W);
        QCOMPARE(f->drive.command, QString());
        QCOMPARE(f->link->written, QByteArray());
    }

    void clickShowsTheKeyGuideButKeysSteerBeforeIt()
    {
        auto *button = keyboardButton();
        QCOMPARE(button->text(), QStringLiteral("Click to activate Keyboard Control"));
        button->setFocus(Qt::TabFocusReason);
        QTest::keyPress(button, Qt::Key_A);
        QCOMPARE(f->drive.command, QStringLiteral("4"));
        QTest::keyRelease(button, Qt::Key_A);

        const QString guide = QStringLiteral("Press W or Num 8 for forward\r\nS or Num 2 for "
                                             "Backward\r\nA or Num 4 for Left Turn and\r\nD or "
                                             "Num 6 for Right Turn");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), guide);
        QVERIFY(button->hasFocus());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), guide);
        QCOMPARE(f->link->written, QByteArray("5"));
    }

    void arrowKeysHaltThenStopAndLeaveTheFocusOnTheButton()
    {
        auto *button = keyboardButton();
        button->setFocus();
        for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right}) {
            f->session->direction(DriveCommand::Forward);
            QTest::keyPress(QApplication::focusWidget(), key);
            QVERIFY(!f->drive.repeating);
            QTest::keyRelease(QApplication::focusWidget(), key);
            QCOMPARE(QApplication::focusWidget(), button);
        }
        QCOMPARE(f->link->written, QByteArray("5555"));
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_W);
        QCOMPARE(f->drive.command, QStringLiteral("8"));
        QVERIFY(f->drive.repeating);
    }

    void keyboardButtonFramesTheFocusAlsoAfterAClick()
    {
        auto *button = keyboardButton();
        const QColor highlight = button->palette().color(QPalette::Highlight);
        const QPoint onTheFrame(5, button->height() / 2);
        QVERIFY(button->grab().toImage().pixelColor(onTheFrame) != highlight);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->hasFocus());
        QCOMPARE(button->grab().toImage().pixelColor(onTheFrame), highlight);
    }

    void tabStillMovesTheFocusAwayFromTheButton()
    {
        auto *button = keyboardButton();
        button->setFocus();
        moveOnto(QStringLiteral("lblLeft"));
        typeKey(Qt::Key_Tab);
        QVERIFY(!button->hasFocus());
        // Tab is not a key delivered to the button: the direction goes on.
        QVERIFY(f->drive.repeating);
    }

    void losingFocusWithASteeringKeyHeldStopsOnce_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("tab") << 0;
        QTest::newRow("click elsewhere") << 1;
        QTest::newRow("window deactivated") << 2;
    }
    void losingFocusWithASteeringKeyHeldStopsOnce()
    {
        QFETCH(int, how);
        auto *button = keyboardButton();
        button->setFocus();
        QTest::keyPress(button, Qt::Key_W);
        tick(1);
        auto *clear = f->find<QPushButton>(QStringLiteral("Command1"));
        if (how == 0) {
            typeKey(Qt::Key_Tab);
        } else if (how == 1) {
            QTest::mouseClick(clear, Qt::LeftButton);
            clear->setFocus(Qt::MouseFocusReason);
        } else {
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QVERIFY(!button->hasFocus());
        QVERIFY(!f->drive.repeating);
        QCOMPARE(f->link->written, QByteArray("85"));
        tick(2);
        QCOMPARE(f->link->written, QByteArray("85"));
    }

    void losingFocusWithNoKeyHeldChangesNothing()
    {
        auto *button = keyboardButton();
        button->setFocus();
        typeKey(Qt::Key_W);
        moveOnto(QStringLiteral("lblRight"));
        f->find(QStringLiteral("Command1"))->setFocus(Qt::TabFocusReason);
        QVERIFY(f->drive.repeating);
        QCOMPARE(f->link->written, QByteArray("5"));
    }

    void closingWhileDrivingStopsTheRobotOnceThenReleasesThePort()
    {
        moveOnto(QStringLiteral("lblForward"));
        tick(1);
        f->window->close();
        QCOMPARE(f->link->written, QByteArray("85"));
        QVERIFY(!f->link->portOpen());
    }

    void closingWhileNotDrivingWritesNothing_data()
    {
        QTest::addColumn<bool>("steered");
        QTest::newRow("never steered") << false;
        QTest::newRow("stopped") << true;
    }
    void closingWhileNotDrivingWritesNothing()
    {
        QFETCH(bool, steered);
        if (steered) {
            moveOnto(QStringLiteral("lblForward"));
            moveOnto(QStringLiteral("lblStop1"));
        }
        const QByteArray before = f->link->written;
        f->window->close();
        QCOMPARE(f->link->written, before);
        QVERIFY(!f->link->portOpen());
    }

private:
    KeyboardControlButton *keyboardButton() const
    {
        return f->find<KeyboardControlButton>(QStringLiteral("cmdKeyBoard"));
    }
    QPoint centreOf(const QString &name) const { return f->find(name)->geometry().center(); }
    void moveOnto(const QString &name) const
    {
        // Qt drops a move to where the pointer already is, and an earlier
        // test may have left it there, so come from plain background. Each
        // move comes in from outside the window, so no path joins it to the
        // last one.
        const QPoint background(2, 60);
        QVERIFY2(!f->window->childAt(background), "the point taken for background is on a control");
        for (const QPoint point : {background, centreOf(name)}) {
            QEnterEvent enter(point, point, f->window->mapToGlobal(point));
            QCoreApplication::sendEvent(f->window.get(), &enter);
            QTest::mouseMove(f->window.get(), point);
        }
    }
    // The repeat timer's expiries, fired by hand: it only fires while enabled.
    void tick(int count) const { f->ticks->fire(count); }
    // Press and release go to whichever widget has the focus at that moment,
    // as they do from a real keyboard.
    static void typeKey(Qt::Key key)
    {
        QTest::keyPress(QApplication::focusWidget(), key);
        QTest::keyRelease(QApplication::focusWidget(), key);
    }
    static void sendKey(QWidget *target, QEvent::Type type, Qt::Key key, bool autoRepeat,
                        Qt::KeyboardModifiers modifiers = {})
    {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QCoreApplication::sendEvent(target, &event);
    }

    std::unique_ptr<ConsoleWindowFixture> f;
};

QTEST_MAIN(TestSteering)
#include "tst_steering.moc"
