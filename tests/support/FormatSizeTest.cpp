#include "include/FormatSize.h"

#include <gtest/gtest.h>

namespace {

struct SizeCase {
    const char* name;
    uint64_t bytes;
    const char* text;
};

class FormatSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(FormatSizeTest, FormatsBytes) {
    EXPECT_EQ(FormatSize(GetParam().bytes).toStdString(), GetParam().text);
}

// The unit changes only above a whole unit, so the boundaries themselves
// stay in the smaller unit.
INSTANTIATE_TEST_SUITE_P(Table, FormatSizeTest,
                         testing::Values(SizeCase{"Zero", 0, "-"}, SizeCase{"OneByte", 1, "0.00 KB"},
                                         SizeCase{"OneAndAHalfKiB", 1536, "1.50 KB"},
                                         SizeCase{"ExactlyOneMiB", 1048576, "1024.00 KB"},
                                         SizeCase{"JustOverOneMiB", 1048577, "1.00 MB"},
                                         SizeCase{"ExactlyOneGiB", 1073741824, "1024.00 MB"},
                                         SizeCase{"JustOverOneGiB", 1073741825, "1.00 GB"},
                                         SizeCase{"NoThousandsSeparator", 5000ull * 1073741824ull, "5000.00 GB"},
                                         SizeCase{"RoundsToTwoDecimals", 1024 + 1023, "2.00 KB"},
                                         SizeCase{"LargestCount", UINT64_MAX, "17179869184.00 GB"}),
                         [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

} // namespace
