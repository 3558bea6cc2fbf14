#include "logcontextmenu.h"

#include "logrecording.h"
#include "messageboxpresenter.h"
#include "receivedlog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {
// Qt's own file dialog, used where the platform offers none, reads double
// quotes in a typed name as a list of names ("a" "b") and has no way to quote
// a quote, so my "q.txt" log.txt would be saved as q.txt. Such a name is
// refused and the dialog stays open for another; a platform's dialog returns
// the name as typed and is left alone.
class SaveLogDialog : public QFileDialog
{
public:
    SaveLogDialog(QWidget *parent, MessageBoxPresenter &messageBox, const QString &title,
                  const QString &filter, const QString &name)
        : QFileDialog(parent, title, QDir::homePath(), filter)
        , m_messageBox(messageBox)
    {
        setAcceptMode(QFileDialog::AcceptSave);
        selectFile(name);
        sayWhyANameTooLongCannotBeSaved();
    }

protected:
    void accept() override
    {
        // The name field of Qt's dialog; absent when the platform's is used.
        const auto *typed = findChild<const QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (typed && typed->text().contains(u'"')) {
            m_messageBox.critical(
                this, LogContextMenu::tr("Can not save the log"),
                LogContextMenu::tr("This dialog can not save a file name with double quotes: %1")
                    .arg(typed->text()),
                LogContextMenu::tr("Choose a name without \"."));
            return;
        }
        QFileDialog::accept();
    }

private:
    // Qt's dialog turns Save off for a name longer than the file system
    // allows, and says nothing: a line under the name says why.
    void sayWhyANameTooLongCannotBeSaved()
    {
        auto *typed = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        auto *grid = qobject_cast<QGridLayout *>(layout());
        if (!typed || !grid)
            return;
        auto *why = new QLabel(this);
        why->setObjectName(QStringLiteral("nameTooLong"));
        why->setText(LogContextMenu::tr("This name is longer than a file name may be (%1 "
                                        "characters): choose a shorter one.")
                         .arg(MaxNameLength));
        why->setWordWrap(true);
        why->hide();
        grid->addWidget(why, grid->rowCount(), 0, 1, grid->columnCount());
        connect(typed, &QLineEdit::textChanged, why, [why](const QString &text) {
            why->setVisible(QFileInfo(text).fileName().size() > MaxNameLength);
        });
    }

    // The longest name ext4, NTFS, APFS and their kin take (255 bytes or
    // UTF-16 units); Qt's dialog counts characters against the limit of the
    // folder's file system, which is this one but for rare ones (eCryptfs).
    static constexpr int MaxNameLength = 255;

    MessageBoxPresenter &m_messageBox;
};
} // namespace

LogContextMenu::LogContextMenu(QPlainTextEdit *log, ReceivedLog &received, LogRecording &recording,
                               MessageBoxPresenter &messageBox)
    : QObject(log)
    , m_log(log)
    , m_received(received)
    , m_recording(recording)
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
    // The menu shows the log's form; the log keeps it.
    const auto addForm = [this, &menu](const QString &text, bool shown, auto setter) {
        QAction *action = menu->addAction(text);
        action->setCheckable(true);
        action->setChecked(shown);
        connect(action, &QAction::toggled, &m_received, setter);
    };
    addForm(tr("Show Time"), m_received.showsTime(), &ReceivedLog::setShowTime);
    addForm(tr("Show Events"), m_received.showsEvents(), &ReceivedLog::setShowEvents);
    addForm(tr("Hex View"), m_received.showsHex(), &ReceivedLog::setShowHex);
    menu->addSeparator();
    connect(menu->addAction(tr("Save Log As...")), &QAction::triggered, this,
            &LogContextMenu::saveAs);
    if (m_recording.isRecording()) {
        connect(menu->addAction(tr("Stop Recording")), &QAction::triggered, &m_recording,
                &LogRecording::stop);
    } else {
        connect(menu->addAction(tr("Record to File...")), &QAction::triggered, this,
                &LogContextMenu::recordTo);
    }
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
    SaveLogDialog dialog(m_log->window(), m_messageBox, tr("Save Log As"),
                         tr("Text files (*.txt);;All files (*)"),
                         QStringLiteral("tavimork-log.txt"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFiles().value(0);
    if (!path.isEmpty())
        saveTo(path);
}

void LogContextMenu::recordTo()
{
    SaveLogDialog dialog(m_log->window(), m_messageBox, tr("Record to File"), tr("All files (*)"),
                         QStringLiteral("tavimork-record.log"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFiles().value(0);
    if (!path.isEmpty())
        m_recording.start(path);
}

bool LogContextMenu::saveTo(const QString &path)
{
    // Written to a temporary file beside path and renamed over it only when
    // all of it is there, so a failure leaves an earlier file as it was.
    QSaveFile file(path);
    const QByteArray bytes = m_log->toPlainText().toUtf8();
    bool written = file.open(QIODevice::WriteOnly);
    // A write may take only part of the bytes (a file system filling up, a
    // file size limit) without an error; writing the rest tells why.
    for (qsizetype done = 0; written && done < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + done, bytes.size() - done);
        written = count > 0;
        done += count;
    }
    if (written && file.commit())
        return true;
    m_messageBox.critical(m_log->window(), tr("Can not save the log"),
                          tr("The log was not saved to %1.").arg(QDir::toNativeSeparators(path)),
                          file.errorString());
    return false;
}
