// A full repaint of the map must keep up with the scan's four refreshes a second and with the
// pointer: it is measured here for a 1480 × 900 map of a few hundred tiles, both drawing every
// tile (after a layout change) and the hover repaint that reuses the cached tile layer.

#include "map/TileLabels.h"
#include "map/TreemapRenderer.h"
#include "map/TreemapView.h"
#include "model/AppModel.h"
#include "model/QtMainQueue.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

namespace {

using tavelin::AppModel;
using tavelin::Node;

constexpr int kWidth = 1480;
constexpr int kHeight = 900;

void addChild(Node& parent, Node::Ptr child) {
    parent.size += child->size;
    parent.unique += child->unique;
    parent.fileCount += child->fileCount;
    parent.append(std::move(child));
}

// Folders of subfolders of files, sizes spread like a real home folder.
Node::Ptr homeLikeTree(const benchmark::State& state) {
    const auto folders = static_cast<int>(state.range(0));
    const auto subfolders = static_cast<int>(state.range(1));
    const auto files = static_cast<int>(state.range(2));
    auto root = Node::makeRoot("home", "/bench/home");
    int64_t next = 1;
    for (int f = 0; f < folders; ++f) {
        auto folder = Node::make("folder " + std::to_string(f), Node::Kind::directory);
        for (int s = 0; s < subfolders; ++s) {
            auto sub = Node::make("sub " + std::to_string(s), Node::Kind::directory);
            for (int i = 0; i < files; ++i) {
                auto file = Node::make("file " + std::to_string(i) + ".dat", Node::Kind::file);
                file->size = file->unique = 100'000 + (next++ * 7'919 % 50'000) * 10'000 / (f + 1);
                file->fileCount = 1;
                addChild(*sub, file);
            }
            sub->sortChildren();
            addChild(*folder, sub);
        }
        folder->sortChildren();
        addChild(*root, folder);
    }
    root->sortChildren();
    return root;
}

std::unique_ptr<AppModel> makeModel() {
    tavelin::AppEnvironment environment;
    environment.queue = std::make_shared<tavelin::QtMainQueue>();
    environment.pool = std::make_shared<tavelin::WorkerPool>(1);
    environment.accessProbe = [] { return true; };
    environment.readVolumes = [] { return std::vector<tavelin::platform::Volume>{}; };
    environment.openFile = [](const std::string&) {};
    environment.reveal = [](const std::vector<std::string>&) {};
    environment.historyDirectory =
        (std::filesystem::temp_directory_path() / "tavelin-bench").string();
    return std::make_unique<AppModel>(environment);
}

// A map view showing the generated tree, and an image to render it into.
struct MapScene {
    explicit MapScene(benchmark::State& state)
        : root(homeLikeTree(state))
        , model(makeModel())
        , view(*model) {
        model->open(root);
        view.resize(kWidth, kHeight);
    }

    tavelin::Node::Ptr root;
    std::unique_ptr<AppModel> model;
    tavelin::TreemapView view;
    QImage image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};
};

void drawAllTiles(benchmark::State& state) {
    auto root = homeLikeTree(state);
    auto model = makeModel();
    model->open(root);
    const auto& tiles = model->tiles(kWidth, kHeight);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    tavelin::TileLabels labels;
    for (auto _ : state) {
        image.fill(Qt::white);
        tavelin::TreemapRenderer::draw(image, tiles, labels);
    }
    state.counters["tiles"] = static_cast<double>(tiles.size());
}
BENCHMARK(drawAllTiles)
    ->Args({12, 8, 4})
    ->Args({40, 12, 8})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The view after a tree change: a new layout, the tile layer drawn again, highlights on top.
void viewAfterTreeChange(benchmark::State& state) {
    MapScene scene(state);
    for (auto _ : state) {
        scene.model->treeChanged();
        scene.view.render(&scene.image);
    }
    state.counters["tiles"] = static_cast<double>(scene.model->tiles(kWidth, kHeight).size());
}
BENCHMARK(viewAfterTreeChange)
    ->Args({12, 8, 4})
    ->Args({40, 12, 8})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Hovering: the same layout, a new hovered tile; only the cached layer and highlights draw.
void viewOnHover(benchmark::State& state) {
    MapScene scene(state);
    int count = static_cast<int>(scene.model->tiles(kWidth, kHeight).size());
    int index = 0;
    for (auto _ : state) {
        scene.model->setHoverIndex(index++ % count);
        scene.view.render(&scene.image);
    }
}
BENCHMARK(viewOnHover)->Args({12, 8, 4})->Args({40, 12, 8})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
