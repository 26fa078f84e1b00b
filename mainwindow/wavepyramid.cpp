#include "mainwindow/wavepyramid.h"

void WavePyramid::buildLevels()
{
    m_levels.resize(1);
    while (m_levels.last().size() > 1) {
        const QVector<Bin> &below = m_levels.last();
        QVector<Bin> above((below.size() + kFactor - 1) / kFactor);
        for (int i = 0; i < below.size(); ++i)
            above[i / kFactor].merge(below[i]);
        m_levels.append(std::move(above));
    }
}
