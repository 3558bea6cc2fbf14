#include "consolelayout.h"
#include "consolewindowfixture.h"
#include "devicelistwatch.h"
#include "drivecommands.h"
#include "elidinglabel.h"
#include "logcontextmenu.h"
#include "logrecording.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#endif

#ifdef Q_OS_UNIX
namespace {
// Caps the size of files this process writes, for the scope's lifetime.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        // A write beyond the limit then fails with EFBIG instead of a signal.
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit lower = m_limit;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_limit);
        std::signal(SIGXFSZ, m_signal);
    }
    Q_DISABLE_COPY(FileSizeLimit)

private:
    rlimit m_limit{};
    void (*m_signal)(int) = nullptr;
};
} // namespace
#endif

class TestConsoleWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<ConsoleWindowFixture>(); }
    void cleanup() { f.reset(); }

    void everyControlIsAsItsRowOfTheLayoutTableSays()
    {
        // An inch of the design is 96 pixels: 1440 twips.
        QCOMPARE(ConsoleLayout::toPixels(1440), 96);
        QCOMPARE(ConsoleLayout::toPixels(ControlDesign{"", "", 7, 8, 22, 23, {}, 0, false, "", ""}),
                 QRect(0, 1, 1, 2));
        QCOMPARE(f->window->size(), ConsoleLayout::clientSize());
        const QFont windowFont = f->window->font();
        for (const ControlDesign &design : ConsoleLayout::Controls) {
            QWidget *widget = f->find(QLatin1String(design.name));
            const QRect stored = ConsoleLayout::toPixels(design);
            if (design.sizedToCaption) {
                // A direction label keeps its corner and fits its caption.
                const auto *label = qobject_cast<const QLabel *>(widget);
                QVERIFY2(label, design.name);
                QCOMPARE(label->pos(), stored.topLeft());
                QCOMPARE(label->text(), QLatin1String(design.caption));
                const QFontMetrics metrics(label->font());
                QVERIFY(label->width() >= metrics.horizontalAdvance(label->text()));
                QVERIFY(label->height() >= metrics.height());
            } else {
                QCOMPARE(widget->geometry(), stored);
            }

            const QFont font = widget->font();
            if (design.font == ControlDesign::Font::WindowDefault) {
                QCOMPARE(font, windowFont);
            } else {
                const bool small = design.font == ControlDesign::Font::TahomaSmallBold;
                QCOMPARE(font.pointSizeF(), small ? 8.25 : 9.75);
                QCOMPARE(font.weight(), QFont::Bold);
                QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
                QCOMPARE(QFontInfo(font).family(), QStringLiteral("Tahoma"));
            }

            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(control);
            const QString name = control->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(), design.name);
            if (*design.accessibleName)
                QCOMPARE(name, QLatin1String(design.accessibleName));
            QCOMPARE(control->text(QAccessible::Description),
                     QLatin1String(design.accessibleDescription));
        }

        // Tab goes through the controls that take the focus in the table's
        // order; the labels never take it.
        const QStringList expected = {"cmdConn",  "cmdDisc",  "Combo4",
                                      "txtInput", "Command1", "cmdKeyBoard"};
        QStringList chain;
        QWidget *widget = button("cmdConn");
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != button("cmdConn"));
        // Combo4's line edit takes focus on the combo's behalf.
        chain.removeAll(QString());
        QCOMPARE(chain.mid(0, expected.size()), expected);
    }

    void startsWithCaptionsListAndStatesOfAClosedConsole()
    {
        QCOMPARE(f->window->windowTitle(), QStringLiteral("Tavimork PC Controlled Robot"));
        QCOMPARE(f->window->windowIcon().availableSizes().value(0), QSize(32, 32));
        QVERIFY(f->window->windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(f->window->windowIcon().availableSizes().contains(QSize(256, 256)));
        QCOMPARE(button("cmdConn")->text(), QStringLiteral("Connect"));
        QCOMPARE(button("cmdDisc")->text(), QStringLiteral("Disconnect"));
        QCOMPARE(button("Command1")->text(), QStringLiteral("Clear"));
        QCOMPARE(button("cmdKeyBoard")->text(),
                 QStringLiteral("Click to activate Keyboard Control"));
        QCOMPARE(label("Label1")->text(), QStringLiteral("Move Mouse on labels to perform action"));
        QCOMPARE(label("Label2")->text(), QStringLiteral("COM PORT"));
        for (int i = 0; i < 5; ++i)
            QVERIFY(label(QStringLiteral("lblStop%1").arg(i))->text().isEmpty());

        QStringList entries;
        for (int i = 0; i < combo()->count(); ++i)
            entries << combo()->itemText(i);
        QStringList expected;
        for (int port = 1; port <= 16; ++port)
            expected << QString::number(port);
        QCOMPARE(entries, expected);
        QCOMPARE(combo()->currentText(), QStringLiteral("1"));

        expectClosedState();
        QVERIFY(log()->toPlainText().isEmpty());
        QVERIFY(!log()->isReadOnly());
        QCOMPARE(f->link->calls, QStringList());
        // Repeating from the start, with no command: a halt is news, and names none.
        QCOMPARE(f->drive.reports, 0);
        session().halt();
        QCOMPARE(f->drive.reports, 1);
        QVERIFY(!f->drive.repeating);
        QCOMPARE(f->drive.command, QString());
    }

    void focusStartsOnConnect()
    {
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
        QCOMPARE(QApplication::focusWidget(), button("cmdConn"));
    }

    void connectOpensTheSelectedPortWithTheFixedSettings_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<qint16>("port");
        QTest::newRow("first entry") << 0 << qint16(1);
        QTest::newRow("last entry") << 15 << qint16(16);
    }
    void connectOpensTheSelectedPortWithTheFixedSettings()
    {
        QFETCH(int, position);
        QFETCH(qint16, port);
        combo()->setCurrentIndex(position);
        button("cmdConn")->click();
        QCOMPARE(f->link->calls, (QStringList{QStringLiteral("CommPort=%1").arg(port),
                                              QStringLiteral("Settings=57600,n,8,1"),
                                              QStringLiteral("PortOpen=True")}));
        QVERIFY(f->box->shown.isEmpty());
        expectOpenState();
        QCOMPARE(f->link->written, QByteArray());
    }

    void failedConnectShowsTheBoxOncePerClickAndStaysClosed()
    {
        f->link->opens = false;
        button("cmdConn")->click();
        QCOMPARE(f->box->shown.size(), 1);
        QCOMPARE(f->box->shown[0].title, QStringLiteral("Can not open port !!!"));
        QCOMPARE(f->box->shown[0].text,
                 QStringLiteral("Can not open port, Select correct port or check that port is "
                                "not used by any other application. You can also try removing "
                                "and re-inserting the USB device."));
        // The reason is where the operator looks, and the strip keeps it.
        QCOMPARE(f->box->shown[0].informativeText, QStringLiteral("refused by test"));
        QCOMPARE(label("lblStatus")->text(), QStringLiteral("refused by test"));
        expectClosedState();
        button("cmdConn")->click();
        QCOMPARE(f->box->shown.size(), 2);
        expectClosedState();
    }

    void connectWithNoEntrySelectedShowsTheBoxAndStaysClosed()
    {
        combo()->setCurrentIndex(-1);
        button("cmdConn")->click();
        QCOMPARE(f->box->shown.size(), 1);
        QCOMPARE(f->box->shown[0].title, QStringLiteral("Can not open port !!!"));
        QVERIFY(!f->box->shown[0].informativeText.isEmpty());
        QCOMPARE(f->box->shown[0].informativeText, label("lblStatus")->text());
        QVERIFY(!f->link->calls.contains(QStringLiteral("PortOpen=True")));
        expectClosedState();
    }

    void connectOpensThePortWhoseNumberIsShownEvenWhenTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint16>("port"); // 0: no such entry, the box shows
        QTest::newRow("an entry") << "12" << qint16(12);
        QTest::newRow("beyond the list") << "17" << qint16(0);
        QTest::newRow("not a number") << "COM3" << qint16(0);
    }
    void connectOpensThePortWhoseNumberIsShownEvenWhenTyped()
    {
        QFETCH(QString, typed);
        QFETCH(qint16, port);
        combo()->setEditText(typed);
        button("cmdConn")->click();
        if (port > 0) {
            QCOMPARE(f->link->commPort(), port);
            expectOpenState();
        } else {
            QCOMPARE(f->box->shown.size(), 1);
            QVERIFY(!f->link->calls.contains(QStringLiteral("PortOpen=True")));
            expectClosedState();
        }
    }

    void statusLineNamesTheDeviceOfTheSelectedPort()
    {
        QVERIFY(label("lblStatus")->text().contains(QStringLiteral("/dev/robot-on-port-1")));
        QVERIFY(label("lblStatus")->geometry().left() >= button("cmdDisc")->geometry().right());
    }

    void disconnectReachesClosedWithoutStopByteAndReconnectResumes()
    {
        button("cmdConn")->click();
        session().direction(DriveCommand::Right);
        f->ticks->fire();
        button("cmdDisc")->click();
        expectClosedState();
        QCOMPARE(f->link->calls.last(), QStringLiteral("PortOpen=False"));
        f->ticks->fire();
        QCOMPARE(f->link->written, QByteArray("6"));
        QVERIFY(f->drive.repeating);

        button("cmdConn")->click();
        f->ticks->fire();
        QCOMPARE(f->link->written, QByteArray("66"));
    }

    void lostPortReachesClosedWithoutABox()
    {
        button("cmdConn")->click();
        session().direction(DriveCommand::Forward);
        f->link->lose(QStringLiteral("device unplugged"));
        expectClosedState();
        QVERIFY(f->box->shown.isEmpty());
        QVERIFY(label("lblStatus")->text().contains(QStringLiteral("lost")));
        QVERIFY(label("lblStatus")->text().contains(QStringLiteral("device unplugged")));
        QVERIFY(f->drive.repeating);
        QCOMPARE(f->link->written, QByteArray());
    }

    void disconnectRightAfterAnUnreportedLossStillCloses()
    {
        button("cmdConn")->click();
        f->link->failUnreported();
        button("cmdDisc")->click();
        expectClosedState();
    }

    void statusLineSaysWhileTheRobotIsNotReadingAndDisconnectDropsTheQueue()
    {
        button("cmdConn")->click();
        f->link->stalled = true;
        session().direction(DriveCommand::Forward);
        f->ticks->fire(2);
        QCOMPARE(label("lblStatus")->text(), QStringLiteral("Port 1: the robot is not reading"));
        f->link->readAgain();
        QTRY_COMPARE(label("lblStatus")->text(), QStringLiteral("Port 1 open: /dev/fake1"));

        f->link->stalled = true;
        f->ticks->fire(2);
        button("cmdDisc")->click();
        QCOMPARE(f->link->written, QByteArray("8"));
        QVERIFY(f->link->queued.isEmpty());
        QVERIFY(!label("lblStatus")->text().contains(QStringLiteral("not reading")));
    }

    void statusLineSaysWhatTheDriveDoesAfterThePortsNews()
    {
        session().direction(DriveCommand::Forward);
        QCOMPARE(label("lblStatus")->text(),
                 QStringLiteral("Forward is kept: it resumes on Connect\nPort 1: "
                                "/dev/robot-on-port-1"));
        button("cmdConn")->click();
        QCOMPARE(label("lblStatus")->text(), QStringLiteral("Port 1 open: /dev/fake1"));
        const std::pair<DriveCommand, const char *> words[] = {
            {DriveCommand::Backward, "Driving backward"},
            {DriveCommand::Left, "Turning left"},
            {DriveCommand::Right, "Turning right"},
            {DriveCommand::Forward, "Driving forward"}};
        for (const auto &[command, said] : words) {
            session().direction(command);
            QCOMPARE(label("lblStatus")->text(), QString::fromLatin1(said));
        }
        session().stop();
        QCOMPARE(label("lblStatus")->text(), QStringLiteral("Stopped. Esc stops the robot"));
        QCOMPARE(label("lblForward")->toolTip(), QStringLiteral("Esc stops the robot"));

        // A robot that is not reading matters more than where it is told to go.
        f->link->stalled = true;
        session().direction(DriveCommand::Right);
        f->ticks->fire(2);
        session().direction(DriveCommand::Left);
        QCOMPARE(label("lblStatus")->text(), QStringLiteral("Port 1: the robot is not reading"));

        f->link->lose(QStringLiteral("device unplugged"));
        QCOMPARE(label("lblStatus")->text(),
                 QStringLiteral("Left turn is kept: it resumes on Connect\nPort lost: device "
                                "unplugged"));
        session().stop();
        QCOMPARE(label("lblStatus")->text(), QStringLiteral("Port lost: device unplugged"));
    }

    void statusLineShowsWhatFitsItsBoxAndTheWholeTextInTheTooltip_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("elided");
        QTest::newRow("short") << "device unplugged" << false;
        QTest::newRow("long reason")
            << "port 1 (/dev/ttyUSB0): the device was unplugged or stopped responding "
               "(Resource temporarily unavailable)"
            << true;
        QTest::newRow("long device path")
            << "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4E5F6G7H8-if00-port0-gone"
            << true;
    }
    void statusLineShowsWhatFitsItsBoxAndTheWholeTextInTheTooltip()
    {
        QFETCH(QString, reason);
        QFETCH(bool, elided);
        QLabel *strip = label("lblStatus");
        const QRect box = strip->geometry();
        button("cmdConn")->click();
        session().direction(DriveCommand::Left);
        f->link->lose(reason);
        const QString whole =
            QStringLiteral("Left turn is kept: it resumes on Connect\nPort lost: ") + reason;
        const auto expectFitted = [&] {
            QCOMPARE(strip->toolTip(), whole);
            QCOMPARE(strip->geometry(), box);
            QVERIFY2(strip->heightForWidth(box.width()) <= box.height(), qPrintable(strip->text()));
            const QRect wrapped = strip->fontMetrics().boundingRect(
                QRect(0, 0, box.width(), 10 * box.height()), Qt::TextWordWrap, strip->text());
            QVERIFY2(wrapped.width() <= box.width(), qPrintable(strip->text()));
        };
        expectFitted();
        if (elided)
            QVERIFY2(strip->text().endsWith(QChar(0x2026)), qPrintable(strip->text()));
        else
            QCOMPARE(strip->text(), whole);

        // A larger font fits again.
        QFont larger = strip->font();
        larger.setPointSizeF(larger.pointSizeF() * 1.5);
        strip->setFont(larger);
        expectFitted();
        QVERIFY(strip->text().endsWith(QChar(0x2026)));
    }

    void theRepeatingDirectionIsMarkedWithoutMovingItsLabel()
    {
        const QStringList names = {QStringLiteral("lblForward"), QStringLiteral("lblBackward"),
                                   QStringLiteral("lblLeft"), QStringLiteral("lblRight")};
        const DriveCommand commands[] = {DriveCommand::Forward, DriveCommand::Backward,
                                         DriveCommand::Left, DriveCommand::Right};
        QList<QRect> geometries;
        for (const QString &name : names)
            geometries << label(name)->geometry();
        const auto markedOnes = [&] {
            QStringList marked;
            for (const QString &name : names) {
                QLabel *shown = label(name);
                // Below the caption's first letter: background only.
                const QColor corner = shown->grab().toImage().pixelColor(0, shown->height() - 1);
                if (corner == shown->palette().color(QPalette::Highlight))
                    marked << name;
            }
            return marked;
        };

        for (int i = 0; i < names.size(); ++i) {
            session().direction(commands[i]);
            QCOMPARE(markedOnes(), QStringList{names[i]});
        }
        session().halt();
        QCOMPARE(markedOnes(), QStringList());
        session().direction(DriveCommand::Left);
        session().stop();
        QCOMPARE(markedOnes(), QStringList());
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(label(names[i])->geometry(), geometries[i]);
    }

    void theZonesAreNamedForScreenReadersAndThePortListByItsLabel()
    {
        const auto text = [this](const char *name, QAccessible::Text which) {
            return QAccessible::queryAccessibleInterface(f->find(QLatin1String(name)))->text(which);
        };
        // The invisible zones, and the captionless log, are named.
        QCOMPARE(text("lblStop1", QAccessible::Name), QStringLiteral("Stop zone above"));
        QCOMPARE(text("txtInput", QAccessible::Name), QStringLiteral("Received data"));
        QCOMPARE(text("lblStop4", QAccessible::Name), QStringLiteral("Stop zone in the middle"));
        QVERIFY(text("lblStop0", QAccessible::Description).contains(QStringLiteral("stops")));
        QVERIFY(text("lblLeft", QAccessible::Description).contains(QStringLiteral("pointer")));

        QCOMPARE(label("Label2")->buddy(), combo());
        QAccessibleInterface *ports = QAccessible::queryAccessibleInterface(combo());
        const auto labels = ports->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->object(), label("Label2"));
        QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("COM PORT"));
    }

    void logMenuKeepsQtsEntriesAndSavesTheLogAsUtf8()
    {
        auto *logMenu = f->window->findChild<LogContextMenu *>();
        QVERIFY(logMenu);
        const std::unique_ptr<QMenu> menu = logMenu->createMenu(QPoint());
        QStringList entries;
        for (const QAction *action : menu->actions())
            entries << (action->objectName().isEmpty() ? action->text() : action->objectName());
        QVERIFY2(entries.contains(QStringLiteral("edit-copy")), qPrintable(entries.join(u',')));
        QVERIFY(entries.contains(QStringLiteral("select-all")));
        QCOMPARE(entries.mid(entries.size() - 6),
                 QStringList({"Show Time", "Show Events", "Hex View", QString(), "Save Log As...",
                              "Record to File..."}));

        const QString text = QStringLiteral("pose x=1 caf\u00e9 \u2400\nevent stop\n");
        log()->setPlainText(text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        QVERIFY(logMenu->saveTo(path));
        QVERIFY(f->box->shown.isEmpty());
        QCOMPARE(readFile(path), text.toUtf8());

        const QString nowhere = dir.filePath(QStringLiteral("no-such-folder/log.txt"));
        QVERIFY(!logMenu->saveTo(nowhere));
        QCOMPARE(f->box->shown.size(), 1);
        // The message names the file as the platform writes paths (C:\...).
        QVERIFY2(f->box->shown[0].text.contains(QDir::toNativeSeparators(nowhere)),
                 qPrintable(f->box->shown[0].text));
        QVERIFY(!f->box->shown[0].informativeText.isEmpty());
    }

    void aSaveCutShortSaysWhyAndKeepsTheEarlierFile()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier log\n");
        }
        log()->setPlainText(QStringLiteral("pose x=0.123 y=-0.456 heading=90.0\n").repeated(6000));
        auto *logMenu = f->window->findChild<LogContextMenu *>();
        {
            // Like a file system that fills up: the first write is cut short,
            // the next one fails.
            const FileSizeLimit limit(64 * 1024);
            QVERIFY(!logMenu->saveTo(path));
        }
        QCOMPARE(f->box->shown.size(), 1);
        QVERIFY(f->box->shown[0].text.contains(path));
        QCOMPARE(f->box->shown[0].informativeText, QString::fromLocal8Bit(strerror(EFBIG)));
        QCOMPARE(readFile(path), QByteArray("earlier log\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.txt")});
