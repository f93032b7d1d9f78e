#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The ReadME page: the quick start, the program's full version, and the buttons that open the
// product's web site, its home page and the instruction manual in the user's browser.
class ReadMePage final : public QWidget
{
    Q_OBJECT

public:
    // webSite: the product's web site without a final "/" (the build's KORVANT_WEB_SITE).
    explicit ReadMePage(const QString &webSite, QWidget *parent = nullptr);

    void setFullVersion(const QString &version);

    void bbWebSiteClick();
    void bbWebSiteMouseDown(Qt::MouseButton button);
    void bbPdfManualClick();

    // The quick-start text, Markdown.
    static QString quickStartText();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_webSite;
    QPushButton *m_webSiteButton = nullptr;
    QLabel *m_fullVersion = nullptr;
};
