#pragma once

#include <cstdint>
#include <memory>

#include "image/memory_image.h"

// The image that the convert command loads into: a memory image of its own
// type, with nothing added. Like every image it lives on the heap and only
// comes from Create.
class CConvertImage : public CMemoryImage {
public:
    static std::unique_ptr<CConvertImage> Create(int32_t nSize) {
        return std::unique_ptr<CConvertImage>(new CConvertImage(nSize));
    }
    ~CConvertImage() override = default;

private:
    explicit CConvertImage(int32_t nSize) : CMemoryImage(nSize) {}
};
