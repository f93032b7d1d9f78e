#pragma once

#include "linemodel.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Everything the simulator can be told on its command line.
struct SimOptions
{
    QString name = QStringLiteral("SIM1");
    int baud = 0;
    FrameShape frame;
    int latencyMs = 0;
    QString captureFile;

    bool bootLoader = false;
    bool specialRead = false;
    bool silentBootLoader = false;
    int strayBeforeXon = 0;
    bool doubleXon = false;
    int noiseForXon = 0;
    int writeTimeMs = 0;
    int turnaroundUs = 0;

    std::array<int, 4> addresses{3, 4, 5, 6};
    std::array<int, 4> sliderMaxima{31, 31, 31, 31};
    QMap<int, int> cvValues;
    QString turnoutsFile;
    bool sendTurnoutsAfterUpload = false;
    bool cvReportsWithLineEnd = false;

    int chunkSize = 0;
    int chunkGapMs = 2;
    int noiseBytes = 0;
    int malformedEvery = 0;
    qint64 hangUpAfter = -1;
    quint32 seed = 1;
};

// Reads the options, or prints why it cannot (or the help) and ends the process.
SimOptions parseSimOptions(const QStringList &arguments);
