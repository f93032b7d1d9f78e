#pragma once

#include <QGroupBox>

class QButtonGroup;

// A titled group of radio buttons addressed by item index, like the toolkit's radio group:
// setting the index from code raises itemIndexChanged as a user's choice does.
class RadioGroup final : public QGroupBox
{
    Q_OBJECT

public:
    RadioGroup(const QString &objectName, const QString &caption, const QStringList &items,
               QWidget *parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);

Q_SIGNALS:
    void itemIndexChanged(int index);

private:
    QButtonGroup *m_buttons = nullptr;
};
