#include "window/InspectorView.h"

#include "model/AppModel.h"
#include "window/AdvisorPane.h"
#include "window/ChangesPane.h"
#include "window/DiskPane.h"
#include "window/KindsPane.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

namespace tavelin {
namespace {

// In the order of the panes, which is the order of `InspectorTab`.
constexpr std::array<InspectorTab, 4> kTabs{InspectorTab::advisor, InspectorTab::changes,
                                            InspectorTab::disk, InspectorTab::kinds};
constexpr std::array<const char*, 4> kTitles{"Advisor", "Changes", "Disk", "Kinds"};

} // namespace

InspectorView::InspectorView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , picker_(new QButtonGroup(this))
    , panes_(new QStackedWidget(this))
    , advisor_(new AdvisorPane(model, panes_))
    , changes_(new ChangesPane(model, panes_))
    , disk_(new DiskPane(model, panes_))
    , kinds_(new KindsPane(model, panes_)) {
    auto* segments = new QWidget(this);
    segments->setAccessibleName(QStringLiteral("Show"));
    auto* segmentsLayout = new QHBoxLayout(segments);
    segmentsLayout->setContentsMargins(0, 0, 0, 0);
    segmentsLayout->setSpacing(0);
    segmentsLayout->addStretch();
    for (size_t at = 0; at < kTabs.size(); ++at) {
        auto* button = new QToolButton(segments);
        button->setText(QLatin1String(kTitles[at]));
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::StrongFocus);
        picker_->addButton(button, static_cast<int>(kTabs[at]));
        segmentsLayout->addWidget(button);
    }
    segmentsLayout->addStretch();
    picker_->setExclusive(true);

    for (QWidget* pane : {static_cast<QWidget*>(advisor_), static_cast<QWidget*>(changes_),
                          static_cast<QWidget*>(disk_), static_cast<QWidget*>(kinds_)})
        panes_->addWidget(pane);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(segments);
    layout->addWidget(panes_, 1);

    connect(picker_, &QButtonGroup::idClicked, this,
            [this](int id) { model_.setInspectorTab(static_cast<InspectorTab>(id)); });
    connect(&model_, &AppModel::inspectorTabChanged, this, &InspectorView::showTab);
    showTab();
}

QAbstractButton* InspectorView::tabButton(int tab) const {
    return picker_->button(tab);
}

int InspectorView::currentPane() const {
    return panes_->currentIndex();
}

void InspectorView::showTab() {
    int tab = static_cast<int>(model_.inspectorTab());
    picker_->button(tab)->setChecked(true);
    panes_->setCurrentIndex(tab);
}

} // namespace tavelin
