#include "linesettings.h"

#include <QTest>

class tst_LineSettings : public QObject
{
    Q_OBJECT

private slots:
    void parsesWellFormedSettings_data();
    void parsesWellFormedSettings();
    void refusesMalformedSettingsNamingTheFault_data();
    void refusesMalformedSettingsNamingTheFault();
};

void tst_LineSettings::parsesWellFormedSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("baud");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("robot line") << "57600,n,8,1" << 57600 << QSerialPort::NoParity
                                << QSerialPort::Data8 << QSerialPort::OneStop << "57600,n,8,1";
    QTest::newRow("even 7 2") << "9600,e,7,2" << 9600 << QSerialPort::EvenParity
                              << QSerialPort::Data7 << QSerialPort::TwoStop << "9600,e,7,2";
    QTest::newRow("odd upper case") << "19200,O,6,1" << 19200 << QSerialPort::OddParity
                                    << QSerialPort::Data6 << QSerialPort::OneStop << "19200,o,6,1";
    QTest::newRow("mark 1.5") << "300,M,5,1.5" << 300 << QSerialPort::MarkParity
                              << QSerialPort::Data5 << QSerialPort::OneAndHalfStop << "300,m,5,1.5";
    QTest::newRow("space, blanks, odd baud")
        << " 250000 , s , 8 , 2 " << 250000 << QSerialPort::SpaceParity << QSerialPort::Data8
        << QSerialPort::TwoStop << "250000,s,8,2";
}

void tst_LineSettings::parsesWellFormedSettings()
{
    QFETCH(QString, text);
    QString error;
    const std::optional<LineSettings> settings = LineSettings::parse(text, &error);

    QVERIFY2(settings, qPrintable(error));
    QTEST(settings->baudRate(), "baud");
    QTEST(settings->parity(), "parity");
    QTEST(settings->dataBits(), "dataBits");
    QTEST(settings->stopBits(), "stopBits");
    QTEST(settings->toString(), "canonical");
}

void tst_LineSettings::refusesMalformedSettingsNamingTheFault_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fault");

    QTest::newRow("empty") << ""
                           << "expected baud,parity,data bits,stop bits";
    QTest::newRow("missing field") << "57600,n,8"
                                   << "expected baud";
    QTest::newRow("extra field") << "57600,n,8,1,1"
                                 << "expected baud";
    QTest::newRow("zero baud") << "0,n,8,1"
                               << "baud rate";
    QTest::newRow("negative baud") << "-9600,n,8,1"
                                   << "baud rate";
    QTest::newRow("signed baud") << "+9600,n,8,1"
                                 << "baud rate";
    QTest::newRow("text baud") << "fast,n,8,1"
                               << "baud rate";
    QTest::newRow("empty baud") << ",n,8,1"
                                << "baud rate";
    QTest::newRow("baud beyond 32 bits") << "4294967296,n,8,1"
                                         << "baud rate";
    QTest::newRow("unknown parity") << "57600,x,8,1"
                                    << "parity must be one of n, e, o, m, s";
    QTest::newRow("parity word") << "57600,none,8,1"
                                 << "parity";
    QTest::newRow("4 data bits") << "57600,n,4,1"
                                 << "data bits";
    QTest::newRow("9 data bits") << "57600,n,9,1"
                                 << "data bits";
    QTest::newRow("3 stop bits") << "57600,n,8,3"
                                 << "stop bits";
    QTest::newRow("0 stop bits") << "57600,n,8,0"
                                 << "stop bits";
}

void tst_LineSettings::refusesMalformedSettingsNamingTheFault()
{
    QFETCH(QString, text);
    QFETCH(QString, fault);
    QString error;

    QVERIFY(!LineSettings::parse(text, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Invalid line settings \"%1\": ").arg(text)),
             qPrintable(error));
    QVERIFY2(error.contains(fault), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_LineSettings)
#include "tst_linesettings.moc"
