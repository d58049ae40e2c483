#pragma once

// A one-line label that takes the width it is given and drops part of a text too long for it,
// keeping the whole text in `fullText`.

#include <QLabel>

namespace tavelin {

class ElidedLabel : public QLabel {
public:
    ElidedLabel(QString text, Qt::TextElideMode mode, QWidget* parent);

    const QString& fullText() const { return full_; }
    // The size the whole text needs, however short it is shown now.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString full_;
    Qt::TextElideMode mode_;
};

} // namespace tavelin
