#include "dialogmessageboxpresenter.h"

#include <QMessageBox>

void DialogMessageBoxPresenter::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}
