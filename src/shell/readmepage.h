#pragma once

#include <QWidget>

class QLabel;

// The ReadME page: a quick start for new users and the program's full version.
class ReadMePage final : public QWidget
{
    Q_OBJECT

public:
    explicit ReadMePage(QWidget *parent = nullptr);

    void setFullVersion(const QString &version);

private:
    QLabel *m_fullVersion = nullptr;
};
