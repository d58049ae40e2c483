#pragma once

// Compares a tree kept current by measuring again with what a new scan of the disk finds.

#include "scan/Node.h"

#include <chrono>
#include <string>

namespace tavelin::test {

// The deepest difference between two trees as "path: what differs", or empty when both hold the
// same folders and large files with the same figures, flags and dates (to `datesTo`: a scan
// file keeps whole seconds). The roots' names are not compared: a scan names its root for the
// user.
std::string treeDifference(const Node& shown, const Node& expected,
                           std::chrono::nanoseconds datesTo = std::chrono::nanoseconds(1));

// What one walker finds beneath `path` now, large files from `threshold` bytes.
Node::Ptr freshScan(const std::string& path, int64_t threshold = 1'000'000);

} // namespace tavelin::test
