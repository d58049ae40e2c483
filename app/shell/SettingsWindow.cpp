#include "shell/SettingsWindow.h"

#include "report/AgentPrompt.h"
#include "shell/ExcludedFoldersSection.h"
#include "watch/NotificationSettings.h"
#include "watch/TrayHost.h"
#include "widgets/CaptionLabel.h"
#include "widgets/NumberLocale.h"
#include "widgets/ScreenFit.h"
#include "widgets/SettingsKeys.h"
#include "widgets/Texts.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QVBoxLayout>

namespace tavelin {
namespace {

constexpr int kPromptHeight = 150;

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QCheckBox* settingSwitch(const QString& title, const char* key, QWidget* parent) {
    auto* box = new QCheckBox(title, parent);
    box->setChecked(QSettings().value(key, true).toBool());
    QObject::connect(box, &QCheckBox::toggled, box,
                     [key](bool on) { QSettings().setValue(key, on); });
    return box;
}

} // namespace

SettingsWindow::SettingsWindow(Notifications& notifications, const TrayHost& trayHost,
                               QWidget* parent)
    : QWidget(parent, Qt::Window)
    , prompt_(new QPlainTextEdit(this))
    , standardPrompt_(new QPushButton(QStringLiteral("Use the Standard Prompt"), this))
    , tray_(settingSwitch(linuxText("Show free space in the menu bar"),
                          SettingsKeys::showMenuBarExtra, this))
    , trayCaption_(captionLabel(QStringLiteral("Your desktop shows no system tray now, so this is "
                                               "off. Tavelin shows its item once a tray appears."),
                                this))
    , trayHost_(trayHost)
    , live_(settingSwitch(QStringLiteral("Update the map as files change"),
                          SettingsKeys::liveUpdates, this)) {
    setWindowTitle(QStringLiteral("Tavelin Settings"));
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(agentSection());
    layout->addWidget(tray_);
    layout->addWidget(captionLabel(
        linuxText("Warns with a triangle when your startup disk has less than 10% free (at most "
                  "50 GB). Tavelin keeps running in the menu bar while it’s on."),
        this));
    layout->addWidget(trayCaption_);
    layout->addWidget(divider(this));
    layout->addWidget(new NotificationSettings(notifications, this));
    layout->addWidget(divider(this));
    layout->addWidget(live_);
    layout->addWidget(captionLabel(QStringLiteral("After a scan, folders that change on disk are "
                                                  "measured again, so the map stays current."),
                                   this));
    layout->addWidget(divider(this));
    layout->addWidget(unitsSection());
    layout->addWidget(new ExcludedFoldersSection(this));
    layout->addStretch();
    // Taller than a small screen: the settings scroll rather than the window leaving the screen.
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    QSize wanted(520 + scroll->verticalScrollBar()->sizeHint().width(), page->sizeHint().height());
    resize(screen() ? withinScreen(wanted, screen()->availableGeometry()) : wanted);

    connect(tray_, &QCheckBox::toggled, this, &SettingsWindow::trayItemToggled);
    connect(&trayHost_, &TrayHost::availableChanged, this, &SettingsWindow::followTray);
    followTray();
    connect(live_, &QCheckBox::toggled, this, &SettingsWindow::liveUpdatesToggled);
}

void SettingsWindow::followTray() {
    bool available = trayHost_.isAvailable();
    // Without a tray the switch shows off and cannot be turned on; the setting itself stays.
    QSignalBlocker quiet(tray_);
    tray_->setEnabled(available);
    tray_->setChecked(available &&
                      QSettings().value(SettingsKeys::showMenuBarExtra, true).toBool());
    trayCaption_->setVisible(!available);
}

QWidget* SettingsWindow::agentSection() {
    auto* section = new QGroupBox(QStringLiteral("Ask an Agent"), this);
    prompt_->setPlainText(QSettings().value(SettingsKeys::agentPrompt).toString());
    // An empty editor sends the standard prompt; shown greyed, so the user sees what goes.
    prompt_->setPlaceholderText(QString::fromStdString(AgentPrompt::standard()));
    prompt_->setFixedHeight(kPromptHeight);
    connect(prompt_, &QPlainTextEdit::textChanged, this,
            [this] { QSettings().setValue(SettingsKeys::agentPrompt, prompt_->toPlainText()); });
    connect(standardPrompt_, &QPushButton::clicked, this,
            [this] { prompt_->setPlainText(QString::fromStdString(AgentPrompt::standard())); });
    auto* layout = new QVBoxLayout(section);
    layout->addWidget(prompt_);
    layout->addWidget(captionLabel(
        QStringLiteral("Sent with Tavelin’s report when you ask an AI agent about a folder."),
        section));
    layout->addWidget(standardPrompt_, 0, Qt::AlignLeft);
    return section;
}

QWidget* SettingsWindow::unitsSection() {
    auto* section = new QGroupBox(QStringLiteral("Sizes"), this);
    auto* decimal = new QRadioButton(QStringLiteral("Decimal units: 1 MB is 1,000 KB"), section);
    binaryUnits_ = new QRadioButton(QStringLiteral("Binary units: 1 MiB is 1,024 KiB"), section);
    (byteUnits() == ByteUnits::binary ? binaryUnits_ : decimal)->setChecked(true);
    connect(binaryUnits_, &QRadioButton::toggled, this, [this](bool binary) {
        storeByteUnits(binary ? ByteUnits::binary : ByteUnits::decimal);
        Q_EMIT sizeUnitsChanged();
    });
    auto* layout = new QVBoxLayout(section);
    layout->addWidget(decimal);
    layout->addWidget(binaryUnits_);
    layout->addWidget(captionLabel(QStringLiteral("For every size Tavelin shows: in its windows, "
                                                  "notifications and reports, and on the "
                                                  "command line."),
                                   section));
    return section;
}

} // namespace tavelin
