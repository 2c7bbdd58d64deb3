// The timetable objects as XML elements: a group's week with its lessons and
// substitutions, unions, a group's subjects, examination weeks, calendar
// weeks and the web form of a week; and the readers of a group's load and
// lessons as the curriculum server sends them.
//
// References to reference entries are 1-based positions in the name lists
// (TXmlNameLists) that the caller writes out separately; every writer appends
// the names it meets, so the lists grow as the tree is written.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "export/xml_document.h"

namespace zavlin {
class TAllRasp;
class TAyd;
class TAllNed;
class TDNed;
class TDom;
class TENed;
class TFio;
class TFioPredmet;
class TGryp;
class TNed;
class TOb;
class TPredmet;
class TYr;
class TYrName;
}  // namespace zavlin

namespace zavlin::exporting {

// One list of names with the object each stands for; a text is found by
// itself (rooms by their object: two buildings may number rooms alike).
template <typename T>
struct TNameList {
    std::vector<std::string> names;
    std::vector<const T*> objects;
    std::unordered_map<std::string, int> index;

    int Count() const { return static_cast<int>(names.size()); }
    // Position + 1, 0 when the text is not listed.
    int Find(const std::string& text) const {
        auto it = index.find(text);
        return it == index.end() ? 0 : it->second + 1;
    }
    // Position + 1, appending the text when it is missing.
    int Add(const std::string& text, const T* object) {
        if (const int found = Find(text); found > 0) return found;
        index.emplace(text, Count());
        names.push_back(text);
        objects.push_back(object);
        return Count();
    }
};

struct TXmlNameLists {
    TNameList<TYrName> vLp;  // subject texts
    TNameList<TFio> vLf;     // teachers' short names
    TNameList<TAyd> vLa;     // room numbers
    TNameList<TDom> vLd;     // building names
    TNameList<void> vLt;     // attribute names
    TNameList<TGryp> vLg;    // group names

    int Predmet(const TYrName* name);  // 0 without a name
    int Fio(const TFio* fio);          // 0 without a teacher
    int Dom(const TDom* dom);          // 0 without a building
    // The room's position in vLa + 1 (its building joins vLd).
    int Ayd(const TAyd* ayd);
    // Among the rooms of the room's building listed up to and including it.
    int AydInDom(const TAyd* ayd) const;
    int Atr(const std::string& name) { return name.empty() ? 0 : vLt.Add(name, nullptr); }
    int Gryp(const TGryp* gr);
};

// The text a subject is listed under: its subject name's short name.
std::string PredmetText(const TPredmet* pr);

// On the group element vG: "FN", "Name" and "LWeek"/"Week" with the week
// (written with NedFieldToXML when the group has it).
void GrypNedToXML(const TGryp& gr, int vNe, TXMLObject& vG, TXmlNameLists& lists);
// The group's week: days, periods and their lessons.
void NedFieldToXML(const TNed& ned, TXMLObject& vP, TXmlNameLists& lists);
// One lesson's attributes (and its room and the lessons a substitution replaces).
void YrToXML(const TYr& yr, TXMLObject& vP, TXmlNameLists& lists);
// The "Ob" elements of a union.
void ObFieldToXML(const TOb& ob, TXMLObject& vP, TXmlNameLists& lists);
// "LPrGryp" of the group's subjects listed in vLp with plan load in an
// active week.
void PredmetToXML(const TGryp& gr, TXMLObject& vP, TXmlNameLists& lists);
// An examination week.
void ENedFieldToXML(const TENed& en, TXMLObject& vP, TXmlNameLists& lists);
// A calendar week: "N", "Dt" (weeks 1-52) and "Date".
void DNedFieldToXML(const TDNed& dn, TXMLObject& vP);
// An int as the 32-bit value the element writers store.
inline int32_t asInt(int v) {
    return static_cast<int32_t>(v);
}

// The numbers of the calendar's active weeks, in order; none without one.
std::vector<int> ActiveWeeks(const TAllNed* calendar);

// The week in the form meant for publishing.
void NedFieldToXMLForEMail(const TNed& ned, TXMLObject& vP, bool vCanDp, bool vCanZamena);

// The readers of what the curriculum server sends. vLPr, vLFi, vLDom and
// vLAyd are the document's lists of subjects ("tip" "TPredmet" or
// "TMDKName"), teachers ("Fio"), buildings and rooms, found by "FN".
using TUnionMembers =
    std::map<std::tuple<int, std::string, std::string, int>, std::vector<TFioPredmet*>>;

struct TServerLists {
    const TXMLObject* vLPr = nullptr;
    const TXMLObject* vLFi = nullptr;
    const TXMLObject* vLDom = nullptr;
    const TXMLObject* vLAyd = nullptr;
    // The assignments marked for a union, by week, subject, teacher and the
    // sender's union number: the year keeps no union of one member, so the
    // members of one document are gathered here and joined as soon as there
    // are two. Keep it for the whole document.
    TUnionMembers* unions = nullptr;
    // When given, one line for every item left unread because a number in it
    // does not fit the key it names or the lesson could not be made.
    std::vector<std::string>* skipped = nullptr;
};

// The teacher a "Fio" element names, found by full then short name, else
// created and stored with GN = "FN". Null when it cannot be stored.
TFio* ReadRaspFioFromXML(TAllRasp& year, const TXMLObject& vO);
// One group's weeks; the text returned says what could not be read ("" for
// nothing).
std::string ReadRaspGrypFromXML(TAllRasp& year, const TXMLObject& vO, const TServerLists& lists);
void ReadKorzinaFromXML(TGryp& gr, const TXMLObject& vP, const TServerLists& lists, int vNNed);
void ReadFioFromXML(TPredmet& pr, const TXMLObject& vP, const TServerLists& lists, int vNNed);

}  // namespace zavlin::exporting
