#pragma once

#include "logrenderer.h"
#include "receivedarrival.h"

#include <QObject>

class ReceivedLogView;

// What the robot sent, kept as it was read (bytes, text and times, with the
// console's events among them), and the log box showing it in the form the
// operator chose: the text as received, led by times, with events, or as hex
// rows. Switching the form draws the kept arrivals again, so nothing shown
// is lost by it; text typed into the box is not kept across a switch.
class ReceivedLog : public QObject
{
    Q_OBJECT

public:
    // Bounds as the box's own, so the kept record holds at least the text it
    // shows; arrivals are bounded too, as the box bounds its lines.
    static constexpr qsizetype MaxKeptCharacters = 1'000'000;
    static constexpr qsizetype MaxKeptBytes = 1'000'000;
    static constexpr qsizetype MaxKeptArrivals = 100'000;

    // A child of view, which it fills.
    explicit ReceivedLog(ReceivedLogView *view);

    void append(const ReceivedBatch &batch);
    // Empties the record and the box (the Clear button).
    void clear();

    bool showsTime() const { return m_form.time; }
    bool showsEvents() const { return m_form.events; }
    bool showsHex() const { return m_hex; }
    void setShowTime(bool show);
    void setShowEvents(bool show);
    void setShowHex(bool show);
    // Local time by default.
    void setClockFace(ClockFace clockFace);

    // While on, textTapped() gets the text form (with times and events as
    // they are switched, never hex) of everything appended from now on.
    void setTextTapped(bool tapped);

signals:
    void formChanged();
    void textTapped(const QString &text);

private:
    void keep(const ReceivedArrival &arrival);
    void trimOldest();
    void redraw();
    void appendHex(qint64 shownEnd);
    QByteArray keptBytesFrom(qint64 offset) const;

    ReceivedLogView *const m_view;
    QList<ReceivedArrival> m_kept;
    qsizetype m_keptCharacters = 0;
    qsizetype m_keptBytes = 0;
    // Where the first kept byte and the end are among all bytes received
    // since the last Clear: the hex view's offsets.
    qint64 m_firstByte = 0;
    qint64 m_endByte = 0;
    // The oldest were cut inside a line.
    bool m_startsMidLine = false;
    LogRenderer::Form m_form;
    bool m_hex = false;
    LogRenderer m_renderer;
    LogRenderer m_tap;
    bool m_tapped = false;
};