#else
        QSKIP("Needs a file size limit to cut a write short");
#endif
    }

    void saveLogAsSaysWhyItRefusesAName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");
        // Qt's own dialog would save this as q.txt; the box names it.
        const QString quoted = QStringLiteral("my \"q.txt\" log.txt");
        QTest::newRow("double quotes") << quoted << quoted;
        // Qt's dialog turns Save off for it.
        QTest::newRow("longer than a file name may be")
            << QString(300, u'a') + QStringLiteral(".txt") << QStringLiteral("longer than");
    }
    void saveLogAsSaysWhyItRefusesAName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        log()->setPlainText(QStringLiteral("pose x=1\n"));
        bool stayedOpen = false;
        QString told;
        QTimer::singleShot(0, f->window.get(), [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setDirectory(dir.path());
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            name->setText(typed);
            QTest::keyClick(name, Qt::Key_Return);
            stayedOpen = dialog->isVisible();
            const auto *why = dialog->findChild<QLabel *>(QStringLiteral("nameTooLong"));
            if (why && why->isVisible())
                told = why->text();
            dialog->reject();
        });
        auto *logMenu = f->window->findChild<LogContextMenu *>();
        const std::unique_ptr<QMenu> menu = logMenu->createMenu(QPoint());
        menu->actions().constLast()->trigger();
        QVERIFY(stayedOpen);
        for (const auto &box : std::as_const(f->box->shown))
            told += box.text + box.informativeText;
        QVERIFY2(told.contains(reason), qPrintable(told));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void openPortListShowsTheDeviceOfTheEntryUnderThePointer()
    {
        f->window->show();
        combo()->showPopup();
        QWidget *entries = combo()->view()->viewport();
        const QRect first = combo()->view()->visualRect(combo()->model()->index(0, 0));
        QHelpEvent help(QEvent::ToolTip, first.center(), entries->mapToGlobal(first.center()));
        QApplication::sendEvent(entries, &help);
        QVERIFY2(QToolTip::text().contains(QStringLiteral("Port 1: /dev/robot-on-port-1")),
                 qPrintable(QToolTip::text()));
        // A device path is not broken across lines.
        const QLabel *tip = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QTipLabel") && widget->isVisible())
                tip = static_cast<QLabel *>(widget);
        }
        QVERIFY(tip);
        QVERIFY2(tip->height() < 2 * tip->fontMetrics().lineSpacing(), qPrintable(tip->text()));
        combo()->hidePopup();
    }

    void textFromOutsideShowsAsTextNotMarkup()
    {
        button("cmdConn")->click();
        const QString hostile = QStringLiteral("<font size=7 color=red>big</font><img src=x>");
        f->link->lose(hostile);
        QCOMPARE(label("lblStatus")->textFormat(), Qt::PlainText);
        QVERIFY(label("lblStatus")->text().endsWith(hostile));
        QVERIFY(!label("lblStatus")->toolTip().contains(QStringLiteral("<font")));
        QVERIFY(label("lblStatus")->toolTip().contains(QStringLiteral("&lt;font")));
    }

    void aBurstOfDeviceChangesIsReportedOnceAndOnlyWhileWatched()
    {
        QTemporaryDir dev;
        DeviceListWatch watch(new FolderNotices(dev.path()), nullptr);
        watch.setWatching(true);
        QSignalSpy changed(&watch, &DeviceListWatch::devicesChanged);
        QVERIFY(changed.isValid());
        for (const char *name : {"ttyUSB0", "ttyUSB1"}) {
            QFile node(dev.filePath(QString::fromLatin1(name)));
            QVERIFY(node.open(QIODevice::WriteOnly));
        }
        QVERIFY(changed.wait());
        QTest::qWait(400);
        QCOMPARE(changed.count(), 1);

        // While a port is open nothing is reported, not even a burst under way.
        QFile(dev.filePath(QStringLiteral("ttyUSB2"))).open(QIODevice::WriteOnly);
        watch.setWatching(false);
        QFile(dev.filePath(QStringLiteral("ttyUSB3"))).open(QIODevice::WriteOnly);
        QTest::qWait(400);
        QCOMPARE(changed.count(), 1);
    }

    void receivedTextGoesAfterTypedTextAndSplitLineBreaksCountOnce()
    {
        button("cmdConn")->click();
        log()->setPlainText(QStringLiteral("typed "));
        f->link->receive("O");
        f->link->receive("K\r");
        f->link->receive("\n\xc3");
        f->link->receive("\xa9");
        QTRY_COMPARE(log()->toPlainText(), QStringLiteral("typed OK\n\u00e9"));
        f->link->receive(QByteArray());
        QTest::qWait(50);
        QCOMPARE(log()->toPlainText(), QStringLiteral("typed OK\n\u00e9"));
    }

    void clearRestartsTheLogFromTheNextArrival()
    {
        button("cmdConn")->click();
        f->link->receive("pose x=1\r\n");
        QTRY_VERIFY(!log()->toPlainText().isEmpty());
        button("Command1")->click();
        QVERIFY(log()->toPlainText().isEmpty());
        f->link->receive("pose x=2");
        QTRY_COMPARE(log()->toPlainText(), QStringLiteral("pose x=2"));
    }

