#include "pointerlabel.h"

#include <QMouseEvent>

PointerLabel::PointerLabel(QWidget *parent)
    : QLabel(parent)
{
    // Without tracking Qt only reports moves while a button is held.
    setMouseTracking(true);
}

void PointerLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit pointerMoved();
    event->accept();
}
