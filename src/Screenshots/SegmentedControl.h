#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;

// A row of mutually exclusive text segments drawn as one control: a rounded track with the chosen segment
// raised on it, as desktop toolbars show a choice of modes.
class SegmentedControl final : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 24;
    static constexpr int padding = 12; // left and right of each segment's text
    static constexpr double radius = 6;

    // `label` names the control for assistive technology; it is not shown.
    SegmentedControl(const QString& label, const QStringList& segments, QWidget* parent = nullptr);

    int current() const;
    // Chooses a segment without telling `chosen`; an index out of range changes nothing.
    void setCurrent(int index);
    int count() const;
    QAbstractButton* segment(int index) const;

Q_SIGNALS:
    // The user chose a segment (also the one already chosen).
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QButtonGroup* m_group;
};
