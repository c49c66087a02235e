#pragma once

#include <QWidget>

// One line of text that gives up its middle, not its ends, when it does not fit: the start and the last
// folder of a path both stay readable. The whole text is the tooltip.
class ElidedLabel final : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    // What is drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
