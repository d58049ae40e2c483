#pragma once

// A test with a fresh temporary folder and a builder of real trees in it.

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

namespace tavelin::test {

struct TreeTest : ::testing::Test {
    TemporaryFolder folder;
    TreeBuilder tree{folder.path()};
};

} // namespace tavelin::test
