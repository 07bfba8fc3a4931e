#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "image/memory_image.h"

// [first, last] stretches, in address order.
using Runs = std::vector<std::pair<uint32_t, uint32_t>>;

// What every table of an image must keep, whatever was done to it: sorted
// arrays, no overlaps outside the stores, the list holding exactly the
// array's blocks newest step first, blocks inside the range, range tables that
// cover exactly what their stores hold, and exact memory accounting.
::testing::AssertionResult TableInvariantsHold(CMemoryImage& image);

// Walks NextArea, NextMarkedArea, NextUndoArea or NextRedoArea from the start.
enum class EWalk { kData, kMarks, kUndo, kRedo };
Runs WalkAreas(CMemoryImage& image, EWalk walk);
