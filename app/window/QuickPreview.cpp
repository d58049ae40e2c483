#include "window/QuickPreview.h"

#include "model/AppModel.h"
#include "widgets/FileIcons.h"
#include "widgets/Texts.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tavelin {
namespace {

constexpr qint64 kTextBytes = 256 * 1024;
constexpr QSize kPreviewSize(640, 480);

} // namespace

QuickPreview::QuickPreview(AppModel& model, QWidget* parent)
    : QWidget(parent, Qt::Tool)
    , model_(model)
    , pages_(new QStackedWidget(this))
    , picture_(new QLabel(this))
    , text_(new QPlainTextEdit(this))
    , summary_(new QWidget(this))
    , icon_(new QLabel(summary_))
    , caption_(new QLabel(summary_)) {
    picture_->setAlignment(Qt::AlignCenter);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    caption_->setTextFormat(Qt::PlainText);
    auto* summaryLayout = new QVBoxLayout(summary_);
    summaryLayout->addStretch();
    summaryLayout->addWidget(icon_, 0, Qt::AlignHCenter);
    summaryLayout->addWidget(caption_, 0, Qt::AlignHCenter);
    summaryLayout->addStretch();
    for (QWidget* page : std::initializer_list<QWidget*>{picture_, text_, summary_})
        pages_->addWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);
    resize(kPreviewSize);
    // As Space opened it, Space closes it again; so does Escape.
    for (auto key : {Qt::Key_Space, Qt::Key_Escape})
        new QShortcut(QKeySequence(key), this, this, &QWidget::close,
                      Qt::WidgetWithChildrenShortcut);
    connect(&model_, &AppModel::previewURLChanged, this, &QuickPreview::follow);
}

void QuickPreview::follow() {
    if (!model_.previewURL()) {
        hide();
        return;
    }
    showItem(model_.previewURL()->toLocalFile());
    show();
    raise();
}

void QuickPreview::showItem(const QString& path) {
    QFileInfo info(path);
    setWindowTitle(info.fileName());
    QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    if (info.isFile() && type.name().startsWith(QLatin1String("image/"))) {
        // Decoding straight to the shown size keeps large pictures cheap.
        QImageReader reader(path);
        QSize size = reader.size().scaled(kPreviewSize, Qt::KeepAspectRatio);
        if (size.isValid() && reader.size().width() > size.width())
            reader.setScaledSize(size);
        QImage image = reader.read();
        if (!image.isNull()) {
            picture_->setPixmap(QPixmap::fromImage(image));
            pages_->setCurrentWidget(picture_);
            return;
        }
    }
    if (info.isFile() && type.inherits(QStringLiteral("text/plain"))) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            text_->setPlainText(QString::fromUtf8(file.read(kTextBytes)));
            pages_->setCurrentWidget(text_);
            return;
        }
    }
    icon_->setPixmap(fileIcon(info).pixmap(96, 96));
    QString size = info.isFile() ? QStringLiteral(" · ") + bytesText(info.size()) : QString();
    caption_->setText(info.fileName() + size);
    pages_->setCurrentWidget(summary_);
}

void QuickPreview::closeEvent(QCloseEvent* event) {
    model_.setPreviewURL(std::nullopt);
    QWidget::closeEvent(event);
}

} // namespace tavelin
