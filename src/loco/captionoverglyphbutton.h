#pragma once

#include <QToolButton>

// A tool button whose caption stands above its glyph, as the Link page's direction buttons have
// always looked (the styles draw a tool button's text under its icon). Its size is the same.
class CaptionOverGlyphButton final : public QToolButton
{
public:
    explicit CaptionOverGlyphButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
