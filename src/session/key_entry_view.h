#pragma once

#include <QWidget>

// A plain focusable area of the window that records every key pressed in it
// at the player's current time. Its focus ring covers its whole bounds.
// User-interface thread only.
class viewAcceptsKeyDown : public QWidget {
    Q_OBJECT
public:
    explicit viewAcceptsKeyDown(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
