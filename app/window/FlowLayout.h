#pragma once

// Lays items out left to right and starts a new line when the next one would not fit, so a row
// of chips wraps instead of widening the list it sits in. An item wider than the line gets the
// line's width.

#include <QLayout>
#include <vector>

namespace tavelin {

class FlowLayout : public QLayout {
public:
    explicit FlowLayout(int spacing);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` (or only measures when `place` is false); the height used.
    int arrange(const QRect& rect, bool place) const;

    std::vector<QLayoutItem*> items_;
    int spacing_;
};

} // namespace tavelin
