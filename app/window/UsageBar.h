#pragma once

// A horizontal bar across a disk's capacity, split into coloured parts in order; whatever
// the parts leave of the capacity stays empty.

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace tavelin {

class UsageBar : public QWidget {
    Q_OBJECT
public:
    struct Part {
        QString name;
        int64_t bytes = 0;
        QColor color; // none: the empty track's colour
    };

    explicit UsageBar(QWidget* parent = nullptr);

    void set(int64_t capacity, std::vector<Part> parts);
    const std::vector<Part>& parts() const { return parts_; }
    // Each part's width in a bar `width` wide; parts beyond the capacity are cut off.
    std::vector<double> widths(double width) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int64_t capacity_ = 0;
    std::vector<Part> parts_;
};

} // namespace tavelin
