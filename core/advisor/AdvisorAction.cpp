#include "advisor/AdvisorAction.h"

#include "util/Overloaded.h"

namespace tavelin {

std::vector<std::string> AdvisorAction::paths() const {
    using Paths = std::vector<std::string>;
    return std::visit(Overloaded{
                          [](const Trash& trash) { return trash.paths; },
                          [](const MergeDuplicates& merge) {
                              Paths all{merge.keep};
                              all.insert(all.end(), merge.copies.begin(), merge.copies.end());
                              return all;
                          },
                          [](const MakeOnlineOnly& online) { return online.paths; },
                          [](const Archive& archive) { return archive.paths; },
                          [](const RunTool&) { return Paths{}; },
                          [](const Guide&) { return Paths{}; },
                          [](const EmptyTrash&) { return Paths{}; },
                      },
                      value);
}

std::string_view AdvisorAction::caseName() const {
    return std::visit(Overloaded{
                          [](const Trash&) { return "trash"; },
                          [](const MergeDuplicates&) { return "mergeDuplicates"; },
                          [](const MakeOnlineOnly&) { return "makeOnlineOnly"; },
                          [](const Archive&) { return "archive"; },
                          [](const RunTool&) { return "runTool"; },
                          [](const Guide&) { return "guide"; },
                          [](const EmptyTrash&) { return "emptyTrash"; },
                      },
                      value);
}

} // namespace tavelin

size_t std::hash<tavelin::AdvisorAction>::operator()(const tavelin::AdvisorAction& action) const {
    using namespace tavelin;
    using A = AdvisorAction;
    size_t seed = hashValues(action.value.index());
    std::visit(Overloaded{
                   [&](const A::Trash& trash) { hashCombine(seed, trash.paths); },
                   [&](const A::MergeDuplicates& merge) {
                       hashCombine(seed, merge.keep);
                       hashCombine(seed, merge.copies);
                   },
                   [&](const A::MakeOnlineOnly& online) {
                       hashCombine(seed, online.paths);
                       hashCombine(seed, online.provider);
                   },
                   [&](const A::Archive& archive) {
                       hashCombine(seed, archive.paths);
                       hashCombine(seed, archive.to);
                   },
                   [&](const A::RunTool& run) { hashCombine(seed, run.command); },
                   [&](const A::Guide& guide) {
                       hashCombine(seed, guide.url);
                       hashCombine(seed, guide.instructions);
                   },
                   [&](const A::EmptyTrash& empty) { hashCombine(seed, empty.trashes); },
               },
               action.value);
    return seed;
}
