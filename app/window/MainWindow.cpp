#include "window/MainWindow.h"

#include <QLabel>

namespace tavelin {

MainWindow::MainWindow(LaunchOptions launch, QWidget* parent)
    : QMainWindow(parent)
    , launch_(std::move(launch)) {
    setWindowTitle(QStringLiteral("Tavelin"));
    auto* welcome = new QLabel(tr("Choose a disk or folder to see where its space goes."), this);
    welcome->setAlignment(Qt::AlignCenter);
    setCentralWidget(welcome);
    resize(1100, 720);
}

} // namespace tavelin
