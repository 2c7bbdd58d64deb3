// Helpers shared by the files of the year object.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "base/streams.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin::year_detail {

inline constexpr const char* kFioTable = "YmFio.b0";
inline constexpr const char* kYrokTable = "YmYrok.b0";
inline constexpr const char* kDomTable = "YmDom.b0";
inline constexpr const char* kAydTable = "YmAyd.b0";
inline constexpr const char* kFakTable = "YmFak.b0";
inline constexpr const char* kAtribytTable = "YmAtribyt.b0";
inline constexpr const char* kGrypTable = "YmGryp.b0";
inline constexpr const char* kFakGrypTable = "YmFakGryp.b0";

template <typename T>
int indexOf(const std::vector<std::unique_ptr<T>>& list, const T* item) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == item) return static_cast<int>(i);
    return -1;
}

template <typename T>
T* byNumber(const std::vector<std::unique_ptr<T>>& list, int n) {
    if (n == 0) return nullptr;  // 0 is an entry not yet stored, never a reference
    for (const auto& item : list)
        if (item->N == n) return item.get();
    return nullptr;
}

// Keeps the current entry inside the list after it shrank.
inline void clampActiv(int& indx, std::size_t count) {
    if (indx >= static_cast<int>(count)) indx = static_cast<int>(count) - 1;
    if (indx < 0) indx = 0;
}

template <typename T>
bool eraseEntry(std::vector<std::unique_ptr<T>>& list, const T* item) {
    const int i = indexOf(list, item);
    if (i < 0) return false;
    list.erase(list.begin() + i);
    return true;
}

inline void writeBlob(TTableBlob& t, const char* field, std::vector<uint8_t> bytes) {
    TMemoryStream stream(std::move(bytes));
    t.FieldByName(field)->LoadFromStream(stream);
}

inline std::vector<uint8_t> readBlob(TTableBlob& t, const char* field) {
    TMemoryStream stream;
    t.FieldByName(field)->SaveToStream(stream);
    return stream.Bytes();
}

inline int keyOf(TTableBlob& t) {
    return yearKeyField(t)->asInteger();
}

// A row the disk refuses is a failed store, not the end of the program: the
// windows and verbs above say so and keep what they hold. StoreEntry itself
// has already left the table as it was.
inline bool storeEntry(TDM1& dm, const char* table, uint32_t& n,
                       const std::function<void(TTableBlob&)>& writeFields) {
    try {
        return dm.StoreEntry(table, n, writeFields);
    } catch (const std::exception&) {
        return false;
    }
}

// StoreEntry's key is unsigned while the entries hold int.
template <typename E>
bool storeWith(TDM1& dm, const char* table, E& entry,
               const std::function<void(TTableBlob&)>& writeFields) {
    auto n = static_cast<uint32_t>(entry.N);
    const bool ok = storeEntry(dm, table, n, writeFields);
    entry.N = static_cast<int>(n);
    return ok;
}

inline bool validMoment(int tip, int ne, int d, int y) {
    return (tip == 0 || tip == 1) && ne >= 1 && ne <= kWeeks && d >= 1 && d <= kDayCount &&
           y >= 0 && y < kPeriodCount;
}

// Calls f(yr) for every lesson of the period.
template <typename F>
void forEachYr(const TYrok* yrok, F f) {
    if (yrok == nullptr) return;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) f(yrok->YrDpZm(i));
}

}  // namespace zavlin::year_detail

namespace zavlin {

// Who is busy where, for one layer and week, rebuilt when any timetable
// changed since it was built.
struct TAllRasp::OccupancySlot {
    // One held lesson (or a credit record's period) of a teacher or a union.
    struct Entry {
        uint8_t cell;  // (d - 1) * 12 + y
        bool lesson;   // false: a credit record
        int g;         // the group's position
    };
    // One teacher's or union's entries with their cells as bits, so that a
    // free cell is answered without walking the entries.
    struct Cells {
        std::vector<Entry> entries;
        std::array<uint16_t, kDayCount * kPeriodCount> lessons{};  // lesson entries per cell
        std::array<uint16_t, kDayCount + 1> lessonDays{};          // bit y of day d: lessons there
        std::array<uint16_t, kDayCount + 1> creditDays{};  // bit y of day d: a credit record
        void add(const Entry& e);
        // False when no lesson entry of group g was at the cell.
        bool removeLesson(uint8_t cell, int g);
        bool busy(uint8_t cell) const {
            const auto d = static_cast<std::size_t>(cell / kPeriodCount + 1);
            return (((lessonDays[d] | creditDays[d]) >> (cell % kPeriodCount)) & 1u) != 0;
        }
    };
    // Cells by teacher or union N; the usual small numbers straight by index.
    class Keyed {
    public:
        const Cells* find(int n) const;
        Cells& at(int n);
        void clear();

    private:
        static constexpr int kDense = 1 << 16;
        std::vector<int> FDense;  // N -> position in FCells + 1; 0: none
        std::unordered_map<int, int> FSparse;
        std::vector<Cells> FCells;
    };
    int tip = -1;
    int ne = -1;
    uint64_t generation = 0;
    Keyed fio;  // by teacher N
    Keyed ob;   // by union N
};

struct TAllRasp::OccupancyIndex {
    std::vector<OccupancySlot> slots;
    std::size_t next = 0;
};

}  // namespace zavlin