#ifdef Q_OS_UNIX
    void recordingStopsAndSaysWhyWhenItsFileFails_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file size limit") << "limit" << QString::fromLocal8Bit(strerror(EFBIG));
        // Written on, the bytes would go to a file no one can open any more.
        QTest::newRow("the file removed") << "file" << QStringLiteral("removed");
        QTest::newRow("its folder removed") << "folder" << QStringLiteral("removed");
    }
    void recordingStopsAndSaysWhyWhenItsFileFails()
    {
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/robot.log");
        const QString recordingTo =
            QStringLiteral("Recording to ") + QDir::toNativeSeparators(path);
        auto *status = f->find<ElidingLabel>(QStringLiteral("lblStatus"));
        button("cmdConn")->click();
        auto *recording = f->window->findChild<LogRecording *>();
        recording->start(path);
        QVERIFY2(status->fullText().contains(recordingTo), qPrintable(status->fullText()));
        const QByteArray first(60, 'a');
        f->link->receive(first);
        // On disk within a second.
        QTRY_COMPARE_WITH_TIMEOUT(readFile(path), first, 1000);

        std::optional<FileSizeLimit> limit;
        if (failure == QLatin1String("limit"))
            limit.emplace(100);
        else if (failure == QLatin1String("file"))
            QVERIFY(QFile::remove(path));
        else
            QVERIFY(QDir(folder).removeRecursively());
        f->link->receive(QByteArray(200, 'b'));
        QTRY_COMPARE_WITH_TIMEOUT(f->box->shown.size(), 1, 2000);
        limit.reset();
        QVERIFY2(f->box->shown[0].text.contains(QDir::toNativeSeparators(path)),
                 qPrintable(f->box->shown[0].text));
        QVERIFY2(f->box->shown[0].informativeText.contains(reason),
                 qPrintable(f->box->shown[0].informativeText));
        QVERIFY(!recording->isRecording());
        QVERIFY2(!status->fullText().contains(recordingTo), qPrintable(status->fullText()));
        // Stopped means stopped: no second box, and what fit stays as it was.
        f->link->receive("c");
        QTest::qWait(700);
        QCOMPARE(f->box->shown.size(), 1);
        if (failure == QLatin1String("limit"))
            QCOMPARE(readFile(path), first + QByteArray(40, 'b'));
    }
