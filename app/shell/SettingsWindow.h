#pragma once

// The settings window, one for the process: the prompt sent to AI agents, the tray item, the
// free-space warnings, live updates, the units of sizes and the excluded folders, each bound to
// its setting. Every change is written at once; the settings that running parts follow are also
// announced, for the application object to pass on to the tray and to every main window.

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tavelin {

class Notifications;
class TrayHost;

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(Notifications& notifications, const TrayHost& trayHost,
                   QWidget* parent = nullptr);

    QPlainTextEdit& agentPrompt() const { return *prompt_; }
    QPushButton& standardPrompt() const { return *standardPrompt_; }
    QCheckBox& trayItem() const { return *tray_; }
    // Says why the tray switch is off and disabled where the desktop has no tray.
    QLabel& trayCaption() const { return *trayCaption_; }
    QCheckBox& liveUpdates() const { return *live_; }
    QRadioButton& binaryUnits() const { return *binaryUnits_; }

Q_SIGNALS:
    void trayItemToggled(bool shown);
    void liveUpdatesToggled(bool on);
    void sizeUnitsChanged();

private:
    QWidget* agentSection();
    QWidget* unitsSection();
    void followTray();

    QPlainTextEdit* prompt_;
    QPushButton* standardPrompt_;
    QCheckBox* tray_;
    QLabel* trayCaption_;
    const TrayHost& trayHost_;
    QCheckBox* live_;
    QRadioButton* binaryUnits_ = nullptr;
};

} // namespace tavelin
