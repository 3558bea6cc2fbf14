#pragma once

#include <QWidget>

class ArenaWidget;
class QLabel;
class Simulator;
struct SimOptions;

// The simulator's window: the arena view and a panel with the device path,
// the console's presence, the current command and the pose.
class SimWindow : public QWidget
{
    Q_OBJECT

public:
    SimWindow(const Simulator *simulator, const SimOptions &options, QWidget *parent = nullptr);

private:
    void refresh();

    const Simulator *m_simulator;
    ArenaWidget *m_arena;
    QLabel *m_status;
    QString m_settings;
};
