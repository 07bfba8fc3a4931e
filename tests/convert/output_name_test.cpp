#include "convert/output_name.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputNameTest, ReplacesTheLastExtension) {
    EXPECT_EQ("prog.cde", MakeOutputName("prog.mot"));
    EXPECT_EQ("a.b.cde", MakeOutputName("a.b.mot"));
    EXPECT_EQ("prog.cde", MakeOutputName("prog.cde"));
    EXPECT_EQ("/home/dev/fw/prog.cde", MakeOutputName("/home/dev/fw/prog.s19"));
}

TEST(OutputNameTest, PointInADirectoryNameIsTheCutWhenTheFileHasNone) {
    EXPECT_EQ("dir.cde", MakeOutputName("dir.2/prog"));
    EXPECT_EQ(".cde", MakeOutputName("./prog"));
}

TEST(OutputNameTest, NameWithoutAPointGivesOnlyTheExtension) {
    EXPECT_EQ(".cde", MakeOutputName("prog"));
    EXPECT_EQ(".cde", MakeOutputName(""));
}

TEST(OutputNameTest, TrailingPointIsCut) {
    EXPECT_EQ("prog.cde", MakeOutputName("prog."));
}

}  // namespace
