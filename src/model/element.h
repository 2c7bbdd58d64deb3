// The base classes of the timetable model: numbered reference entries, objects
// that report their changes to an owner, and the container of one year's lists.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/attribute.h"

namespace zavlin {

class TDan;
class TSpisok;
class TFio;
class TYrName;
class TDom;
class TAyd;
class TFak;

// A reference entry: N is its key in its table, 0 until first stored.
class TElement {
public:
    virtual ~TElement() = default;
    int N = 0;
};

// Called with the object that changed; the group at the top marks its
// timetable for saving.
using TModifiRaspEvent = std::function<void(TDan* sender)>;

class TDan {
public:
    // A child takes its parent's container and change notification.
    explicit TDan(TDan* sender);
    explicit TDan(TSpisok* sender);
    virtual ~TDan() = default;
    TDan(const TDan&) = delete;
    TDan& operator=(const TDan&) = delete;

    virtual std::string Name() const = 0;

    const TModifiRaspEvent& OnModifiEvent() const { return FModifiRaspEvent; }
    void SetOnModifiEvent(TModifiRaspEvent event) { FModifiRaspEvent = std::move(event); }

    TSpisok* Spisok = nullptr;

protected:
    TModifiRaspEvent FModifiRaspEvent;
};

class TSpisok {
public:
    TSpisok();
    virtual ~TSpisok();
    TSpisok(const TSpisok&) = delete;
    TSpisok& operator=(const TSpisok&) = delete;

    // The groups (LGryp) will be declared here, ahead of the faculties.
    std::vector<std::unique_ptr<TFak>> LFak;
    std::vector<std::unique_ptr<TFio>> LFio;
    std::vector<std::unique_ptr<TYrName>> LYrName;
    std::vector<std::unique_ptr<TDom>> LDom;
    std::vector<std::unique_ptr<TAyd>> LAyd;
    // The unions of groups per week (LOb, weeks 1-56) will follow the rooms.
    bool modifi = false;
    uint16_t YGod = 0;  // first calendar year of the academic year
    // The calendar (AllNed) will sit here, before the attributes.
    TAtribyt Atribyt;
};

}  // namespace zavlin
