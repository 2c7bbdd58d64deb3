#include "storage/typed_arrays.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "base/errors.h"
#include "base/little_endian.h"
#include "base/neighbour_sort.h"

namespace zavlin {

void TArrayStream::checkIndex(int i) const {
    if (i < 0 || i >= Count()) {
        throw ERangeError("Array index " + std::to_string(i) + " out of range (count " +
                          std::to_string(Count()) + ")");
    }
}

void TArrayStream::Delete(int indx) {
    const int count = Count();
    if (indx < 0 || indx >= count) return;
    const size_t at = static_cast<size_t>(indx) * FLength;
    const size_t end = static_cast<size_t>(count) * FLength;
    if (at + FLength < end) {
        uint8_t* p = FS.Memory();
        std::memmove(p + at, p + at + FLength, end - at - FLength);
    }
    FS.SetSize(static_cast<int64_t>(end - FLength));
    moveToEnd();
}

void TArrayStream::Exchange(int i1, int i2) {
    checkIndex(i1);
    checkIndex(i2);
    if (i1 != i2) {
        uint8_t* p = FS.Memory();
        std::swap_ranges(p + static_cast<size_t>(i1) * FLength,
                         p + static_cast<size_t>(i1 + 1) * FLength,
                         p + static_cast<size_t>(i2) * FLength);
    }
    moveToEnd();
}

void TArrayStream::CopyFromStream(TStream& vSt, int vCountValue) {
    if (vCountValue <= 0) return;
    const int64_t bytes = static_cast<int64_t>(vCountValue) * FLength;
    // A count read from a damaged file must not make us allocate what is not there.
    if (vSt.Size() - vSt.Position() < bytes) {
        throw EStreamError("Stream holds fewer than " + std::to_string(vCountValue) +
                           " array elements");
    }
    // Read aside first so that a failing source leaves the array untouched.
    std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
    vSt.ReadBuffer(buffer.data(), bytes);
    FS.WriteBuffer(buffer.data(), bytes);
}

void TArrayStream::SaveToStream(TStream& vSt) const {
    const auto& bytes = FS.Bytes();
    if (!bytes.empty()) vSt.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TArrayStream::Assign(const TArrayStream& value) {
    if (this == &value) return;
    FS = value.FS;
    FLength = value.FLength;
    moveToEnd();
}

namespace {

template <typename T>
T decode(const uint8_t* p) {
    if constexpr (sizeof(T) == 1) {
        return getU8(p);
    } else {
        return getU16(p);
    }
}

template <typename T>
void encode(uint8_t* p, T v) {
    if constexpr (sizeof(T) == 1) {
        putU8(p, v);
    } else {
        putU16(p, v);
    }
}

}  // namespace

template <typename T>
T TTypedArray<T>::Get(int i) const {
    checkIndex(i);
    return decode<T>(FS.Bytes().data() + static_cast<size_t>(i) * sizeof(T));
}

template <typename T>
void TTypedArray<T>::Set(int i, T value) {
    if (i < 0) throw ERangeError("Array index " + std::to_string(i) + " out of range");
    const int64_t at = static_cast<int64_t>(i) * static_cast<int64_t>(sizeof(T));
    if (FS.Size() < at) FS.SetSize(at);  // SetSize extends with zeros
    uint8_t bytes[sizeof(T)];
    encode<T>(bytes, value);
    FS.Seek(at, SeekOrigin::Begin);
    FS.WriteBuffer(bytes, sizeof(T));
}

template <typename T>
std::vector<T> TTypedArray<T>::Values() const {
    const uint8_t* p = FS.Bytes().data();
    std::vector<T> values(static_cast<size_t>(Count()));
    for (size_t i = 0; i < values.size(); ++i) values[i] = decode<T>(p + i * sizeof(T));
    return values;
}

template <typename T>
void TTypedArray<T>::setValues(const std::vector<T>& values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    for (size_t i = 0; i < values.size(); ++i) encode<T>(bytes.data() + i * sizeof(T), values[i]);
    FS = TMemoryStream(std::move(bytes));
    moveToEnd();
}

template <typename T>
int TTypedArray<T>::Add(T wd) {
    const int i = Count();
    Set(i, wd);
    return i;
}

template <typename T>
void TTypedArray<T>::AddNewValue(T wd) {
    if (FindIndex(wd) < 0) Add(wd);
}

template <typename T>
void TTypedArray<T>::AddNewValue(const TTypedArray& value) {
    // A snapshot keeps a.AddNewValue(a) well defined.
    for (T v : value.Values()) AddNewValue(v);
}

template <typename T>
void TTypedArray<T>::DelOldValue(T wd) {
    std::vector<T> values = Values();
    if (std::erase(values, wd) > 0) setValues(values);
}

template <typename T>
void TTypedArray<T>::DelOldValue(const TTypedArray& value) {
    std::vector<T> values = Values();
    size_t removed = 0;
    for (T v : value.Values()) removed += std::erase(values, v);
    if (removed > 0) setValues(values);
}

template <typename T>
void TTypedArray<T>::SortMinMax() {
    std::vector<T> values = Values();
    neighbourSort(values.begin(), values.end());
    setValues(values);
}

template <typename T>
void TTypedArray<T>::SortMaxMin() {
    std::vector<T> values = Values();
    neighbourSort(values.begin(), values.end(), std::greater<T>());
    setValues(values);
}

template <typename T>
int TTypedArray<T>::FindIndex(T value) const {
    const uint8_t* p = FS.Bytes().data();
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        if (decode<T>(p + static_cast<size_t>(i) * sizeof(T)) == value) return i;
    }
    return -1;
}

template class TTypedArray<uint8_t>;
template class TTypedArray<uint16_t>;

void TArrayOfWord::DelOldValue(const TArrayOfWord& value, bool vOnlyLast) {
    if (!vOnlyLast) {
        DelOldValue(value);
        return;
    }
    std::vector<uint16_t> values = Values();
    bool removed = false;
    for (uint16_t v : value.Values()) {
        const auto last = std::find(values.rbegin(), values.rend(), v);
        if (last == values.rend()) continue;
        values.erase(std::next(last).base());
        removed = true;
    }
    if (removed) setValues(values);
}

}  // namespace zavlin
