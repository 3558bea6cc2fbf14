#include "messageboxpresenter.h"

#include <QMessageBox>
#include <QTextDocument>

void DialogMessageBoxPresenter::critical(QWidget *parent, const QString &title, const QString &text,
                                         const QString &informativeText)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    // Paths and reasons come from outside and are never markup. The format
    // set here does not reach the informative text, which is escaped instead.
    box.setTextFormat(Qt::PlainText);
    if (!informativeText.isEmpty())
        box.setInformativeText(Qt::convertFromPlainText(informativeText));
    box.exec();
}
