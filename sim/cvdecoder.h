#pragma once

#include <QMap>

// The decoder on the simulated programming track: a few CVs with the values a fresh decoder
// has, every other CV a value derived from its number, and values given on the command line
// over both.
class CvDecoder final
{
public:
    explicit CvDecoder(QMap<int, int> values = {});

    int value(int cv) const;

    static int defaultValue(int cv);

private:
    QMap<int, int> m_values;
};
