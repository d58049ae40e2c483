#include "access/AccessBanner.h"

#include "model/AppModel.h"
#include "widgets/BannerParts.h"
#include "widgets/Texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace tavelin {

AccessBanner::AccessBanner(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , headline_(BannerParts::headline(this)) {
    BannerParts::tint(*this);
    QLabel* icon = BannerParts::symbol("lock.shield", this);
    auto* allow = new QPushButton(linuxText("Allow Full Disk Access…"), this);
    auto* dismiss = new QPushButton(QStringLiteral("Dismiss"), this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(headline_);
    auto* text = new QLabel(
        linuxText("Allow Full Disk Access to include them. macOS then stops asking folder by "
                  "folder."),
        this);
    text->setWordWrap(true);
    texts->addWidget(text);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(texts, 1);
    layout->addWidget(allow);
    layout->addWidget(dismiss);

    connect(allow, &QPushButton::clicked, this, [this] { model_.askForAccess(); });
    connect(dismiss, &QPushButton::clicked, this,
            [this] { model_.setAccessBannerDismissed(true); });
    for (auto signal : {&AppModel::sessionChanged, &AppModel::versionChanged,
                        &AppModel::accessBannerDismissedChanged})
        connect(&model_, signal, this, &AccessBanner::refresh);
    connect(&model_.access(), &AccessFlow::changed, this, &AccessBanner::refresh);
    refresh();
}

QString AccessBanner::headline(int64_t skippedFolders, int64_t unreadableItems) {
    QStringList parts;
    if (skippedFolders > 0)
        parts << countText(skippedFolders) +
                     (skippedFolders == 1 ? QStringLiteral(" protected folder")
                                          : QStringLiteral(" protected folders")) +
                     QStringLiteral(" skipped");
    if (unreadableItems > 0)
        parts << countText(unreadableItems) +
                     (unreadableItems == 1 ? QStringLiteral(" item") : QStringLiteral(" items")) +
                     QStringLiteral(" couldn’t be read");
    return parts.join(QStringLiteral(" · "));
}

void AccessBanner::refresh() {
    bool shown = model_.showAccessBanner();
    if (shown)
        headline_->setText(headline(model_.skippedFolderCount(), model_.session()->errors()));
    setVisible(shown);
}

} // namespace tavelin
