#pragma once

// The wide tree scripts/bench compares scans on (bench/make-tree.py), scanned once per program
// with a full scan session, for benchmarks of what reads a finished tree (the advisor). It is
// looked for in $TAVELIN_BENCH_DIR/full/wide (default /var/tmp/tavelin-bench).

#include "scan/Node.h"

#include <benchmark/benchmark.h>
#include <string>

namespace tavelin::bench {

// Where the trees are made.
std::string treesPath();

// The scanned tree, the same one for every call; nullptr when the trees have not been made.
const Node::Ptr& scannedTree();

// The tree, or nullptr after marking the benchmark as skipped with how to make it.
const Node::Ptr& scannedTreeOrSkip(benchmark::State& state);

// Reports the tree's files and nodes as the benchmark's counters.
void reportTree(benchmark::State& state, const Node& root);

} // namespace tavelin::bench
