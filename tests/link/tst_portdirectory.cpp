#include "portdirectory.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class tst_PortDirectory : public QObject
{
    Q_OBJECT

private slots:
    void numbersUsbDevicesFirstThenTheRestInNaturalOrder_data();
    void numbersUsbDevicesFirstThenTheRestInNaturalOrder();
    void environmentNamesDeviceAheadOfTheList();
    void activeSystemConsoleIsNeverNumbered();
    void macOsNumbersEachPortOnceByItsCalloutDevice();
    void numbersWithoutDeviceGiveNothing_data();
    void numbersWithoutDeviceGiveNothing();
    void describesTheDeviceAPortNamesHoweverItIsNamed();
};

namespace {

QList<PortDirectory::Device> listed(const QStringList &paths, const QStringList &usb = {})
{
    QList<PortDirectory::Device> devices;
    for (const QString &path : paths)
        devices.append({path, usb.contains(path)});
    return devices;
}

} // namespace

void tst_PortDirectory::numbersUsbDevicesFirstThenTheRestInNaturalOrder_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("usb");
    QTest::addColumn<QStringList>("ordered");

    QTest::newRow("numbers by value")
        << QStringList{"/dev/ttyACM10", "/dev/ttyACM2", "/dev/ttyACM1"} << QStringList{}
        << QStringList{"/dev/ttyACM1", "/dev/ttyACM2", "/dev/ttyACM10"};
    QTest::newRow("families by name")
        << QStringList{"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyACM0", "/dev/ttyS9"} << QStringList{}
        << QStringList{"/dev/ttyACM0", "/dev/ttyS9", "/dev/ttyS10", "/dev/ttyUSB0"};
    QTest::newRow("leading zero ties broken, duplicates dropped")
        << QStringList{"/dev/ttyACM1", "/dev/ttyACM01", "/dev/ttyACM1"} << QStringList{}
        << QStringList{"/dev/ttyACM01", "/dev/ttyACM1"};
    QTest::newRow("adapters ahead of built-in ports")
        << QStringList{"/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyACM0"}
        << QStringList{"/dev/ttyUSB0", "/dev/ttyACM0"}
        << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"};
    QTest::newRow("each group by value")
        << QStringList{"/dev/ttyS10", "/dev/ttyUSB10", "/dev/ttyS2", "/dev/ttyUSB2"}
        << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2"}
        << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS2", "/dev/ttyS10"};
    // What the system says about the device counts, not its name.
    QTest::newRow("USB by vendor, whatever the name")
        << QStringList{"/dev/rfcomm0", "/dev/ttyUSB1", "/dev/ttyXR0"} << QStringList{"/dev/ttyXR0"}
        << QStringList{"/dev/ttyXR0", "/dev/rfcomm0", "/dev/ttyUSB1"};
}

void tst_PortDirectory::numbersUsbDevicesFirstThenTheRestInNaturalOrder()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, usb);
    QFETCH(QStringList, ordered);

    QCOMPARE(PortDirectory::numberingOrder(listed(devices, usb)), ordered);
    // Whatever order the system lists them in.
    std::reverse(devices.begin(), devices.end());
    QCOMPARE(PortDirectory::numberingOrder(listed(devices, usb)), ordered);

    const PortDirectory directory(QProcessEnvironment(), listed(devices, usb),
                                  PortDirectory::Numbering::ListedDevices);
    for (qint16 port = 1; port <= ordered.size(); ++port)
        QCOMPARE(directory.deviceFor(port), ordered.at(port - 1));
}

