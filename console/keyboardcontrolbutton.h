#pragma once

#include "drivecommands.h"

#include <QPushButton>
#include <QSet>

#include <optional>

// The large push button that steering keys are bound to. It reports every key
// that reaches it, with the direction it steers (none for any other key), and
// notices when it loses the focus while a steering key is still held: that
// key's release would go elsewhere.
// Every key is its own, also one that is a shortcut elsewhere in the window.
// Arrow keys are reported like any other key and keep the focus here; a frame
// shows whenever it has the focus, that is whenever keys steer.
//
// Its caption can be long or several lines separated by CR LF, so it is
// word-wrapped inside the button rather than clipped as a plain push button.
class KeyboardControlButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

signals:
    void keyDown(std::optional<DriveCommand> direction);
    void keyUp();
    // A steering key was down when the focus went; its release will never
    // arrive here.
    void focusLostWithSteeringKeyHeld();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QSet<int> m_heldSteeringKeys;
};
