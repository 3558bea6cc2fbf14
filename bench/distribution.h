#pragma once

#include <QList>

// A bag of measurements (milliseconds, usually) and the few figures the
// report needs from it.
class Distribution
{
public:
    void add(double value) { m_values.append(value); }
    qsizetype count() const { return m_values.size(); }
    bool isEmpty() const { return m_values.isEmpty(); }
    QList<double> values() const { return m_values; }

    // All of these are 0 for an empty distribution.
    double mean() const;
    // Nearest rank: the smallest value with at least percent % of all at or below it.
    double percentile(double percent) const;
    double min() const;
    double max() const;

private:
    QList<double> m_values;
};
