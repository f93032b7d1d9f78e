#pragma once

#include "cv/cvreport.h"
#include "cvdecoder.h"
#include "locoslots.h"
#include "stationinput.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>

class PacketSender;

// The station as the program sees it: status packets after instructions, a stored turnout
// table it can send back, and CV reports for a CV sequence.
class Station final : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        std::array<int, 4> addresses{3, 4, 5, 6};
        std::array<int, 4> sliderMaxima{31, 31, 31, 31};
        QMap<int, int> cvValues;
        QString turnoutTable; // empty: a table without entries
        bool sendTurnoutsAfterUpload = false;
        CvReportForm cvReportForm = CvReportForm::Short;
        int imageIdleMs = 300;
    };

    Station(const Options &options, PacketSender &sender, QObject *parent = nullptr);

    void receive(const QByteArray &bytes);
    void sendStatus();
    void sendTurnouts();
    QString turnoutTable() const { return m_turnoutTable; }

Q_SIGNALS:
    void turnoutsStored();
    void cvSequenceAnswered(int reports);
    void statusSent();

private:
    void takeInstruction(const QString &text);
    void takeImageLine(const QString &line);
    void finishImage();
    void answerCvSequence(const QString &text);

    PacketSender &m_sender;
    StationInput m_input;
    LocoSlots m_locos;
    CvDecoder m_decoder;
    QString m_turnoutTable;
    bool m_sendTurnoutsAfterUpload = false;
    CvReportForm m_cvReportForm = CvReportForm::Short;
    QStringList m_imageLines;
    QTimer m_imageIdle;
};
