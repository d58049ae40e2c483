#include "window/DetailToolbar.h"

#include "agents/AgentMenu.h"
#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/TavelinCommands.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <array>

namespace tavelin {

DetailToolbar::DetailToolbar(AppModel& model, TavelinCommands& commands, QWidget* parent)
    : QToolBar(QStringLiteral("Toolbar"), parent)
    , model_(model) {
    setMovable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    addAction(commands.back);
    addAction(commands.forward);
    addSeparator();
    stop_ = addAction(symbolIcon("stop.fill"), QStringLiteral("Stop scanning"));
    connect(stop_, &QAction::triggered, &model_, &AppModel::stopScanning);
    scanningLabel_ = addWidget(new QLabel(QStringLiteral("Scanning"), this));
    rescan_ = addAction(symbolIcon("arrow.clockwise"), QStringLiteral("Rescan"));
    connect(rescan_, &QAction::triggered, &model_, [this] { model_.rescan(); });
    addSeparator();
    addAction(commands.showInFileManager);
    addAction(commands.moveToTrash);

    auto* menu = new QMenu(QStringLiteral("Size By"), this);
    for (QAction* measure : commands.measures)
        menu->addAction(measure);
    menu->addSeparator();
    QAction* difference = menu->addAction(QStringLiteral("What’s the Difference?"));
    measure_ = new QToolButton(this);
    measure_->setMenu(menu);
    measure_->setPopupMode(QToolButton::InstantPopup);
    measure_->setToolTip(QStringLiteral("Size the map by space on disk, by what deleting would "
                                        "give back, or by the files’ lengths"));
    addWidget(measure_);
    connect(difference, &QAction::triggered, this, &DetailToolbar::explainSharing);
    agents_ = new AgentMenu(model_, this);
    addWidget(agents_);

    insights_ = addAction(symbolIcon("sidebar.right"), QStringLiteral("Insights"));
    insights_->setCheckable(true);
    insights_->setToolTip(linuxText("Show or hide Reclaim, Changes, Disk and Kinds"));
    connect(insights_, &QAction::toggled, &model_, &AppModel::setInspectorShown);
    connect(&model_, &AppModel::inspectorShownChanged, this,
            [this] { insights_->setChecked(model_.inspectorShown()); });
    insights_->setChecked(model_.inspectorShown());

    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);
    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QStringLiteral("Find by name"));
    search_->setClearButtonEnabled(true);
    search_->setMaximumWidth(260);
    search_->installEventFilter(this);
    addWidget(search_);
    connect(search_, &QLineEdit::textChanged, &model_, &AppModel::setSearchText);
    connect(&model_, &AppModel::searchTextChanged, this, [this] {
        if (search_->text() != model_.searchText())
            search_->setText(model_.searchText());
    });

    connect(&model_, &AppModel::isScanningChanged, this, &DetailToolbar::refreshScanning);
    connect(&model_, &AppModel::currentChanged, this, &DetailToolbar::refreshScanning);
    connect(&model_, &AppModel::measureChanged, this, &DetailToolbar::refreshMeasure);
    refreshScanning();
    refreshMeasure();
}

void DetailToolbar::refreshScanning() {
    bool scanning = model_.isScanning();
    stop_->setVisible(scanning);
    scanningLabel_->setVisible(scanning);
    rescan_->setVisible(!scanning);
    rescan_->setEnabled(model_.current() != nullptr);
}

void DetailToolbar::refreshMeasure() {
    // A drive for the space on disk, the clearing symbol for what deleting gives back, a
    // document for the files' lengths.
    static constexpr std::array<const char*, kAllMeasures.size()> kGlyphs{"internaldrive", "leaf",
                                                                          "doc"};
    Measure measure = model_.measure();
    measure_->setIcon(symbolIcon(kGlyphs[static_cast<size_t>(measure)]));
    measure_->setText(measureTitle(measure));
    measure_->setAccessibleName(measure_->text());
    measure_->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

bool DetailToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != search_ || event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return QToolBar::eventFilter(watched, event);
    // The first Escape clears the search, the next leaves the field.
    if (!search_->text().isEmpty())
        search_->clear();
    else
        Q_EMIT searchLeft();
    return true;
}

} // namespace tavelin
