#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class TurnoutLoadSavePage;

// The Turnout Decoder page: the turnout memo read back as one line of entries per group,
// `CheckBox1`-`CheckBox26` ticking the groups that have entries and `st1`-`st26` showing them.
class TurnoutDecoderPage final : public QWidget
{
    Q_OBJECT

public:
    explicit TurnoutDecoderPage(const TurnoutLoadSavePage &memoPage, QWidget *parent = nullptr);

    // "&Import": rewrites every group from the memo's text, or nothing when the text fails.
    void sbUpdateClick();

    // The controls of group n (1 = A … 26 = Z), found by their names.
    QCheckBox *groupCheckBox(int group) const;
    QLabel *groupLabel(int group) const;

private:
    const TurnoutLoadSavePage &m_memoPage;
};
