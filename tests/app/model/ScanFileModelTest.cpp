// A scan read from a file in the window: shown like a scan, read-only, compared with the earlier
// reads of its file name and folder; and a scan made here exported for other tools.

#include "app/ModelFixture.h"

#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace tavelin;

namespace {

class ScanFileModelTest : public test::ModelFixture {
protected:
    // A scan file as ncdu writes one of a server's /home/ann, whose logs hold `logs` bytes.
    // Figures go in without the test locale's digit grouping.
    std::string write(const std::string& relative, int64_t timestamp, int64_t logs) {
        std::string path = (data.path() / relative).string();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path)
            << R"([1,2,{"progname":"ncdu","progver":"1.18","timestamp":)" +
                   std::to_string(timestamp) +
                   R"(},[{"name":"/home/ann","dsize":4096},)"
                   R"([{"name":".cache","dsize":4096},[{"name":"pip","dsize":4096},)"
                   R"({"name":"wheels.tar","dsize":50000000}]],)"
                   R"({"name":"disk.iso","dsize":200000000,"mtime":1700000000},)"
                   R"([{"name":"logs","dsize":4096},{"name":"app.log","dsize":)" +
                   std::to_string(logs) + R"(}],{"name":"notes.txt","dsize":4096}]])";
        return path;
    }

    // Opens the file and waits until its tree is shown and compared with the history.
    bool shows(AppModel& model, const std::string& path) {
        model.openScanFile(path);
        return QTest::qWaitFor(
            [&] {
                return !model.isReadingScanFile() && model.session() &&
                       !model.session()->isRunning() && !model.isScanning() &&
                       !model.history().isBusy();
            },
            20000);
    }
};

TEST_F(ScanFileModelTest, AScanFileShowsItsTreeEveryActionSaysWhyNotAndAnExportReadsBackAsItsScan) {
    auto model = makeModel();
    ASSERT_TRUE(shows(*model, write("server.json", 1'700'000'000, 30'000'000)));

    ASSERT_TRUE(model->importedFrom());
    EXPECT_EQ(model->importedFrom()->writer, "ncdu 1.18");
    EXPECT_EQ(model->importedFrom()->fileName, "server.json");
    EXPECT_EQ(model->session()->path(), "/home/ann");
    EXPECT_EQ(model->current()->fileCount, 4);
    EXPECT_EQ(model->current()->size, 200'000'000 + 50'000'000 + 30'000'000 + 5 * 4096);
    // The advisor reads names and paths against the scanned user's home, and nothing else.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->advisor().candidates().empty(); }, 20000));
    EXPECT_EQ(model->advisor().candidates().front().paths(),
              std::vector<std::string>{"/home/ann/.cache/pip"});
    EXPECT_TRUE(model->advisor().cloudProviders().empty());
    EXPECT_FALSE(model->advisor().slowRunning());
    EXPECT_EQ(model->kindTotals().front().bytes, 200'000'000) << "the disk image leads the kinds";
    EXPECT_NE(model->makeReport()->markdown.find("Measured by `ncdu 1.18` on "), std::string::npos);

    Node::Ptr iso = child(model->current(), "disk.iso");
    const QString refusal =
        QStringLiteral("This scan was read from “server.json”, so nothing in it can be opened, "
                       "moved or deleted here.");
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"trash", [&] { model->askToTrash({iso}); }}, {"apply", [&] { model->askToApply(); }},
        {"open", [&] { model->activate(iso); }},      {"reveal", [&] { model->reveal({iso}); }},
        {"preview", [&] { model->preview(*iso); }},
    };
    for (const auto& [what, act] : actions) {
        SCOPED_TRACE(what);
        model->setNotice(std::nullopt);
        act();
        EXPECT_EQ(model->notice(), refusal);
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(revealed.empty());
    EXPECT_FALSE(model->previewURL());
    EXPECT_FALSE(model->applying().isConfirmingTrash());
    EXPECT_FALSE(model->liveUpdates().state().watcher()) << "nothing here to follow";
    EXPECT_FALSE(model->canExport());
    model->exportScan((data.path() / "again.json").string());
    EXPECT_TRUE(model->notice()->startsWith("Only a scan made on this computer can be exported"));

    // An export of a scan made here reads back as that scan.
    tree.file("big.bin", 2'000'000);
    tree.file("docs/a.txt", 3'000);
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    int64_t size = model->current()->size;
    ASSERT_TRUE(model->canExport());

    std::string file = (data.path() / "tree.json.gz").string();
    model->exportScan(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isExporting(); }, 20000));
    EXPECT_EQ(model->notice(), QStringLiteral("Exported “tree” to “tree.json.gz”: 4 items."));

    ASSERT_TRUE(shows(*model, file));
    EXPECT_EQ(model->current()->size, size);
    EXPECT_EQ(model->importedFrom()->writer, "tavelin " TAVELIN_VERSION);
}

TEST_F(ScanFileModelTest, AFileIsComparedWithTheEarlierReadOfItsNameAndFolder) {
    auto model = makeModel();
    ASSERT_TRUE(shows(*model, write("monday/server.json", 1'700'000'000, 30'000'000)));
    EXPECT_FALSE(model->history().previousRecord());
    ASSERT_TRUE(historySaved());

    // A file that is not a scan says why, and the tree shown stays.
    std::ofstream((data.path() / "notes.txt").string()) << "shopping list";
    model->openScanFile((data.path() / "notes.txt").string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isReadingScanFile(); }, 20000));
    EXPECT_EQ(model->notice(), QStringLiteral("“notes.txt” is not an ncdu or gdu export: it is "
                                              "not valid JSON, at byte 1."));
    EXPECT_EQ(model->session()->path(), "/home/ann");

    ASSERT_TRUE(shows(*model, write("tuesday/server.json", 1'700'086'400, 90'000'000)));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model->history().previousRecord() != nullptr; }, 20000));
    EXPECT_EQ(model->history().previousRecord()->date, dateFromTimespec(1'700'000'000, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->history().changesCompared(); }, 20000));
    ASSERT_EQ(model->history().changes().size(), 1u);
    EXPECT_EQ(model->history().changes().front().path, "logs");
    EXPECT_EQ(model->history().changes().front().delta(), 60'000'000);

    // Rescan reads the file again: it has no folder here to measure.
    write("tuesday/server.json", 1'700'090'000, 120'000'000);
    model->rescan();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !model->isReadingScanFile() && model->current()->size > 300'000'000; },
        20000));
}

} // namespace
