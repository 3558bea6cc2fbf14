#include "distribution.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double Distribution::mean() const
{
    if (m_values.isEmpty())
        return 0;
    return std::accumulate(m_values.cbegin(), m_values.cend(), 0.0) / double(m_values.size());
}

double Distribution::percentile(double percent) const
{
    if (m_values.isEmpty())
        return 0;
    QList<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = qsizetype(std::ceil(percent / 100.0 * double(sorted.size())));
    return sorted.at(std::clamp<qsizetype>(rank - 1, 0, sorted.size() - 1));
}

double Distribution::min() const
{
    return m_values.isEmpty() ? 0 : *std::min_element(m_values.cbegin(), m_values.cend());
}

double Distribution::max() const
{
    return m_values.isEmpty() ? 0 : *std::max_element(m_values.cbegin(), m_values.cend());
}
