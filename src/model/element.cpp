#include "model/element.h"

#include "base/core_hooks.h"
#include "model/building.h"
#include "model/faculty.h"
#include "model/group.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"

namespace zavlin {

TDan::TDan(TDan* sender) {
    if (sender != nullptr) {
        Spisok = sender->Spisok;
        FModifiRaspEvent = sender->FModifiRaspEvent;
    }
}

TDan::TDan(TSpisok* sender) : Spisok(sender) {}

TSpisok::TSpisok() : LOb(kWeeks + 1) {}

bool TSpisok::AskUser(const std::string& text) {
    return Hooks != nullptr && Hooks->Ask(text);
}

void TSpisok::ShowUser(const std::string& text) {
    if (Hooks != nullptr) Hooks->Message(text);
}

bool TSpisok::TestAddFio(int, int, int, int, int, int) {
    return true;
}

TSpisok::~TSpisok() {
    // Groups before everything they point into; unions only point at
    // assignments and go last of all.
    for (auto& week : LOb) week.clear();
    LGryp.clear();
    // Rooms first: they release their buildings and unbind their teachers,
    // which must still be alive for that.
    LAyd.clear();
    LFak.clear();
    LFio.clear();
    LYrName.clear();
    LDom.clear();
}

}  // namespace zavlin
