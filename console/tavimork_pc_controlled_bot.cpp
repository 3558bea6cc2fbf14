#include "tavimork_pc_controlled_bot.h"

#include "connection.h"
#include "consolefonts.h"
#include "consolelayout.h"
#include "drivecommands.h"
#include "drivecontroller.h"
#include "keyboardcontrolbutton.h"
#include "keytable.h"
#include "messageboxpresenter.h"
#include "pointerlabel.h"
#include "receivedlogview.h"
#include "seriallink.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <utility>

const QString Tavimork_PC_Controlled_Bot::ConnectFailedTitle =
    QStringLiteral("Can not open port !!!");
const QString Tavimork_PC_Controlled_Bot::ConnectFailedText = QStringLiteral(
    "Can not open port, Select correct port or check that port is not used by any other "
    "application. You can also try removing and re-inserting the USB device.");
const QString Tavimork_PC_Controlled_Bot::KeyGuide =
    QStringLiteral("Press W or Num 8 for forward\r\nS or Num 2 for Backward\r\n"
                   "A or Num 4 for Left Turn and\r\nD or Num 6 for Right Turn");

namespace {
constexpr int PortCount = 16;

template <typename Widget> Widget *makeChild(QWidget *parent, const QString &name)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(name);
    return widget;
}
} // namespace

Tavimork_PC_Controlled_Bot::Tavimork_PC_Controlled_Bot(
    std::unique_ptr<SerialLink> link, std::unique_ptr<MessageBoxPresenter> messageBox,
    PortDirectory directory, QWidget *parent)
    : QWidget(parent)
    , MSComm1(std::move(link))
    , m_messageBox(std::move(messageBox))
    , m_directory(std::move(directory))
    , m_controller(std::make_unique<DriveController>(*MSComm1))
    , m_connection(std::make_unique<Connection>(*MSComm1, DriveCommand::LineSettings))
{
    setObjectName(QStringLiteral("Tavimork_PC_Controlled_Bot"));
    setWindowTitle(QStringLiteral("Tavimork PC Controlled Robot"));
    setWindowIcon(QIcon(QStringLiteral(":/tavimork/tavimork-32.png")));

    createControls();
    applyDesign();

    bindEvents();
    Form_Load();
}

// The link is released explicitly before the widgets go, so the port is free
// as soon as the window is.
Tavimork_PC_Controlled_Bot::~Tavimork_PC_Controlled_Bot()
{
    m_connection->close();
}

void Tavimork_PC_Controlled_Bot::createControls()
{
    cmdConn = makeChild<QPushButton>(this, "cmdConn");
    cmdDisc = makeChild<QPushButton>(this, "cmdDisc");
    Combo4 = makeChild<QComboBox>(this, "Combo4");
    Label2 = makeChild<QLabel>(this, "Label2");
    txtInput = makeChild<ReceivedLogView>(this, "txtInput");
    Command1 = makeChild<QPushButton>(this, "Command1");
    cmdKeyBoard = makeChild<KeyboardControlButton>(this, "cmdKeyBoard");
    lblForward = makeChild<PointerLabel>(this, "lblForward");
    lblBackward = makeChild<PointerLabel>(this, "lblBackward");
    lblLeft = makeChild<PointerLabel>(this, "lblLeft");
    lblRight = makeChild<PointerLabel>(this, "lblRight");
    // Created after the direction labels so that, where a label grown to its
    // caption overlaps a stop zone, the stop zone is on top: a point that
    // could mean either stops the robot.
    for (int i = 0; i < ConsoleLayout::StopZoneCount; ++i)
        lblStop[i] = makeChild<PointerLabel>(this, QStringLiteral("lblStop%1").arg(i));
    Label1 = makeChild<QLabel>(this, "Label1");
    lblStatus = makeChild<QLabel>(this, "lblStatus");

    Combo4->setEditable(true);
    // The list is fixed; typing a number only selects from it.
    Combo4->setInsertPolicy(QComboBox::NoInsert);
    txtInput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtInput->setTabChangesFocus(true);
    // Captions sit at the top left of their box, as the design was laid out.
    for (QLabel *label : findChildren<QLabel *>())
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdDisc->setEnabled(false);
}

void Tavimork_PC_Controlled_Bot::applyDesign()
{
    ConsoleFonts::ensureTahoma();
    setFont(ConsoleFonts::windowDefault());
    setFixedSize(ConsoleLayout::clientSize());

    QList<QWidget *> tabOrder;
    for (const ControlDesign &design : ConsoleLayout::Controls) {
        auto *widget = findChild<QWidget *>(QString::fromLatin1(design.name));
        Q_ASSERT(widget);
        widget->setGeometry(ConsoleLayout::toPixels(design));
        if (design.font != ControlDesign::Font::WindowDefault)
            widget->setFont(ConsoleFonts::font(design.font));

        const QString caption = QString::fromLatin1(design.caption);
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setText(caption);
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            button->setText(caption);
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->setEditText(caption);
        else if (auto *edit = qobject_cast<QPlainTextEdit *>(widget))
            edit->setPlainText(caption);

        if (design.sizedToCaption)
            widget->resize(widget->sizeHint());
        if (design.tabIndex >= 0 && widget->focusPolicy() != Qt::NoFocus) {
            tabOrder.resize(qMax(tabOrder.size(), qsizetype(design.tabIndex + 1)));
            tabOrder[design.tabIndex] = widget;
        }
    }
    tabOrder.removeAll(nullptr);
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    cmdConn->setFocus();
}