// A headless machine's serial console would otherwise be port 1.
void tst_PortDirectory::activeSystemConsoleIsNeverNumbered()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("TAVIMORK_PORT3"), QStringLiteral("/dev/ttyS0"));
    const PortDirectory directory(
        env, listed({"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}, {"/dev/ttyUSB0"}),
        PortDirectory::Numbering::ListedDevices, {"tty0", "ttyS0\n"});
    QCOMPARE(directory.deviceFor(1), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(directory.deviceFor(2), QStringLiteral("/dev/ttyS1"));
    // Named outright, it is the operator's to choose.
    QCOMPARE(directory.deviceFor(3), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(directory.deviceFor(4), QString());
}

void tst_PortDirectory::environmentNamesDeviceAheadOfTheList()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("TAVIMORK_PORT1"), QStringLiteral("/dev/pts/4"));
    env.insert(QStringLiteral("TAVIMORK_PORT16"), QStringLiteral("/dev/serial/by-id/usb-bot"));
    for (const auto numbering :
         {PortDirectory::Numbering::ListedDevices, PortDirectory::Numbering::ComNames}) {
        const PortDirectory directory(env, listed({"/dev/ttyUSB0", "/dev/ttyUSB1"}), numbering);
        QCOMPARE(directory.deviceFor(1), QStringLiteral("/dev/pts/4"));
        QCOMPARE(directory.deviceFor(16), QStringLiteral("/dev/serial/by-id/usb-bot"));
    }
    // The override does not renumber the rest.
    QCOMPARE(PortDirectory(env, listed({"/dev/ttyUSB0", "/dev/ttyUSB1"}),
                           PortDirectory::Numbering::ListedDevices)
                 .deviceFor(2),
             QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(PortDirectory(env, {}, PortDirectory::Numbering::ComNames).deviceFor(2),
             QStringLiteral("COM2"));
}

void tst_PortDirectory::macOsNumbersEachPortOnceByItsCalloutDevice()
{
    // macOS lists every port as a call-out and a dial-in device.
    const QStringList usb{"/dev/cu.usbserial-A1", "/dev/tty.usbserial-A1", "/dev/cu.usbmodem14101",
                          "/dev/tty.usbmodem14101"};
    const PortDirectory directory(
        QProcessEnvironment(),
        listed({"/dev/tty.Bluetooth-Incoming-Port", "/dev/tty.usbserial-A1",
                "/dev/cu.Bluetooth-Incoming-Port", "/dev/cu.usbserial-A1", "/dev/tty.usbmodem14101",
                "/dev/cu.usbmodem14101"},
               usb),
        PortDirectory::Numbering::CalloutDevices);

    QCOMPARE(directory.deviceFor(1), QStringLiteral("/dev/cu.usbmodem14101"));
    QCOMPARE(directory.deviceFor(2), QStringLiteral("/dev/cu.usbserial-A1"));
    QCOMPARE(directory.deviceFor(3), QStringLiteral("/dev/cu.Bluetooth-Incoming-Port"));
    QCOMPARE(directory.deviceFor(4), QString());
}

void tst_PortDirectory::numbersWithoutDeviceGiveNothing_data()
{
    QTest::addColumn<qint16>("port");
    QTest::newRow("zero") << qint16(0);
    QTest::newRow("negative") << qint16(-1);
    QTest::newRow("above 16, even when named") << qint16(17);
    QTest::newRow("beyond the list") << qint16(3);
}

void tst_PortDirectory::numbersWithoutDeviceGiveNothing()
{
    QFETCH(qint16, port);
    QProcessEnvironment env;
    env.insert(QStringLiteral("TAVIMORK_PORT17"), QStringLiteral("/dev/ttyUSB9"));
    env.insert(QStringLiteral("TAVIMORK_PORT0"), QStringLiteral("/dev/ttyUSB9"));
    const PortDirectory directory(env, listed({"/dev/ttyUSB0", "/dev/ttyUSB1"}),
                                  PortDirectory::Numbering::ListedDevices);

    QCOMPARE(directory.deviceFor(port), QString());
}

void tst_PortDirectory::describesTheDeviceAPortNamesHoweverItIsNamed()
{
    // An override through a stable link, a Windows short name, and a device
    // the system does not list.
    QTemporaryDir dir;
    const QString node = dir.filePath(QStringLiteral("ttyUSB0"));
    const QString link = dir.filePath(QStringLiteral("usb-bot"));
    QVERIFY(QFile(node).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(node, link));
    QProcessEnvironment env;
    env.insert(QStringLiteral("TAVIMORK_PORT1"), link);
    env.insert(QStringLiteral("TAVIMORK_PORT2"), QStringLiteral("COM7"));
    env.insert(QStringLiteral("TAVIMORK_PORT3"), QStringLiteral("/dev/not-listed"));
    const PortDirectory directory(
        env,
        {{node, true, QStringLiteral("ttyUSB0"), QStringLiteral("FT232R"), QStringLiteral("A1")},
         {QStringLiteral("\\\\.\\COM7"), true, QStringLiteral("COM7"), QStringLiteral("CH340")}},
        PortDirectory::Numbering::ListedDevices);

    const PortDirectory::Device first = directory.describe(1);
    QCOMPARE(first.path, link);
    // Windows makes the link a shortcut file, which leads to no device.
    if (QFileInfo(link).canonicalFilePath() == QFileInfo(node).canonicalFilePath()) {
        QCOMPARE(first.description, QStringLiteral("FT232R"));
        QCOMPARE(first.serialNumber, QStringLiteral("A1"));
    }
    QCOMPARE(directory.describe(2).description, QStringLiteral("CH340"));
    QCOMPARE(directory.describe(3).path, QStringLiteral("/dev/not-listed"));
    QCOMPARE(directory.describe(3).description, QString());
    QCOMPARE(directory.describe(4).path, QString());
}

QTEST_GUILESS_MAIN(tst_PortDirectory)
#include "tst_portdirectory.moc"
