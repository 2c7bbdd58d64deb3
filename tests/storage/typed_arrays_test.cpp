#include "storage/typed_arrays.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "base/errors.h"

namespace zavlin {
namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

TArrayOfWord words(std::initializer_list<uint16_t> values) {
    TArrayOfWord a;
    for (uint16_t v : values) a.Add(v);
    return a;
}

// Other code writes these buffers out raw, so a wrong byte order or stride
// corrupts stored blobs.
TEST(TypedArrays, ElementsArePackedLittleEndian) {
    TArrayOfWord w = words({0x1234, 0x00FF});
    EXPECT_EQ(w.Bytes(), (Bytes{0x34, 0x12, 0xFF, 0x00}));
    TMemoryStream out(Bytes{0xAA});
    out.Seek(0, SeekOrigin::End);
    w.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), (Bytes{0xAA, 0x34, 0x12, 0xFF, 0x00}));

    TArrayOfByte b;
    EXPECT_EQ(b.Add(7), 0);
    EXPECT_EQ(b.Add(255), 1);
    EXPECT_EQ(b.Bytes(), (Bytes{7, 255}));
    EXPECT_EQ(b.ElementSize(), 1);
    EXPECT_EQ(w.ElementSize(), 2);
}

TEST(TypedArrays, WritingBeyondEndPadsWithZeros) {
    TArrayOfByte b;
    b.Set(3, 9);
    EXPECT_EQ(b.Bytes(), (Bytes{0, 0, 0, 9}));
    TArrayOfWord w = words({5});
    w.Set(2, 0x0102);
    EXPECT_EQ(w.Values(), (Words{5, 0, 0x0102}));
    w.Set(0, 6);  // inside: overwrite, no growth
    EXPECT_EQ(w.Values(), (Words{6, 0, 0x0102}));
    EXPECT_THROW(w.Set(-1, 1), ERangeError);
}

TEST(TypedArrays, ReadingOutsideThrowsRangeError) {
    TArrayOfWord w = words({1, 2});
    EXPECT_EQ(w[1], 2);
    EXPECT_THROW(w.Get(2), ERangeError);
    EXPECT_THROW(w.Get(-1), ERangeError);
    EXPECT_THROW(TArrayOfByte().Get(0), ERangeError);
    EXPECT_THROW(w.Exchange(0, 2), ERangeError);
    EXPECT_EQ(w.Values(), (Words{1, 2}));
}

TEST(TypedArrays, DeleteMovesFollowingElementsDown) {
    TArrayOfWord w = words({10, 0x0B0A, 30, 40});
    w.Delete(4);
    w.Delete(-1);
    EXPECT_EQ(w.Count(), 4);
    w.Delete(0);
    EXPECT_EQ(w.Values(), (Words{0x0B0A, 30, 40}));
    w.Delete(1);
    EXPECT_EQ(w.Values(), (Words{0x0B0A, 40}));
    w.Delete(1);
    EXPECT_EQ(w.Values(), (Words{0x0B0A}));
    w.Delete(0);
    EXPECT_EQ(w.Count(), 0);
    EXPECT_EQ(w.Add(1), 0);
}

TEST(TypedArrays, AddNewValueSkipsPresentValues) {
    TArrayOfWord w = words({7});
    w.AddNewValue(words({5, 7, 5}));
    EXPECT_EQ(w.Values(), (Words{7, 5}));
    w.AddNewValue(uint16_t{7});
    w.AddNewValue(w);
    EXPECT_EQ(w.Values(), (Words{7, 5}));
    w.AddNewValue(uint16_t{0x0500});  // same low byte as 5, still a new value
    EXPECT_EQ(w.Values(), (Words{7, 5, 0x0500}));
}

TEST(TypedArrays, DelOldValueRemovesEveryOccurrence) {
    TArrayOfWord w = words({4, 4, 1, 4, 2});
    w.DelOldValue(uint16_t{4});
    EXPECT_EQ(w.Values(), (Words{1, 2}));

    w = words({4, 1, 4, 2, 3});
    w.DelOldValue(words({4, 3, 9}));
    EXPECT_EQ(w.Values(), (Words{1, 2}));
    w.DelOldValue(w);
    EXPECT_EQ(w.Count(), 0);

    TArrayOfByte b;
    for (uint8_t v : {3, 3, 1}) b.Add(v);
    b.DelOldValue(uint8_t{3});
    EXPECT_EQ(b.Values(), (std::vector<uint8_t>{1}));
}

TEST(TypedArrays, DelOldValueOnlyLastRemovesOneOccurrencePerValue) {
    TArrayOfWord w = words({4, 1, 4});
    w.DelOldValue(words({4}), true);
    EXPECT_EQ(w.Values(), (Words{4, 1}));

    w = words({4, 1, 4, 4});
    w.DelOldValue(words({4, 4, 8}), true);
    EXPECT_EQ(w.Values(), (Words{4, 1}));

    w = words({4, 1, 4});
    w.DelOldValue(words({4}), false);
    EXPECT_EQ(w.Values(), (Words{1}));
}

