#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/memory_image.h"

// [first, last] stretches, in address order.
using Runs = std::vector<std::pair<uint32_t, uint32_t>>;

// What every table of an image must keep, whatever was done to it: sorted
// arrays, no overlaps outside the stores, the list holding exactly the
// array's blocks newest step first, blocks inside the range, range tables that
// cover exactly what their stores hold, and exact memory accounting. Returns
// what is broken, or the empty text when nothing is.
std::string FindTableInvariantBreach(CMemoryImage& image);

// Walks NextArea, NextMarkedArea, NextUndoArea or NextRedoArea from the start.
enum class EWalk { kData, kMarks, kUndo, kRedo };
Runs WalkAreas(CMemoryImage& image, EWalk walk);