void Tavimork_PC_Controlled_Bot::bindEvents()
{
    using Self = Tavimork_PC_Controlled_Bot;
    connect(cmdConn, &QPushButton::clicked, this, &Self::cmdConn_Click);
    connect(cmdDisc, &QPushButton::clicked, this, &Self::cmdDisc_Click);
    connect(Combo4, &QComboBox::editTextChanged, this, &Self::showSelectedPort);
    connect(m_connection.get(), &Connection::lost, this, &Self::onPortLost);
    connect(MSComm1.get(), &SerialLink::OnComm, this, &Self::MSComm1_OnComm);
    connect(Command1, &QPushButton::clicked, this, &Self::Command1_Click);

    connect(lblForward, &PointerLabel::pointerMoved, this, &Self::lblForward_MouseMove);
    connect(lblBackward, &PointerLabel::pointerMoved, this, &Self::lblBackward_MouseMove);
    connect(lblLeft, &PointerLabel::pointerMoved, this, &Self::lblLeft_MouseMove);
    connect(lblRight, &PointerLabel::pointerMoved, this, &Self::lblRight_MouseMove);
    for (int i = 0; i < ConsoleLayout::StopZoneCount; ++i)
        connect(lblStop[i], &PointerLabel::pointerMoved, this, [this, i] { lblStop_MouseMove(i); });

    connect(cmdKeyBoard, &QPushButton::clicked, this, &Self::cmdKeyBoard_Click);
    connect(cmdKeyBoard, &KeyboardControlButton::keyDown, this, &Self::cmdKeyBoard_KeyDown);
    connect(cmdKeyBoard, &KeyboardControlButton::keyUp, this, &Self::cmdKeyBoard_KeyUp);
    // The release of a key held while the focus moves away goes to another
    // control, so the robot would drive on with nobody holding the key.
    connect(cmdKeyBoard, &KeyboardControlButton::focusLostWithSteeringKeyHeld, m_controller.get(),
            &DriveController::stop);
}

void Tavimork_PC_Controlled_Bot::Form_Load()
{
    {
        // Filling the list changes the box's text; the status line, which
        // enumerates the system's serial devices, is worked out once below.
        const QSignalBlocker quiet(Combo4);
        for (qint16 port = 1; port <= PortCount; ++port)
            Combo4->addItem(QString::number(port));
        Combo4->setCurrentIndex(0);
    }
    for (QLabel *zone : lblStop)
        zone->setText(QString());
    showSelectedPort();
}

void Tavimork_PC_Controlled_Bot::cmdConn_Click()
{
    const int position = selectedListPosition();
    if (!m_connection->open(position)) {
        showStatus(m_connection->errorString());
        m_messageBox->critical(this, ConnectFailedTitle, ConnectFailedText);
        return;
    }
    cmdConn->setEnabled(false);
    cmdDisc->setEnabled(true);
    Combo4->setEnabled(false);
    // A character or line break cut off by the last connection is not
    // completed by this one.
    m_decoder.reset();
    const qint16 port = Connection::portForListPosition(position);
    showStatus(tr("Port %1 open: %2").arg(port).arg(m_directory.deviceFor(port)));
}

void Tavimork_PC_Controlled_Bot::cmdDisc_Click()
{
    m_connection->close();
    showClosedState();
    showSelectedPort();
}

void Tavimork_PC_Controlled_Bot::onPortLost(const QString &reason)
{
    showClosedState();
    showStatus(tr("Port lost: %1").arg(reason));
}

void Tavimork_PC_Controlled_Bot::lblForward_MouseMove()
{
    m_controller->direction(DriveCommand::Forward);
}

void Tavimork_PC_Controlled_Bot::lblBackward_MouseMove()
{
    m_controller->direction(DriveCommand::Backward);
}

void Tavimork_PC_Controlled_Bot::lblLeft_MouseMove()
{
    m_controller->direction(DriveCommand::Left);
}

void Tavimork_PC_Controlled_Bot::lblRight_MouseMove()
{
    m_controller->direction(DriveCommand::Right);
}

void Tavimork_PC_Controlled_Bot::lblStop_MouseMove(int)
{
    m_controller->stop();
}

void Tavimork_PC_Controlled_Bot::cmdKeyBoard_Click()
{
    cmdKeyBoard->setText(KeyGuide);
}

void Tavimork_PC_Controlled_Bot::cmdKeyBoard_KeyDown(int keyCode)
{
    if (const auto command = KeyTable::direction(keyCode))
        m_controller->direction(*command);
    else
        m_controller->halt();
}

void Tavimork_PC_Controlled_Bot::cmdKeyBoard_KeyUp(int)
{
    m_controller->stop();
}

void Tavimork_PC_Controlled_Bot::MSComm1_OnComm()
{
    txtInput->appendReceived(m_decoder.decode(MSComm1->input()));
}

void Tavimork_PC_Controlled_Bot::Command1_Click()
{
    txtInput->clearLog();
}

void Tavimork_PC_Controlled_Bot::showClosedState()
{
    cmdDisc->setEnabled(false);
    cmdConn->setEnabled(true);
    Combo4->setEnabled(true);
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
    const qint16 port = Connection::portForListPosition(selectedListPosition());
    if (port < 1) {
        showStatus(tr("No port selected"));
        return;
    }
    const QString device = m_directory.deviceFor(port);
    showStatus(device.isEmpty() ? tr("Port %1: no serial device found").arg(port)
                                : tr("Port %1: %2").arg(port).arg(device));
}

void Tavimork_PC_Controlled_Bot::showStatus(const QString &text)
{
    lblStatus->setText(text);
    // The strip is narrow; a long device path or reason is whole here.
    lblStatus->setToolTip(text);
}

void Tavimork_PC_Controlled_Bot::closeEvent(QCloseEvent *event)
{
    // Leaving while a direction repeats on an open port would leave the robot
    // driving with no console: stop it once, then let the port go.
    if (m_controller->isDriving())
        m_controller->stop();
    m_connection->close();
    QWidget::closeEvent(event);
}
