#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
struct SharedState;

// The Appearance page: the styles to choose from and the one in use.
class AppearancePage final : public QWidget
{
    Q_OBJECT

public:
    explicit AppearancePage(SharedState &state, QWidget *parent = nullptr);

    void TabAppearanceShow();
    void ListBox1DblClick();

Q_SIGNALS:
    void styleActivated();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SharedState &m_state;
    QListWidget *m_styles = nullptr;
    QLabel *m_current = nullptr;
};
