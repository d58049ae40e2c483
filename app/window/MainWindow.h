#pragma once

#include "LaunchOptions.h"

#include <QMainWindow>

namespace tavelin {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(LaunchOptions launch, QWidget* parent = nullptr);

    const LaunchOptions& launchOptions() const { return launch_; }

private:
    LaunchOptions launch_;
};

} // namespace tavelin
