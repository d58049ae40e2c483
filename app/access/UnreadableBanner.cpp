#include "access/UnreadableBanner.h"

#include "access/UnreadableList.h"
#include "model/AppModel.h"
#include "scan/UnreadableFolders.h"
#include "widgets/BannerParts.h"
#include "widgets/Texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavelin {

UnreadableBanner::UnreadableBanner(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , headline_(BannerParts::headline(this)) {
    BannerParts::tint(*this);
    QLabel* icon = BannerParts::symbol("lock", this);
    auto* text = new QLabel(QStringLiteral("What they hold is missing from these sizes. <a "
                                           "href=\"why\">Why was this skipped?</a>"),
                            this);
    text->setWordWrap(true);
    auto* list = new QPushButton(QStringLiteral("Show Folders…"), this);
    auto* dismiss = new QPushButton(QStringLiteral("Dismiss"), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(headline_);
    texts->addWidget(text);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(texts, 1);
    layout->addWidget(list);
    layout->addWidget(dismiss);

    connect(text, &QLabel::linkActivated, this, &UnreadableBanner::showList);
    connect(list, &QPushButton::clicked, this, &UnreadableBanner::showList);
    connect(dismiss, &QPushButton::clicked, this,
            [this] { model_.setAccessBannerDismissed(true); });
    for (auto signal : {&AppModel::sessionChanged, &AppModel::versionChanged,
                        &AppModel::isScanningChanged, &AppModel::accessBannerDismissedChanged})
        connect(&model_, signal, this, &UnreadableBanner::refresh);
    connect(&model_.access(), &AccessFlow::changed, this, &UnreadableBanner::refresh);
    refresh();
}

QString UnreadableBanner::headline(int64_t folders) {
    return countedText(folders, "folder") + QStringLiteral(" couldn’t be read");
}

void UnreadableBanner::showList() {
    if (!model_.session())
        return;
    auto* window = new UnreadableList(model_, unreadableFolders(*model_.session()->root()), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void UnreadableBanner::refresh() {
    // Counted once the scan is done: while it runs, folders are still being reached.
    int64_t count = 0;
    if (model_.session() && !model_.isScanning() && !model_.showAccessBanner() &&
        !model_.accessBannerDismissed())
        count = static_cast<int64_t>(unreadableFolders(*model_.session()->root()).size());
    if (count > 0)
        headline_->setText(headline(count));
    setVisible(count > 0);
}

} // namespace tavelin
