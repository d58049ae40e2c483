#pragma once

// A real folder scanned to the end by a scan session, as the application's tree would show it.

#include "scan/Node.h"

#include <cstdint>
#include <string>

namespace tavelin::test {

// The finished tree of `path`, with every file of at least `threshold` allocated bytes as a node
// of its own; nullptr when the scan does not finish within a minute.
Node::Ptr scannedTree(const std::string& path, int64_t threshold = 1);

} // namespace tavelin::test
