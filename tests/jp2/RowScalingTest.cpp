// Reduce and enlarge scaling of tile-component rows: which resolution is kept, block means and
// palette picks on the reduced grid, linear enlargement, and the row coordinates handed on.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoder/EnlargeScaling.h"
#include "decoder/ReduceScaling.h"
#include "support/CountingAllocator.h"

namespace quillon::jp2::test {
namespace {

struct OutputRow {
  std::uint32_t row;
  std::uint32_t column;
  std::vector<std::int64_t> values;
  bool operator==(const OutputRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const OutputRow& r) {
  out << "row " << r.row << " column " << r.column << ":";
  for (const std::int64_t v : r.values) out << " " << v;
  return out;
}

class RecordingSink : public OutputRowSink {
 public:
  explicit RecordingSink(bool isSigned) : isSigned_(isSigned) {}
  Status TakeRow(const std::uint32_t* samples, std::uint32_t count, std::uint32_t row,
                 std::uint32_t column) override {
    OutputRow r{row, column, {}};
    for (std::uint32_t i = 0; i < count; ++i)
      r.values.push_back(SampleValue(samples[i], isSigned_));
    rows.push_back(r);
    return JP2_Success;
  }
  std::vector<OutputRow> rows;

 private:
  bool isSigned_;
};

// A tile-component's rows as sample patterns.
std::vector<std::vector<std::uint32_t>> Rows(const std::vector<std::vector<std::int64_t>>& values) {
  std::vector<std::vector<std::uint32_t>> rows;
  for (const auto& row : values) {
    rows.emplace_back();
    for (const std::int64_t v : row) rows.back().push_back(SamplePattern(v));
  }
  return rows;
}

TEST(ReduceScalingTest, KeptResolutionAndRemainingBlock) {
  struct Case {
    int levels;
    std::uint32_t factor;
    bool palette;
    ReducePlan expected;
  };
  const Case cases[] = {
      {5, 1, false, {5, 1}},  {5, 2, false, {4, 1}},   // the level-4 resolution, no averaging
      {5, 32, false, {0, 1}}, {5, 64, false, {0, 2}},  // 2 x 2 blocks of resolution 0
      {0, 4, false, {0, 4}},  {3, 2, true, {3, 2}},    // palette indices stay whole
  };
  for (const Case& c : cases) {
    const ReducePlan plan = PlanReduce(c.levels, c.factor, c.palette);
    EXPECT_EQ(plan.keptResolution, c.expected.keptResolution) << c.levels << " / " << c.factor;
    EXPECT_EQ(plan.block, c.expected.block) << c.levels << " / " << c.factor;
  }
}

struct ReduceCase {
  const char* name;
  Bounds kept;
  std::uint32_t block, factor;
  bool pickFirst, isSigned;
  std::uint32_t originX, originY;  // the component's origin in component samples
  std::vector<std::vector<std::int64_t>> input;
  std::vector<OutputRow> expected;
};

TEST(ReduceScalingTest, BlocksOnTheReducedGrid) {
  const ReduceCase cases[] = {
      {"pass-through keeps coordinates",
       {3, 5, 5, 7},
       1,
       2,
       false,
       false,
       2,
       2,
       {{1, 2}, {3, 4}},
       {{4, 2, {1, 2}}, {5, 2, {3, 4}}}},
      {"means of row means, last column and row alone",
       {0, 0, 5, 3},
       2,
       64,
       false,
       false,
       0,
       0,
       {{10, 13, 20, 20, 7}, {11, 14, 0, 1, 9}, {255, 0, 255, 0, 100}},
       // (11 + 12) / 2, (20 + 0) / 2, (7 + 9) / 2; then the third row alone
       {{0, 0, {11, 10, 8}}, {1, 0, {127, 127, 100}}}},
      {"signed means truncate toward zero",
       {0, 0, 2, 2},
       2,
       2,
       false,
       true,
       0,
       0,
       {{-3, 0}, {-4, 0}},
       {{0, 0, {-1}}}},  // row means -1 and -2, their mean -1
      {"blocks begun in the tile above are dropped",
       {1, 1, 5, 4},
       2,
       2,
       false,
       false,
       0,
       0,
       {{9, 1, 3, 9}, {2, 4, 6, 8}, {4, 6, 8, 10}},
       // column 1 and row 1 belong to the output samples of the tiles before;
       // (4 + 6) / 2 and (6 + 8) / 2 give 6, the last column alone 9
       {{1, 1, {6, 9}}}},
      {"palette indices: the first sample of each block",
       {0, 0, 5, 4},
       2,
       2,
       true,
       false,
       0,
       0,
       {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}, {16, 17, 18, 19, 20}},
       {{0, 0, {1, 3, 5}}, {1, 0, {11, 13, 15}}}},
      {"width 1 averages over rows only",
       {4, 0, 5, 4},
       4,
       4,
       false,
       false,
       0,
       0,
       {{1}, {2}, {3}, {5}},
       {{0, 1, {2}}}},
  };
  for (const ReduceCase& c : cases) {
    SCOPED_TRACE(c.name);
    CountingAllocator allocator;
    const MemoryCallbacks memory = allocator.Callbacks();
    ReduceScaler scaler;
    ASSERT_EQ(
        scaler
            .Init(memory, c.kept, c.block, c.pickFirst, c.isSigned, c.originX, c.originY, c.factor)
            .code(),
        JP2_Success);
    RecordingSink sink(c.isSigned);
    for (const auto& row : Rows(c.input)) ASSERT_TRUE(scaler.TakeRow(row.data(), sink).ok());
    EXPECT_EQ(sink.rows, c.expected);
    const std::uint32_t extra = 0;
    EXPECT_EQ(scaler.TakeRow(&extra, sink).code(), JP2_Error_Internal) << "a row past the last";
    EXPECT_EQ(scaler.Release().code(), JP2_Success);
    EXPECT_TRUE(allocator.live.empty());
  }
}

TEST(EnlargeScalingTest, InterpolatesAndRepeatsTheLastRowAndColumn) {
  struct Case {
    const char* name;
    Bounds area;
    std::uint32_t factor;
    bool isSigned;
    std::uint32_t originX, originY;
    std::vector<std::vector<std::int64_t>> input;
    std::vector<OutputRow> expected;
  };
  const Case cases[] = {
      {"2 x 2 by 2",
       {0, 0, 2, 2},
       2,
       false,
       0,
       0,
       {{10, 20}, {30, 40}},
       {{0, 0, {10, 15, 20, 20}},
        {1, 0, {20, 25, 30, 30}},
        {2, 0, {30, 35, 40, 40}},
        {3, 0, {30, 35, 40, 40}}}},
      {"signed steps truncate toward zero; placed by the tile",
       {3, 7, 5, 8},
       4,
       true,
       1,
       2,
       {{-1, -4}},
       {{20, 8, {-1, -1, -2, -3, -4, -4, -4, -4}},
        {21, 8, {-1, -1, -2, -3, -4, -4, -4, -4}},
        {22, 8, {-1, -1, -2, -3, -4, -4, -4, -4}},
        {23, 8, {-1, -1, -2, -3, -4, -4, -4, -4}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountingAllocator allocator;
    const MemoryCallbacks memory = allocator.Callbacks();
    EnlargeScaler scaler;
    ASSERT_EQ(scaler.Init(memory, c.area, c.factor, c.isSigned, c.originX, c.originY).code(),
              JP2_Success);
    RecordingSink sink(c.isSigned);
    for (const auto& row : Rows(c.input)) ASSERT_TRUE(scaler.TakeRow(row.data(), sink).ok());
    EXPECT_EQ(sink.rows, c.expected);
    EXPECT_EQ(scaler.Release().code(), JP2_Success);
  }
  EnlargeScaler tooLarge;
  EXPECT_EQ(tooLarge
                .Init(MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0), Bounds{0, 0, 1u << 28, 1},
                      32, false, 0, 0)
                .code(),
            JP2_Error_ValueOutOfRange);
}

}  // namespace
}  // namespace quillon::jp2::test
