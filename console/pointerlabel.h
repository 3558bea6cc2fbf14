#pragma once

#include <QLabel>

// A label that reports every pointer move over it, with or without a mouse
// button held. Clicks do nothing of their own.
class PointerLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PointerLabel(QWidget *parent = nullptr);

signals:
    void pointerMoved();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
};
