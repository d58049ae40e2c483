#include "window/MainWindow.h"

#include "access/AccessSheet.h"
#include "model/AppModel.h"
#include "widgets/ScreenFit.h"
#include "window/DetailDialogs.h"
#include "window/DetailToolbar.h"
#include "window/DetailView.h"
#include "window/DroppedFolder.h"
#include "window/ItemTable.h"
#include "window/QuickPreview.h"
#include "window/SharingExplainer.h"
#include "window/SidebarView.h"
#include "window/TavelinCommands.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStyle>

namespace tavelin {

MainWindow::MainWindow(std::unique_ptr<AppModel> model, std::string launchPath, QWidget* parent)
    : QMainWindow(parent)
    , model_(std::move(model))
    , launchPath_(std::move(launchPath))
    , commands_(new TavelinCommands(*model_, *this))
    , toolbar_(new DetailToolbar(*model_, *commands_, this))
    , detail_(new DetailView(*model_, this))
    , dialogs_(new DetailDialogs(*model_, *this)) {
    setWindowTitle(QStringLiteral("Tavelin"));
    addToolBar(toolbar_);
    setUnifiedTitleAndToolBarOnMac(true);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(new SidebarView(*model_, split));
    split->addWidget(detail_);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 1240});
    setCentralWidget(split);
    setAcceptDrops(true);
    new QuickPreview(*model_, this);
    QRect available = screen()->availableGeometry();
    setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, openingSize(available), available));

    connect(commands_->find, &QAction::triggered, this, [this] {
        toolbar_->searchField()->setFocus(Qt::ShortcutFocusReason);
        toolbar_->searchField()->selectAll();
    });
    connect(toolbar_, &DetailToolbar::searchLeft, this,
            [this] { detail_->table()->setFocus(Qt::OtherFocusReason); });
    connect(toolbar_, &DetailToolbar::explainSharing, this,
            [this] { model_->setExplainingSharing(true); });
    connect(model_.get(), &AppModel::isExplainingSharingChanged, this, &MainWindow::explainSharing);
    connect(&model_->access(), &AccessFlow::changed, this, &MainWindow::askForAccess);
    connect(qApp, &QApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            model_->access().recheck();
    });
}

MainWindow::~MainWindow() = default;

QSize MainWindow::openingSize(const QRect& available) {
    return withinScreen(QSize(1480, 900), available);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!launchPath_.empty())
        model_->scanLaunchPath(std::exchange(launchPath_, std::string()));
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        model_->applying().loadKept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData& data = *event->mimeData();
    if (!droppedFolder(data).isEmpty() || !droppedScanFile(data).isEmpty())
        event->acceptProposedAction();
}

// A folder is scanned; a file is read as a scan file, which says so when it is not one.
void MainWindow::dropEvent(QDropEvent* event) {
    const QMimeData& data = *event->mimeData();
    if (scanDroppedFolder(*model_, data)) {
        event->acceptProposedAction();
    } else if (QString file = droppedScanFile(data); !file.isEmpty()) {
        event->acceptProposedAction();
        model_->openScanFile(QFile::encodeName(file).toStdString());
    }
}

AccessSheet* MainWindow::accessSheet() const {
    return accessSheet_;
}

void MainWindow::askForAccess() {
    bool asking = model_->access().isAskingForAccess();
    if (asking && !accessSheet_) {
        // Window-modal without a nested event loop: the poll keeps probing behind it.
        accessSheet_ = new AccessSheet(*model_, this);
        accessSheet_->setAttribute(Qt::WA_DeleteOnClose);
        accessSheet_->setWindowModality(Qt::WindowModal);
        accessSheet_->open();
    } else if (!asking && accessSheet_) {
        accessSheet_->close();
    }
}

void MainWindow::explainSharing() {
    if (!model_->isExplainingSharing())
        return;
    // Window-modal without a nested event loop, so the scan keeps running behind it.
    auto* explainer = new SharingExplainer(*model_, this);
    explainer->setAttribute(Qt::WA_DeleteOnClose);
    explainer->setWindowModality(Qt::WindowModal);
    connect(explainer, &QDialog::finished, this, [this] { model_->setExplainingSharing(false); });
    explainer->open();
}

} // namespace tavelin
