#pragma once

#include "portdirectory.h"
#include "receivedtextdecoder.h"

#include <QWidget>

#include <array>
#include <memory>

class Connection;
class DriveController;
class KeyboardControlButton;
class MessageBoxPresenter;
class PointerLabel;
class QComboBox;
class QLabel;
class QPushButton;
class ReceivedLogView;
class SerialLink;

// The console's one window. It owns the serial link, the drive controller and
// every control for the whole run, and binds the controls' events to their
// handlers. Its handlers turn operator input into controller steps and
// connection requests; they never write to the port themselves.
class Tavimork_PC_Controlled_Bot : public QWidget
{
    Q_OBJECT

public:
    Tavimork_PC_Controlled_Bot(std::unique_ptr<SerialLink> link,
                               std::unique_ptr<MessageBoxPresenter> messageBox,
                               PortDirectory directory, QWidget *parent = nullptr);
    ~Tavimork_PC_Controlled_Bot() override;

    static const QString ConnectFailedTitle;
    static const QString ConnectFailedText;
    // The keyboard button's caption once clicked: four lines joined by CR LF.
    static const QString KeyGuide;

    DriveController &controller() const { return *m_controller; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void applyDesign();
    void bindEvents();
    void Form_Load();

    void cmdConn_Click();
    void cmdDisc_Click();
    void onPortLost(const QString &reason);

    void lblForward_MouseMove();
    void lblBackward_MouseMove();
    void lblLeft_MouseMove();
    void lblRight_MouseMove();
    void lblStop_MouseMove(int index);

    void cmdKeyBoard_Click();
    void cmdKeyBoard_KeyDown(int keyCode);
    void cmdKeyBoard_KeyUp(int keyCode);

    void MSComm1_OnComm();
    void Command1_Click();

    void showClosedState();
    void showSelectedPort();
    void showStatus(const QString &text);
    int selectedListPosition() const;

    // Declared first: the controller and the connection hold references to it.
    const std::unique_ptr<SerialLink> MSComm1;
    const std::unique_ptr<MessageBoxPresenter> m_messageBox;
    const PortDirectory m_directory;
    const std::unique_ptr<DriveController> m_controller;
    const std::unique_ptr<Connection> m_connection;
    ReceivedTextDecoder m_decoder;

    QPushButton *cmdConn = nullptr;
    QPushButton *cmdDisc = nullptr;
    QComboBox *Combo4 = nullptr;
    QLabel *Label2 = nullptr;
    ReceivedLogView *txtInput = nullptr;
    QPushButton *Command1 = nullptr;
    KeyboardControlButton *cmdKeyBoard = nullptr;
    PointerLabel *lblForward = nullptr;
    PointerLabel *lblBackward = nullptr;
    PointerLabel *lblLeft = nullptr;
    PointerLabel *lblRight = nullptr;
    std::array<PointerLabel *, 5> lblStop{};
    QLabel *Label1 = nullptr;
    QLabel *lblStatus = nullptr;
};
