#pragma once

#include <QWidget>

namespace tavelin {

// An original and its clone pointing at the data they share, stored once.
class CloneDiagram : public QWidget {
    Q_OBJECT
public:
    explicit CloneDiagram(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {420, 150}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tavelin
