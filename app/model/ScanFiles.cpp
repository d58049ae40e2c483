// The scan-file half of AppModel: showing a scan read from a file, read-only, and exporting a
// scan made here.

#include "model/AppModel.h"
#include "scanfile/ScanFile.h"
#include "util/Paths.h"
#include "widgets/Texts.h"

#include <QPointer>

namespace tavelin {
namespace {

// How a scan file is named in sentences: its name, or standard input.
std::string fileName(const std::string& path) {
    return path == "-" ? std::string(ScanFile::kStandardInput) : lastPathComponent(path);
}

} // namespace

void AppModel::openScanFile(std::string path) {
    if (refusedWhileApplying())
        return;
    uint64_t ticket = ++readsStarted_;
    reading_ = ticket;
    Q_EMIT scanFileChanged();
    setNotice(QStringLiteral("Reading ") + quoted(fileName(path)) + QStringLiteral("…"));
    QPointer<AppModel> model(this);
    environment_.pool->submit([model, ticket, path, queue = environment_.queue] {
        auto read = std::make_shared<std::variant<ImportedScan, std::string>>(
            ScanFile::open(path, largeFileThreshold));
        queue->post([model, ticket, path, read] {
            if (!model || model->reading_ != ticket)
                return;
            model->reading_ = 0;
            Q_EMIT model->scanFileChanged();
            if (auto* problem = std::get_if<std::string>(read.get()))
                model->setNotice(QString::fromStdString(*problem));
            else
                model->showImported(std::move(std::get<ImportedScan>(*read)), path);
        });
    });
}

void AppModel::showImported(ImportedScan scan, std::string file) {
    if (refusedWhileApplying())
        return;
    importedFrom_ = scan.source();
    importedPath_ = std::move(file);
    ScanSession::Context context{environment_.queue, environment_.pool, environment_.workerCount};
    begin(std::make_shared<ScanSession>(scan.root, std::move(scan.kinds), largeFileThreshold,
                                        std::move(context)),
          std::nullopt);
    if (scan.errors > 0)
        setNotice(countText(scan.errors) +
                  (scan.errors == 1 ? QStringLiteral(" item") : QStringLiteral(" items")) +
                  QStringLiteral(" couldn’t be read when this scan was made."));
}

bool AppModel::canExport() const {
    return session_ && !importedFrom_ && !environment_.isDemonstration && !exporting_;
}

void AppModel::exportScan(std::string file) {
    if (!session_)
        return;
    if (importedFrom_ || environment_.isDemonstration) {
        setNotice(QStringLiteral("Only a scan made on this computer can be exported: the files "
                                 "of this one aren’t here to list."));
        return;
    }
    if (exporting_) {
        setNotice(QStringLiteral("An export is being written. Export again once it’s done."));
        return;
    }
    exporting_ = true;
    Q_EMIT scanFileChanged();
    std::string folder = session_->path();
    QString names = quoted(lastPathComponent(folder)) + QStringLiteral(" to ") +
                    quoted(lastPathComponent(file));
    setNotice(QStringLiteral("Exporting ") + names + QStringLiteral("…"));
    QPointer<AppModel> model(this);
    environment_.pool->submit(
        [model, folder, file, names, closing = closing_, queue = environment_.queue] {
            auto exported =
                ScanFile::exportFolder({.folder = folder,
                                        .destination = file,
                                        .version = TAVELIN_VERSION,
                                        .isCancelled = [closing] { return closing->load(); }});
            QString outcome;
            if (auto* problem = std::get_if<std::string>(&exported)) {
                outcome = QString::fromStdString(*problem);
            } else {
                const auto& done = std::get<ScanFile::Exported>(exported);
                outcome = QStringLiteral("Exported ") + names + QStringLiteral(": ") +
                          countText(done.entries) + QStringLiteral(" items");
                if (done.problems > 0)
                    outcome += QStringLiteral(", ") + countText(done.problems) +
                               QStringLiteral(" of them unreadable");
                outcome += QStringLiteral(".");
            }
            queue->post([model, outcome] {
                if (!model)
                    return;
                model->exporting_ = false;
                Q_EMIT model->scanFileChanged();
                model->setNotice(outcome);
            });
        });
}

} // namespace tavelin
