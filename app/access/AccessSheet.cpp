#include "access/AccessSheet.h"

#include "model/AppModel.h"
#include "widgets/CaptionLabel.h"
#include "widgets/Texts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

namespace tavelin {
namespace {

QLabel* wrapped(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

QStringList AccessSheet::settingsCommand() {
    for (const char* program : {"gnome-control-center", "systemsettings", "xfce4-settings-manager"})
        if (QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
            !path.isEmpty())
            return {path};
    return {};
}

AccessSheet::AccessSheet(AppModel& model, QWidget* parent)
    : QDialog(parent)
    , model_(model)
    , scanWithout_(new QPushButton(QStringLiteral("Scan Without It"), this))
    , openSettings_(new QPushButton(linuxText("Open System Settings"), this)) {
    setWindowTitle(linuxText("Allow Full Disk Access"));
    auto* title = new QLabel(linuxText("Allow Full Disk Access"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title->setFont(big);

    auto* steps = new QGridLayout;
    const QString texts[] = {
        linuxText("Click <b>Open System Settings</b>."),
        linuxText("Turn on <b>Tavelin</b> in the list. If it isn’t there, drag the icon above "
                  "into the list."),
        linuxText("Come back here. The scan starts as soon as access is on. If macOS offers "
                  "<b>Quit &amp; Reopen</b>, choose it."),
    };
    for (int i = 0; i < 3; ++i) {
        steps->addWidget(new QLabel(QString::asprintf("%lld", static_cast<long long>(i + 1))), i, 0,
                         Qt::AlignTop);
        steps->addWidget(wrapped(texts[i], this), i, 1);
    }
    steps->setColumnStretch(1, 1);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignHCenter);
    auto* caption = captionLabel(linuxText("Drag Tavelin into the Full Disk Access list"), this);
    caption->setAlignment(Qt::AlignHCenter);

    scanWithout_->setAutoDefault(false);
    scanWithout_->setToolTip(QStringLiteral("Protected folders are skipped and shown with a lock"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(scanWithout_, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    buttons->addButton(openSettings_, QDialogButtonBox::AcceptRole);
    QStringList command = settingsCommand();
    openSettings_->setVisible(!command.isEmpty());
    openSettings_->setDefault(!command.isEmpty());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(
        wrapped(linuxText("Your Desktop, Documents, Downloads, iCloud Drive and other "
                          "apps’ data are protected by macOS. With Full Disk Access, "
                          "Tavelin can measure them without asking for each one."),
                this));
    layout->addWidget(icon);
    layout->addWidget(caption);
    layout->addLayout(steps);
    layout->addWidget(buttons);
    setMinimumWidth(460);

    connect(scanWithout_, &QPushButton::clicked, this, [this] {
        // The flow closes the sheet as it stops asking; the waiting scan starts.
        model_.access().scanWithoutAccess();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(openSettings_, &QPushButton::clicked, this,
            [command] { QProcess::startDetached(command.front(), command.mid(1)); });
    connect(this, &QDialog::rejected, this, [this] {
        if (model_.access().isAskingForAccess())
            model_.access().cancel();
    });
}

} // namespace tavelin
