// The list reply turned into rows.
#include <gtest/gtest.h>

#include "transfer/transfer.h"

namespace kvd {
namespace {

struct Row {
    std::string name;
    int32_t size;
    bool invalid;
};

void ExpectRows(const std::string& reply, int rowCount, const std::vector<Row>& expected) {
    const std::vector<RowEntry> rows = ApplyListReply(reply, rowCount);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(rowCount)) << reply;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row want = i < expected.size() ? expected[i] : Row{"", -1, true};
        EXPECT_EQ(rows[i].name, want.name) << reply << " row " << i;
        EXPECT_EQ(rows[i].size, want.size) << reply << " row " << i;
        EXPECT_EQ(rows[i].invalid, want.invalid) << reply << " row " << i;
    }
}

TEST(ApplyListReply, FillsOneRowPerSlot) {
    ExpectRows("GetLogList 0 \"0601.LOG\",1616 0 \"my trip, day 2.LOG\",32 0 0 0 0 0 0 0 \n", 10,
               {{"0601.LOG", 1616, false}, {"", -1, true}, {" day 2.LOG", 32, false}});
}

TEST(ApplyListReply, EdgeCasesOfTheEntries) {
    // Names with spaces in quotes; "0," starts a file named 0, not an empty slot.
    ExpectRows("GetLogList 0 \"a b.LOG\",5 0,7 \n", 10, {{"a b.LOG", 5, false}, {"0", 7, false}});
    // A last entry without a trailing space: the name shows, the size does not.
    ExpectRows("GetLogList 0 0 \"x.LOG\",99\n", 10, {{"", -1, true}, {"x.LOG", -1, false}});
    // Fewer entries than rows: the rest stay invalid.
    ExpectRows("GetLogList 0 \"x.LOG\",1 \n", 10, {{"x.LOG", 1, false}});
    // No entries at all, or not even a status word.
    ExpectRows("GetLogList 0 \n", 10, {});
    ExpectRows("GetLogList\n", 10, {});
    ExpectRows("", 10, {});
}

TEST(ApplyListReply, IgnoresEntriesBeyondTheRowCount) {
    std::string reply = "GetRecordList 0 ";
    for (int k = 0; k < 25; ++k)
        reply += "\"R" + std::to_string(k) + "\"," + std::to_string(k) + " ";
    reply += "\n";
    const std::vector<RowEntry> rows = ApplyListReply(reply, 20);
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[19].name, "R19");
    EXPECT_EQ(rows[19].size, 19);
    ExpectRows(reply, 2, {{"R0", 0, false}, {"R1", 1, false}});
}

}  // namespace
}  // namespace kvd