// Words differing only in the high byte catch a sort that compares bytes.
TEST(TypedArrays, SortsCompareWholeValues) {
    TArrayOfWord w = words({0x0100, 3, 0x00FF, 3, 0, 0xFFFF});
    w.SortMinMax();
    EXPECT_EQ(w.Values(), (Words{0, 3, 3, 0x00FF, 0x0100, 0xFFFF}));
    w.SortMaxMin();
    EXPECT_EQ(w.Values(), (Words{0xFFFF, 0x0100, 0x00FF, 3, 3, 0}));

    TArrayOfWord empty;
    empty.SortMinMax();
    EXPECT_EQ(empty.Count(), 0);
}

TEST(TypedArrays, ExchangeAndFindIndex) {
    TArrayOfWord w = words({0x0102, 7, 0x0304, 7});
    w.Exchange(0, 2);
    EXPECT_EQ(w.Values(), (Words{0x0304, 7, 0x0102, 7}));
    w.Exchange(1, 1);
    EXPECT_EQ(w.FindIndex(7), 1);
    EXPECT_EQ(w.FindIndex(0x0102), 2);
    EXPECT_EQ(w.FindIndex(0x02), -1);
    EXPECT_EQ(TArrayOfByte().FindIndex(0), -1);
}

TEST(TypedArrays, CopyFromStreamReadsCountElementsAtSourcePosition) {
    TMemoryStream src(Bytes{0xEE, 0x01, 0x02, 0x03, 0x04, 0x05});
    src.Seek(1, SeekOrigin::Begin);
    TArrayOfWord w = words({9});
    w.CopyFromStream(src, 2);
    EXPECT_EQ(w.Values(), (Words{9, 0x0201, 0x0403}));
    EXPECT_EQ(src.Position(), 5);

    // A count of 0 must not mean "the whole source".
    w.CopyFromStream(src, 0);
    EXPECT_EQ(w.Count(), 3);

    // Too short a source: an error and no half element.
    EXPECT_THROW(w.CopyFromStream(src, 1), EStreamError);
    EXPECT_EQ(w.Values(), (Words{9, 0x0201, 0x0403}));
}

TEST(TypedArrays, CopyFromStreamLandsAfterLastWrite) {
    TMemoryStream src(Bytes{0x63, 0x00});
    TArrayOfWord w = words({1, 2, 3});
    w.Get(0);  // reading does not move the buffer position
    w.CopyFromStream(src, 1);
    EXPECT_EQ(w.Values(), (Words{1, 2, 3, 99}));

    src.Seek(0, SeekOrigin::Begin);
    w.Set(0, 5);
    w.CopyFromStream(src, 1);
    EXPECT_EQ(w.Values(), (Words{5, 99, 3, 99}));

    src.Seek(0, SeekOrigin::Begin);
    w.Delete(3);
    w.CopyFromStream(src, 1);
    EXPECT_EQ(w.Values(), (Words{5, 99, 3, 99}));

    src.Seek(0, SeekOrigin::Begin);
    w.Clear();
    w.CopyFromStream(src, 1);
    EXPECT_EQ(w.Values(), (Words{99}));
}

TEST(TypedArrays, CopiesAreIndependent) {
    TArrayOfWord w = words({1, 2});
    TArrayOfWord copy = w;
    TArrayOfPointByte points;
    points.Assign(w);
    w.Set(0, 8);
    w.Add(3);
    EXPECT_EQ(copy.Values(), (Words{1, 2}));
    EXPECT_EQ(points.Values(), (Words{1, 2}));
    EXPECT_EQ(points.Add(4), 2);  // assigned arrays append at their end
    copy = w;
    EXPECT_EQ(copy.Values(), (Words{8, 2, 3}));
}

TEST(TypedArrays, PointsPackXLowAndYHigh) {
    TArrayOfPointByte p;
    EXPECT_EQ(p.AddPoint(3, 2), 0);
    EXPECT_EQ(p[0], 515);
    EXPECT_EQ(p.LowByte(0), 3);
    EXPECT_EQ(p.HighByte(0), 2);
    EXPECT_EQ(p.Bytes(), (Bytes{3, 2}));
    p.AddNewPoint(3, 2);
    p.AddNewPoint(2, 3);
    EXPECT_EQ(p.AddPoint(3, 2), 2);
    EXPECT_EQ(p.Values(), (Words{515, 770, 515}));
    EXPECT_THROW(p.HighByte(3), ERangeError);
}

}  // namespace
}  // namespace zavlin
