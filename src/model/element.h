// The base classes of the timetable model: numbered reference entries, objects
// that report their changes to an owner, and the container of one year's lists.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "model/attribute.h"
#include "model/calendar.h"
#include "model/element_base.h"
#include "model/lesson_time.h"

namespace zavlin {

class TDan;
class TSpisok;
class TFio;
class TYrName;
class TDom;
class TAyd;
class TFak;
class TGryp;
class TYr;
class TOb;
class TCoreHooks;

// Called with the object that changed; the group at the top marks its
// timetable for saving. Like a method pointer it is an object and a function,
// copied into every lesson and period: two words, no allocation. It does not
// own the object it calls.
class TModifiRaspEvent {
public:
    TModifiRaspEvent() = default;
    // A callable that outlives every object notified through it.
    template <typename F>
    requires std::invocable<F&, TDan*> &&
        (!std::same_as<std::remove_cvref_t<F>, TModifiRaspEvent>)explicit TModifiRaspEvent(
            F& callable)
        : obj_(&callable), call_([](void* o, TDan* sender) { (*static_cast<F*>(o))(sender); }) {}
    template <typename C, void (C::*Method)(TDan*)>
    static TModifiRaspEvent Bind(C* obj) {
        TModifiRaspEvent e;
        e.obj_ = obj;
        e.call_ = [](void* o, TDan* sender) { (static_cast<C*>(o)->*Method)(sender); };
        return e;
    }

    void operator()(TDan* sender) const {
        if (call_ != nullptr) call_(obj_, sender);
    }
    explicit operator bool() const { return call_ != nullptr; }

private:
    void* obj_ = nullptr;
    void (*call_)(void*, TDan*) = nullptr;
};

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

    // Asks the user (yes = true) and informs, through Hooks. A bare list
    // without hooks has nobody to ask: the answer is no and nothing is shown.
    bool AskUser(const std::string& text);
    void ShowUser(const std::string& text);

    // Whether teacher nFio (union nob aside) is free at that moment in every
    // group. The year answers it; a bare container knows no clashes.
    virtual bool TestAddFio(int tip, int nob, int nFio, int ne, int d, int y);
    // A held lesson of teacher nFio and union nob (0: none) was added to or
    // removed from a period; before is the generation the change started
    // from. Caches may follow it in place.
    virtual void NoteYr(const TGryp* gr, int nFio, int nob, int tip, int ne, int d, int y,
                        bool added, uint64_t before) {
        (void)gr, (void)nFio, (void)nob, (void)tip, (void)ne, (void)d, (void)y, (void)added,
            (void)before;
    }

    // A timetable change since before that put, took or moved no lesson:
    // caches built at before stay good.
    virtual void NoteNoLessonMoved(uint64_t before) { (void)before; }

    std::vector<std::unique_ptr<TGryp>> LGryp;
    std::vector<std::unique_ptr<TFak>> LFak;
    std::vector<std::unique_ptr<TFio>> LFio;
    std::vector<std::unique_ptr<TYrName>> LYrName;
    std::vector<std::unique_ptr<TDom>> LDom;
    std::vector<std::unique_ptr<TAyd>> LAyd;
    // The unions of each week, index 1-56.
    std::vector<std::vector<std::unique_ptr<TOb>>> LOb;
    bool modifi = false;
    uint16_t YGod = 0;  // first calendar year of the academic year
    TAllNed AllNed;     // the study calendar of YGod
    TAtribyt Atribyt;
    std::array<TTaimYrok, kLessonPeriods> TaimYrok = defaultLessonTimes();

    TCoreHooks* Hooks = nullptr;  // not owned; the year's owner's
    // Grows with every change to any group's timetable; caches compare it.
    uint64_t RaspGeneration = 0;
};

}  // namespace zavlin
