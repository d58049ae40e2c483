#include "window/DetailView.h"

#include "access/AccessBanner.h"
#include "access/UnreadableBanner.h"
#include "map/TreemapView.h"
#include "model/AppModel.h"
#include "widgets/Texts.h"
#include "window/CloudBanner.h"
#include "window/DateText.h"
#include "window/InspectorView.h"
#include "window/ItemTable.h"
#include "window/PathBar.h"
#include "window/StatusLine.h"
#include "window/WelcomeView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tavelin {
namespace {

// The header of a scan read from a file: which file, and which tool wrote it when.
QString sourceLine(const ScanSource& source) {
    QString line = QStringLiteral("Read from ") + quoted(source.fileName) +
                   QStringLiteral(", written by ") + QString::fromStdString(source.writer);
    if (source.written)
        line += QStringLiteral(" on ") + DateText::abbreviated(*source.written);
    return line + QStringLiteral(" · read-only");
}

} // namespace

DetailView::DetailView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , pages_(new QStackedWidget(this)) {
    pages_->addWidget(new WelcomeView(model_, this));
    pages_->addWidget(makeContent());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);

    connect(&model_, &AppModel::currentChanged, this, &DetailView::refreshTitle);
    connect(&model_, &AppModel::versionChanged, this, &DetailView::refreshTitle);
    connect(&model_, &AppModel::measureChanged, this, &DetailView::refreshTitle);
    for (auto signal :
         {&AppModel::hoverIndexChanged, &AppModel::versionChanged, &AppModel::noticeChanged,
          &AppModel::isScanningChanged, &AppModel::measureChanged})
        connect(&model_, signal, this, &DetailView::refreshStatus);
    connect(&model_, &AppModel::inspectorShownChanged, this,
            [this] { inspector_->setVisible(model_.inspectorShown()); });
    refreshTitle();
    refreshStatus();
}

QWidget* DetailView::makeContent() {
    auto* content = new QWidget(this);
    title_ = new QLabel(content);
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title_->setFont(big);
    subtitle_ = new QLabel(content);
    subtitle_->setForegroundRole(QPalette::PlaceholderText);
    source_ = new QLabel(content);
    source_->setForegroundRole(QPalette::PlaceholderText);
    source_->setTextFormat(Qt::PlainText);
    status_ = new QLabel(content);
    status_->setForegroundRole(QPalette::PlaceholderText);
    status_->setTextFormat(Qt::PlainText);
    status_->setMinimumWidth(1);

    auto* upper = new QWidget(content);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(8, 6, 8, 2);
    upperLayout->setSpacing(2);
    upperLayout->addWidget(title_);
    upperLayout->addWidget(subtitle_);
    upperLayout->addWidget(source_);
    upperLayout->addWidget(new AccessBanner(model_, upper));
    upperLayout->addWidget(new UnreadableBanner(model_, upper));
    upperLayout->addWidget(new CloudBanner(model_, upper));
    upperLayout->addWidget(new PathBar(model_, upper));
    upperLayout->addWidget(new TreemapView(model_, upper), 1);
    upperLayout->addWidget(status_);

    auto* vertical = new QSplitter(Qt::Vertical, content);
    vertical->addWidget(upper);
    table_ = new ItemTable(model_, vertical);
    vertical->addWidget(table_);
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 2);

    inspector_ = new InspectorView(model_, content);
    inspector_->setVisible(model_.inspectorShown());
    auto* horizontal = new QSplitter(Qt::Horizontal, content);
    horizontal->addWidget(vertical);
    horizontal->addWidget(inspector_);
    horizontal->setStretchFactor(0, 1);
    horizontal->setSizes({1100, 340});

    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(horizontal);
    return content;
}

void DetailView::refreshTitle() {
    pages_->setCurrentIndex(model_.session() ? 1 : 0);
    const Node::Ptr& current = model_.current();
    QString name = current ? QString::fromStdString(current->name) : QStringLiteral("Tavelin");
    title_->setText(name);
    subtitle_->setText(model_.subtitle());
    const std::optional<ScanSource>& source = model_.importedFrom();
    source_->setVisible(source.has_value());
    source_->setText(source ? sourceLine(*source) : QString());
    window()->setWindowTitle(name);
}

void DetailView::refreshStatus() {
    QString text = statusLine(model_);
    status_->setText(
        status_->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(status_->width(), 200)));
    status_->setToolTip(text);
}

} // namespace tavelin
