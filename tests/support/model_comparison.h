#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "image/memory_image.h"
#include "image_model.h"

// Everything that can be asked of the image about the model's window: the
// range, the table invariants, every byte and every topmost undo byte, byte
// counts, a pattern search, the area walks of all four tables, the highest
// address and the history and lost-data flags. `pick`(n) chooses a number
// below n for the parts that probe at random (a count over part of the window,
// the pattern). Returns the first disagreement, or the empty text.
std::string FindModelDisagreement(CMemoryImage& image, const CImageModel& model,
                                  const std::function<uint32_t(uint32_t)>& pick);
