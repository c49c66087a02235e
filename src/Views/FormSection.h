#pragma once

#include <QWidget>

#include <vector>

class QLabel;
class QVBoxLayout;

// One section of a grouped preferences form: a title above a rounded box whose rows are divided by thin
// lines. A row has its label on the leading side and its control on the trailing side.
class FormSection final : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(const QString& title, QWidget* parent = nullptr);

    // A row holding `label` and `control`; an expanding control takes the width the label leaves.
    QWidget* addRow(const QString& label, QWidget* control);
    // A row that is one control, such as a button.
    QWidget* addRow(QWidget* control);
    // Small secondary text that explains the rows above it; it wraps rather than being cut.
    QLabel* addCaption(const QString& text);

    QLabel* titleLabel() const { return m_title; }

    // The footnote size and the secondary and confirming colours of the form, for whoever draws in it.
    static QFont captionFont(const QFont& base);
    static void makeSecondary(QWidget* widget);
    static QColor green(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeRow();

    QLabel* m_title = nullptr;
    QWidget* m_box = nullptr;
    QVBoxLayout* m_rows = nullptr;
    std::vector<QWidget*> m_rowWidgets;
};
