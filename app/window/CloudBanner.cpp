#include "window/CloudBanner.h"

#include "model/AppModel.h"
#include "widgets/BannerParts.h"
#include "widgets/Texts.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tavelin {

CloudBanner::CloudBanner(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , message_(new QLabel(this)) {
    BannerParts::tint(*this);
    QLabel* icon = BannerParts::symbol("icloud", this);
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(message_, 1);
    connect(&model_, &AppModel::currentChanged, this, &CloudBanner::refresh);
    connect(&model_, &AppModel::sessionChanged, this, &CloudBanner::refresh);
    refresh();
}

void CloudBanner::refresh() {
    const CloudProvider* provider =
        model_.current() ? model_.cloudProvider(*model_.current()) : nullptr;
    if (provider) {
        QString name = QString::fromStdString(provider->name);
        message_->setText(QStringLiteral("The files here take space on this computer and are "
                                         "kept in ") +
                          name + QStringLiteral(". ") +
                          linuxText("Make things online-only to free that space and keep them in "
                                    "%1. Deleting them here deletes them from %1 too.")
                              .arg(name));
    }
    setVisible(provider != nullptr);
}

} // namespace tavelin
