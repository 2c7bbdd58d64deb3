// Small growable arrays of unsigned numbers, kept packed in a memory buffer. The data
// model and the composition engine pass sets of numbers around in them (the teachers
// of a room, the groups meeting at one moment, free periods, lesson indexes).
//
// Buffer layout (other code writes these buffers out as raw bytes, so keep it):
//   element i       bytes [i * FLength, (i + 1) * FLength), unsigned, little-endian
//   TArrayOfByte    FLength 1, values 0..255
//   TArrayOfWord    FLength 2, values 0..65535
//   TArrayOfPointByte  a word x + 256 * y: byte 0 is x, byte 1 is y
//
// The buffer position is where CopyFromStream lands: just after the element last
// written by Set, Add or CopyFromStream, and at the end after any other change.
// Reads never move it.
//
// Arrays are values: copying one copies its elements, nothing is shared. The base
// cannot be copied or assigned on its own, so an array never loses its element type
// by slicing.
#pragma once

#include <cstdint>
#include <vector>

#include "base/streams.h"

namespace zavlin {

class TArrayStream {
public:
    int Count() const { return static_cast<int>(FS.Bytes().size() / FLength); }
    void Clear() { FS.Clear(); }
    // An index outside the array changes nothing.
    void Delete(int indx);
    // Throws ERangeError unless both indexes lie inside the array.
    void Exchange(int i1, int i2);

    // Copies vCountValue elements from vSt's position to the buffer position,
    // overwriting or extending. Throws EStreamError, leaving the array unchanged,
    // when vSt holds fewer bytes; a count of 0 or below copies nothing.
    void CopyFromStream(TStream& vSt, int vCountValue);
    // Writes the whole buffer at vSt's position.
    void SaveToStream(TStream& vSt) const;

    uint8_t ElementSize() const { return FLength; }
    const std::vector<uint8_t>& Bytes() const { return FS.Bytes(); }

protected:
    explicit TArrayStream(uint8_t length) : FLength(length) {}
    TArrayStream(const TArrayStream&) = default;
    TArrayStream& operator=(const TArrayStream&) = default;
    ~TArrayStream() = default;

    // Copies the elements and the element size. Protected so that only arrays of
    // the same element type assign to each other.
    void Assign(const TArrayStream& value);

    void checkIndex(int i) const;  // throws ERangeError
    void moveToEnd() { FS.Seek(0, SeekOrigin::End); }

    TMemoryStream FS;
    uint8_t FLength;
};

// The operations shared by the byte and the word array; T is the element type.
template <typename T>
class TTypedArray : public TArrayStream {
public:
    T Get(int i) const;  // throws ERangeError when i is outside the array
    // Beyond the end pads with zero elements up to i. Throws ERangeError when i < 0.
    void Set(int i, T value);
    T operator[](int i) const { return Get(i); }
    std::vector<T> Values() const;

    // Returns the index of the new last element.
    int Add(T wd);
    // Adds only values not present yet, the other array's values in its order.
    void AddNewValue(T wd);
    void AddNewValue(const TTypedArray& value);
    // Removes every occurrence.
    void DelOldValue(T wd);
    void DelOldValue(const TTypedArray& value);

    // Stable neighbour-exchange sorts.
    void SortMinMax();
    void SortMaxMin();

    // The first occurrence, -1 when absent.
    int FindIndex(T value) const;
    void Assign(const TTypedArray& value) { TArrayStream::Assign(value); }

protected:
    TTypedArray() : TArrayStream(sizeof(T)) {}
    void setValues(const std::vector<T>& values);
};

extern template class TTypedArray<uint8_t>;
extern template class TTypedArray<uint16_t>;

class TArrayOfByte : public TTypedArray<uint8_t> {
public:
    TArrayOfByte() = default;
};

class TArrayOfWord : public TTypedArray<uint16_t> {
public:
    TArrayOfWord() = default;

    using TTypedArray<uint16_t>::DelOldValue;
    // With vOnlyLast, removes for each value of the other array only its last
    // occurrence here (once per occurrence there).
    void DelOldValue(const TArrayOfWord& value, bool vOnlyLast);

    // The two bytes of element i; throw ERangeError when i is outside the array.
    uint8_t LowByte(int i) const { return static_cast<uint8_t>(Get(i) & 0xFF); }
    uint8_t HighByte(int i) const { return static_cast<uint8_t>(Get(i) >> 8); }
};

// Points (x, y) of two bytes; LowByte is x and HighByte is y.
class TArrayOfPointByte : public TArrayOfWord {
public:
    TArrayOfPointByte() = default;

    static uint16_t PackPoint(uint8_t x, uint8_t y) { return static_cast<uint16_t>(x | (y << 8)); }
    // Always adds; returns the index of the new element.
    int AddPoint(uint8_t x, uint8_t y) { return Add(PackPoint(x, y)); }
    void AddNewPoint(uint8_t x, uint8_t y) { AddNewValue(PackPoint(x, y)); }
};

}  // namespace zavlin