#endif

    void closingTheWindowReleasesThePortWithoutWriting()
    {
        button("cmdConn")->click();
        f->window->show();
        f->window->close();
        QVERIFY(!f->link->portOpen());
        QCOMPARE(f->link->calls.last(), QStringLiteral("PortOpen=False"));
        QCOMPARE(f->link->written, QByteArray());
    }

private:
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QPushButton *button(const QString &name) const
    {
        return f->find<QPushButton>(name);
    }
    QLabel *label(const QString &name) const
    {
        return f->find<QLabel>(name);
    }
    QComboBox *combo() const
    {
        return f->find<QComboBox>(QStringLiteral("Combo4"));
    }
    QPlainTextEdit *log() const
    {
        return f->find<QPlainTextEdit>(QStringLiteral("txtInput"));
    }
    DriveSession &session() const
    {
        return *f->session;
    }

    void expectClosedState() const
    {
        QVERIFY(button("cmdConn")->isEnabled());
        QVERIFY(!button("cmdDisc")->isEnabled());
        QVERIFY(combo()->isEnabled());
    }
    void expectOpenState() const
    {
        QVERIFY(!button("cmdConn")->isEnabled());
        QVERIFY(button("cmdDisc")->isEnabled());
        QVERIFY(!combo()->isEnabled());
    }

    std::unique_ptr<ConsoleWindowFixture> f;
};

QTEST_MAIN(TestConsoleWindow)
#include "tst_consolewindow.moc"
