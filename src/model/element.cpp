#include "model/element.h"

#include "model/building.h"
#include "model/faculty.h"
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

TSpisok::TSpisok() = default;

TSpisok::~TSpisok() {
    // Rooms first: they release their buildings and unbind their teachers,
    // which must still be alive for that.
    LAyd.clear();
    LFak.clear();
    LFio.clear();
    LYrName.clear();
    LDom.clear();
}

}  // namespace zavlin
