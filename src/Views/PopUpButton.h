#pragma once

#include <QComboBox>

// A single-choice pop-up whose value changes only when the user picks from its opened list. A plain
// combo box also steps through its choices on the arrow keys, on typed letters and under the mouse
// wheel while closed, and each step is applied at once: stepping from "15" to "5" passes "10" and would
// trim the history on the way. Here the arrow keys and Space open the list instead, and the wheel
// scrolls whatever the pop-up sits in.
class PopUpButton final : public QComboBox {
    Q_OBJECT
public:
    explicit PopUpButton(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
