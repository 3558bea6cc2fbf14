#include "logcontextmenu.h"

#include "messageboxpresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>

LogContextMenu::LogContextMenu(QPlainTextEdit *log, MessageBoxPresenter &messageBox)
    : QObject(log)
    , m_log(log)
    , m_messageBox(messageBox)
{
    setObjectName(QStringLiteral("logContextMenu"));
    m_log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_log, &QWidget::customContextMenuRequested, this, &LogContextMenu::popUp);
}

std::unique_ptr<QMenu> LogContextMenu::createMenu(QPoint position)
{
    std::unique_ptr<QMenu> menu(m_log->createStandardContextMenu(position));
    menu->addSeparator();
    connect(menu->addAction(tr("Save Log As...")), &QAction::triggered, this,
            &LogContextMenu::saveAs);
    return menu;
}

void LogContextMenu::popUp(QPoint position)
{
    // Not exec(): the window goes on showing what the robot sends meanwhile.
    QMenu *menu = createMenu(position).release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_log->viewport()->mapToGlobal(position));
}

void LogContextMenu::saveAs()
{
    const QString path =
        QFileDialog::getSaveFileName(m_log->window(), tr("Save Log As"),
                                     QDir::home().filePath(QStringLiteral("tavimork-log.txt")),
                                     tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!saveTo(path, &error))
        m_messageBox.critical(m_log->window(), tr("Can not save the log"), error);
}

bool LogContextMenu::saveTo(const QString &path, QString *error) const
{
    // A failed write leaves an earlier file of that name as it was.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(m_log->toPlainText().toUtf8()) >= 0 &&
        file.commit())
        return true;
    *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}
