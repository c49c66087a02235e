#pragma once

#include <QAbstractButton>

// An on/off switch: a checkable button drawn as a sliding knob in a pill. Space and clicks toggle it, as
// they do a check box.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The whole pill answers, not only a text area as with an ordinary button.
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};
