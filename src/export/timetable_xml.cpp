#include "export/timetable_xml.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "base/text.h"
#include "model/exam.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin::exporting {

int TXmlNameLists::Predmet(const TYrName* name) {
    return name == nullptr ? 0 : vLp.Add(name->Name(), name);
}

int TXmlNameLists::Fio(const TFio* fio) {
    return fio == nullptr ? 0 : vLf.Add(fio->Name(), fio);
}

int TXmlNameLists::Dom(const TDom* dom) {
    return dom == nullptr ? 0 : vLd.Add(dom->Name(), dom);
}

int TXmlNameLists::Ayd(const TAyd* ayd) {
    if (ayd == nullptr) return 0;
    Dom(ayd->Dom());
    for (int i = 0; i < vLa.Count(); ++i)
        if (vLa.objects[static_cast<std::size_t>(i)] == ayd) return i + 1;
    vLa.names.push_back(ayd->Name());
    vLa.objects.push_back(ayd);
    return vLa.Count();
}

int TXmlNameLists::AydInDom(const TAyd* ayd) const {
    int n = 0;
    for (const TAyd* a : vLa.objects) {
        if (a->Dom() == ayd->Dom()) ++n;
        if (a == ayd) return n;
    }
    return 0;
}

int TXmlNameLists::Gryp(const TGryp* gr) {
    return gr == nullptr ? 0 : vLg.Add(gr->Name(), gr);
}

std::string PredmetText(const TPredmet* pr) {
    return pr != nullptr && pr->YrName() != nullptr ? pr->YrName()->Name() : std::string();
}

namespace {

const TAtribyt* atribyt(const TNed& ned) {
    return ned.Gryp() != nullptr && ned.Gryp()->Spisok != nullptr ? &ned.Gryp()->Spisok->Atribyt
                                                                  : nullptr;
}

std::string atrName(const TAtribyt* at, int n) {
    if (at == nullptr || n == 0) return {};
    const TAtr* atr = at->AtrNumer(n);
    return atr != nullptr ? atr->Name() : std::string();
}

}  // namespace

void YrToXML(const TYr& yr, TXMLObject& vP, TXmlNameLists& lists) {
    const TYrok* yrok = yr.Yrok();
    vP.AddNewXMLAtr("I", asInt(yrok != nullptr ? yrok->GetIndexYrDpZm(&yr) + 1 : 0));
    const TPredmet* pr = yr.Predmet();
    vP.AddNewXMLAtr("Pr_I", asInt(pr != nullptr ? lists.Predmet(pr->YrName()) : 0));
    vP.AddNewXMLAtr("Pr_Tip", asInt(pr != nullptr ? pr->Dan.TipDRKM : 0));
    vP.AddNewXMLAtr("Fio_I", asInt(lists.Fio(yr.Fio())));
    if (const TFioPredmet* fp = yr.FioPredmet()) {
        vP.AddNewXMLAtr("PFio_I", asInt(fp->GetIndex() + 1));
        const APredmet dan = pr != nullptr ? pr->Dan : APredmet{};
        vP.AddNewXMLAtr("Del", asInt(dan.GDel));
        vP.AddNewXMLAtr("RazN", asInt(dan.RazN));
        vP.AddNewXMLAtr("NYrName", asInt(dan.GNYrName));
        if (fp->Ob != nullptr && yr.Yrok() != nullptr &&
            fp->Ob->CountYr(yr.Dan.tip, yr.De(), yr.Y()) > 1)
            vP.AddNewXMLAtr("ObN", asInt(fp->Ob->FN));
    }
    if (const TYrokKorzina* yk = yr.YrokKorzina())
        vP.AddNewXMLAtr("CFio", asInt(static_cast<int>(yk->LFio().size())));
    if (const TAyd* ayd = yr.Ayd()) {
        lists.Ayd(ayd);
        TXMLObject* a = vP.CreateXMLObject("Ayd");
        a->AddNewXMLAtr("Dom", asInt(lists.Dom(ayd->Dom())));
        a->AddNewXMLAtr("I", asInt(lists.AydInDom(ayd)));
    }
    if (yr.SetZamenaYes())
        for (const TYr* replaced : yr.LZm) {
            const TYrok* at = replaced->Yrok();
            vP.CreateXMLObject("Yr")->AddNewXMLAtr(
                "I", asInt(at != nullptr ? at->GetIndexYrDpZm(replaced) + 1 : 0));
        }
}

namespace {

// Both forms of a week: a "Day" per day with lessons in the timetable layer,
// in it an element named periodName per occupied period, filled by fill.
template <class Fill>
void eachOccupiedPeriod(const TNed& ned, TXMLObject& vP, const char* periodName, Fill fill) {
    for (int d = 1; d <= kDayCount; ++d) {
        const TDey* dey = ned.Dey(d);
        if (dey == nullptr || dey->FirstYrok(0) == nullptr) continue;
        TXMLObject* day = vP.CreateXMLObject("Day");
        day->AddNewXMLAtr("N", asInt(d));
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* yrok = dey->GetYrok(0, y);
            if (yrok == nullptr || yrok->Empty()) continue;
            TXMLObject* period = day->CreateXMLObject(periodName);
            period->AddNewXMLAtr("N", asInt(y));
            fill(*yrok, *period);
        }
    }
}

}  // namespace

void NedFieldToXML(const TNed& ned, TXMLObject& vP, TXmlNameLists& lists) {
    const TAtribyt* at = atribyt(ned);
    eachOccupiedPeriod(ned, vP, "Yrok", [&](const TYrok& yrok, TXMLObject& period) {
        for (const TYr* yr : yrok.LYr) YrToXML(*yr, *period.CreateXMLObject("Yr"), lists);
        for (const TYr* yr : yrok.LDp) {
            TXMLObject* dp = period.CreateXMLObject("Dp");
            YrToXML(*yr, *dp, lists);
            const std::string name = atrName(at, yr->NAtr());
            if (!name.empty()) dp->AddNewXMLField("Atr", asInt(lists.Atr(name)));
        }
        for (const TYr* yr : yrok.LZm) YrToXML(*yr, *period.CreateXMLObject("Zm"), lists);
    });
}

void GrypNedToXML(const TGryp& gr, int vNe, TXMLObject& vG, TXmlNameLists& lists) {
    vG.AddNewXMLAtr("FN", asInt(gr.Dan.N));
    vG.AddNewXMLAtr("Name", gr.Name());
    TXMLObject* week = vG.CreateXMLObject("LWeek")->CreateXMLObject("Week");
    week->AddNewXMLAtr("FN", asInt(vNe));
    if (const TNed* ned = gr.GetNed(vNe)) NedFieldToXML(*ned, *week, lists);
}

void ObFieldToXML(const TOb& ob, TXMLObject& vP, TXmlNameLists& lists) {
    if (ob.CountFioPredmet() < 2) return;
    // Gathered by cell first: the document lists a union's lesson once, with
    // every member's group under it, in member order.
    std::map<std::pair<int, int>, std::vector<const TYr*>> cells;
    for (const TFioPredmet* fp : ob.LFioPredmet) {
        if (fp->CountYr(kSetkaPlan, 0) < 2) continue;
        for (const auto& yr : fp->LYr)
            if (yr->Yrok() != nullptr && yr->Dan.tip == 0 && yr->YrokKorzina() != nullptr &&
                yr->Setka() == kSetkaPlan)
                cells[{yr->De(), yr->Y()}].push_back(yr.get());
    }
    for (const auto& [cell, lessons] : cells) {
        if (lessons.size() < 2) continue;
        TXMLObject* o = vP.CreateXMLObject("Ob");
        o->AddNewXMLAtr("Day", asInt(lessons.front()->De()));
        o->AddNewXMLAtr("Yrok", asInt(lessons.front()->Y()));
        TXMLObject* lg = o->CreateXMLObject("LGryp");
        for (const TYr* yr : lessons) {
            TXMLObject* g = lg->CreateXMLObject("Gryp");
            const TPredmet* pr = yr->Predmet();
            g->AddNewXMLAtr("Gryp_I", asInt(lists.Gryp(pr != nullptr ? pr->Gryp() : nullptr)));
            g->AddNewXMLAtr("Yr_I", asInt(yr->Yrok()->GetIndexYrDpZm(yr) + 1));
        }
    }
}

std::vector<int> ActiveWeeks(const TAllNed* calendar) {
    std::vector<int> weeks;
    for (int ne = 1; calendar != nullptr && ne <= kWeeks; ++ne)
        if (const TDNed* dn = calendar->DNed(ne); dn != nullptr && dn->Activ) weeks.push_back(ne);
    return weeks;
}

void PredmetToXML(const TGryp& gr, TXMLObject& vP, TXmlNameLists& lists) {
    const std::vector<int> active =
        ActiveWeeks(gr.Spisok != nullptr ? &gr.Spisok->AllNed : nullptr);
    TXMLObject* list = nullptr;
    for (std::size_t i = 0; i < gr.LPredmet.size(); ++i) {
        const TPredmet& pr = *gr.LPredmet[i];
        const int pos = lists.vLp.Find(PredmetText(&pr));
        if (pos == 0) continue;
        if (std::none_of(active.begin(), active.end(),
                         [&](int ne) { return pr.CountPredmetNe(kSetkaPlan, ne) > 0; }))
            continue;
        if (list == nullptr) list = vP.CreateXMLObject("LPrGryp");
        TXMLObject* p = list->CreateXMLObject("PrGryp");
        p->AddNewXMLAtr("I", asInt(static_cast<int>(i) + 1));
        p->AddNewXMLAtr("PredmetName_I", asInt(pos));
        p->AddNewXMLAtr("GN", asInt(pr.Dan.GNPredmetYp));
    }
}

void ENedFieldToXML(const TENed& en, TXMLObject& vP, TXmlNameLists& lists) {
    for (int d = 1; d <= kDayCount; ++d) {
        const TEDey* dey = en.mDey[static_cast<std::size_t>(d)].get();
        if (dey == nullptr || dey->LEkz.empty()) continue;
        TXMLObject* day = vP.CreateXMLObject("EDey");
        day->AddNewXMLAtr("N", asInt(d));
        for (const auto& ek : dey->LEkz) {
            TXMLObject* e = day->CreateXMLObject("Ekz");
            e->AddNewXMLAtr(
                "PredmetName_I",
                asInt(ek->Predmet != nullptr ? lists.Predmet(ek->Predmet->YrName()) : 0));
            e->AddNewXMLAtr("FioName_I", asInt(lists.Fio(ek->FFio)));
            e->AddNewXMLAtr("Ch", asInt(ek->Dan.Kh00));
            if (ek->FAtr != nullptr && !ek->FAtr->Name().empty())
                e->AddNewXMLField("Atr", asInt(lists.Atr(ek->FAtr->Name())));
        }
    }
}

void DNedFieldToXML(const TDNed& dn, TXMLObject& vP) {
    vP.AddNewXMLAtr("N", asInt(dn.N));
    if (!dn.Dop()) vP.AddNewXMLFieldDate("Dt", static_cast<TDateTime>(dn.Dt));
    vP.AddNewXMLField("Date", dn.GetShortStrDateNed());
}

namespace {

void partToXML(const TYr& yr, TXMLObject& part) {
    if (const TYrName* name = yr.YrName()) part.AddNewXMLField("Name", name->BigName());
    const TFio* fio = yr.Fio();
    part.AddNewXMLField("Teacher", fio != nullptr ? fio->BigName() : std::string("Отменен"));
    if (const TAyd* ayd = yr.Ayd()) {
        TXMLObject* a = part.CreateXMLObject("Auditorium");
        a->AddNewXMLField("Number", ayd->Name());
        a->AddNewXMLField("Building", ayd->Dom() != nullptr ? ayd->Dom()->Name() : std::string());
    }
}

}  // namespace

void NedFieldToXMLForEMail(const TNed& ned, TXMLObject& vP, bool vCanDp, bool vCanZamena) {
    const TAtribyt* at = atribyt(ned);
    eachOccupiedPeriod(ned, vP, "Lesson", [&](const TYrok& yrok, TXMLObject& lesson) {
        int n = 0;
        for (const TYr* yr : yrok.LYr) {
            TXMLObject* part = lesson.CreateXMLObject("Part");
            part->AddNewXMLAtr("N", asInt(++n));
            if (vCanZamena && !yr->LZm.empty()) part->AddNewXMLAtr("Status", "Заменён");
            partToXML(*yr, *part);
        }
        n = 0;
        for (const TYr* yr : yrok.LDp) {
            if (!vCanDp) break;
            TXMLObject* part = lesson.CreateXMLObject("Part");
            part->AddNewXMLAtr("N", asInt(++n));
            part->AddNewXMLAtr("Status", "Назначен дополнительно");
            const std::string name = atrName(at, yr->NAtr());
            if (!name.empty()) part->AddNewXMLAtr("Attribute", name);
            partToXML(*yr, *part);
        }
        n = 0;
        for (const TYr* yr : yrok.LZm) {
            if (!vCanZamena) break;
            TXMLObject* part = lesson.CreateXMLObject("Part");
            part->AddNewXMLAtr("N", asInt(++n));
            part->AddNewXMLAtr("Status", "Замена");
            partToXML(*yr, *part);
        }
    });
}

}  // namespace zavlin::exporting

// The readers of the curriculum server's documents.
namespace zavlin::exporting {

namespace {

int intAtr(const TXMLObject& o, std::string_view name, int absent = 0) {
    const TXMLAtr* a = o.FindXMLAtr(name);
    int32_t v = 0;
    if (a == nullptr || !a->asInteger(v)) return absent;
    return v;
}

bool hasAtr(const TXMLObject& o, std::string_view name) {
    return o.FindXMLAtr(name) != nullptr;
}

std::string strAtr(const TXMLObject& o, std::string_view name) {
    const TXMLAtr* a = o.FindXMLAtr(name);
    return a != nullptr ? a->asString() : std::string();
}

// The child of list whose "FN" is fn (and, when given, whose "tip" is tip).
const TXMLObject* byFN(const TXMLObject* list, int fn, std::string_view tip = {}) {
    if (list == nullptr) return nullptr;
    for (int i = 0; i < list->CountLXMLObject(); ++i) {
        const TXMLObject* o = list->XMLObject(i);
        if (intAtr(*o, "FN", -1) == fn && (tip.empty() || strAtr(*o, "tip") == tip)) return o;
    }
    return nullptr;
}

// The first n characters (code points) of a UTF-8 text.
std::string firstChars(const std::string& s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < n; ++count) {
        const auto c = static_cast<unsigned char>(s[i]);
        i += c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    }
    return s.substr(0, std::min(i, s.size()));
}

TFio* findTeacher(TAllRasp& year, const std::string& name) {
    if (name.empty()) return nullptr;
    if (TFio* f = year.FindFioForBigName(name)) return f;
    return year.FindFioForShortName(BigNameToShortName(name));
}

TAyd* roomOf(TAllRasp& year, const TXMLObject& o, const TServerLists& lists) {
    if (!hasAtr(o, "Dom") || !hasAtr(o, "Ayd")) return nullptr;
    const TXMLObject* dom = byFN(lists.vLDom, intAtr(o, "Dom"));
    const TXMLObject* ayd = byFN(lists.vLAyd, intAtr(o, "Ayd"));
    if (dom == nullptr || ayd == nullptr) return nullptr;
    return year.FindAyd(strAtr(*dom, "Name"), strAtr(*ayd, "Name"));
}

// The union the sender numbered obN for the subject and the teacher. Two
// unions of the same subject and teacher (at different times) stay apart by
// that number. Without the document's gathering, the week's union of the
// same subject and teacher names is joined.
void joinUnion(TAllRasp& year, TFioPredmet* fp, int ne, int obN, const TServerLists& lists) {
    if (fp->Ob != nullptr) return;
    const std::string subject = PredmetText(fp->Predmet());
    const std::string teacher = fp->Fio() != nullptr ? fp->Fio()->Name() : std::string();
    if (lists.unions == nullptr) {
        for (const auto& ob : year.GetLOb(ne)) {
            if (ob->LFioPredmet.empty()) continue;
            const TFioPredmet* first = ob->LFioPredmet.front();
            if (PredmetText(first->Predmet()) == subject && first->Fio() != nullptr &&
                first->Fio()->Name() == teacher) {
                ob->AddFio(fp);
                return;
            }
        }
        return;
    }
    auto& members = (*lists.unions)[{ne, subject, teacher, obN}];
    members.push_back(fp);
    if (members.size() < 2) return;
    if (TOb* ob = members.front()->Ob) {
        ob->AddFio(fp);
        return;
    }
    auto ob = std::make_unique<TOb>(ne, 0);
    ob->LFioPredmet = members;
    year.AddOb(std::move(ob), true);
}

}  // namespace

TFio* ReadRaspFioFromXML(TAllRasp& year, const TXMLObject& vO) {
    const std::string name = strAtr(vO, "Name");
    if (TFio* found = findTeacher(year, name)) return found;
    if (trim(name).empty()) return nullptr;
    auto fio = std::make_unique<TFio>();
    fio->SetBigName(name);
    fio->GN = intAtr(vO, "FN");
    return year.AddFio(std::move(fio));
}

std::string ReadRaspGrypFromXML(TAllRasp& year, const TXMLObject& vO, const TServerLists& lists) {
    const std::string name = strAtr(vO, "Name");
    TGryp* gr = year.FindGrypForName(name);
    if (gr == nullptr) return "Отсутствует план группы :" + name;
    const TXMLObject* weeks = vO.FindXMLObject("LWeek");
    if (weeks == nullptr) weeks = &vO;
    for (int i = 0; i < weeks->CountLXMLObject(); ++i) {
        const TXMLObject* week = weeks->XMLObject(i);
        const int ne = intAtr(*week, "FN");
        if (ne < 1 || ne > kWeeks) continue;
        gr->SetNed(ne);
        gr->DelKorzina(ne, false);
        gr->DelAllFioPredmet(ne, false);
        if (const TXMLObject* items = week->FindXMLObject("LPrKrz"))
            for (int k = 0; k < items->CountLXMLObject(); ++k)
                ReadKorzinaFromXML(*gr, *items->XMLObject(k), lists, ne);
    }
    return {};
}

namespace {

void skip(const TServerLists& lists, std::string line) {
    if (lists.skipped != nullptr) lists.skipped->push_back(std::move(line));
}

}  // namespace

void ReadKorzinaFromXML(TGryp& gr, const TXMLObject& vP, const TServerLists& lists, int vNNed) {
    const int predmetFN = intAtr(vP, "PredmetFN");
    const int classN = intAtr(vP, "ClassN");
    const int del = intAtr(vP, "Del");
    const int zavlinFN = intAtr(vP, "PrZavlinFN");
    const int razN = intAtr(vP, "RazN");
    // A number that does not fit its key would wrap into another subject.
    const auto fits = [](int v, int max) { return v >= 0 && v <= max; };
    if (!fits(classN, UINT8_MAX) || !fits(del, UINT8_MAX) || !fits(razN, UINT8_MAX) ||
        !fits(predmetFN, UINT16_MAX) || !fits(zavlinFN, UINT16_MAX)) {
        skip(lists, "Группа " + gr.Name() + ", неделя " + std::to_string(vNNed) +
                        ": предмет с неверными номерами (PredmetFN=" + std::to_string(predmetFN) +
                        ", ClassN=" + std::to_string(classN) + ", Del=" + std::to_string(del) +
                        ", RazN=" + std::to_string(razN) +
                        ", PrZavlinFN=" + std::to_string(zavlinFN) + ") пропущен");
        return;
    }
    TPredmet* pr = nullptr;
    for (const auto& p : gr.LPredmet)
        if (p->Dan.TipDRKM == classN && p->Dan.GDel == del && p->Dan.RazN == razN &&
            p->Dan.GNYrName == predmetFN)
            pr = p.get();
    if (pr == nullptr) {
        const TXMLObject* src =
            byFN(lists.vLPr, predmetFN, classN == 2 || classN == 3 ? "TMDKName" : "TPredmet");
        if (src == nullptr || gr.Spisok == nullptr) return;
        auto& year = static_cast<TAllRasp&>(*gr.Spisok);
        std::string shortName = strAtr(*src, "SName");
        if (del == 2) shortName = firstChars(shortName, 15) + "(Д)";
        TYrName* name = year.FindYrNameForName(shortName);
        if (name == nullptr) name = year.FindYrNameForLongName(strAtr(*src, "LName"));
        if (name == nullptr) return;
        pr = gr.CreatePredmet(name);
        pr->Dan.TipDRKM = static_cast<uint8_t>(classN);
        pr->Dan.GDel = static_cast<uint8_t>(del);
        pr->Dan.RazN = static_cast<uint8_t>(razN);
        pr->Dan.GNYrName = static_cast<uint16_t>(predmetFN);
        pr->Dan.GNPredmetYp = static_cast<uint16_t>(zavlinFN);
    }
    ReadFioFromXML(*pr, vP, lists, vNNed);
}

void ReadFioFromXML(TPredmet& pr, const TXMLObject& vP, const TServerLists& lists, int vNNed) {
    TGryp* gr = pr.Gryp();
    if (gr == nullptr || gr->Spisok == nullptr) return;
    auto& year = static_cast<TAllRasp&>(*gr->Spisok);
    TNed* week = gr->SetNed(vNNed);
    for (int i = 0; i < vP.CountLXMLObject(); ++i) {
        const TXMLObject& t = *vP.XMLObject(i);
        const TXMLObject* src = byFN(lists.vLFi, intAtr(t, "FioFN", -1));
        // A teacher that cannot be found leaves its lessons unread.
        TFio* fio = src != nullptr ? findTeacher(year, strAtr(*src, "Name")) : nullptr;
        if (fio == nullptr) continue;
        TFioPredmet* fp = nullptr;
        if (hasAtr(t, "CountYr")) {
            fp = pr.AddFio(vNNed, fio);
        } else if (hasAtr(t, "CountZm")) {
            int pos = 0;
            fp = pr.FindFioPredmet(vNNed, pos, fio);
            for (int n = intAtr(t, "PosI", 1); fp != nullptr && n > 1; --n)
                fp = pr.FindFioPredmetNext(vNNed, pos, fio);
            if (fp == nullptr) fp = pr.AddFio(vNNed, fio);
        }
        if (fp == nullptr) continue;
        // The counts saturate at a byte: a larger number from the server must
        // end the filling, not spin on a count that no longer grows.
        const auto fill = [&](int setka, TFioPredmet* counted, int wanted) {
            for (int have = pr.CountPredmetNe(setka, vNNed, counted); have < wanted;) {
                if (pr.AddPredmetNe(setka, vNNed, fp) == nullptr) break;
                const int now = pr.CountPredmetNe(setka, vNNed, counted);
                if (now <= have) break;
                have = now;
            }
        };
        fill(kSetkaPlan, nullptr, intAtr(t, "CountYr"));
        fill(kSetkaZamena, fp, intAtr(t, "CountZm"));

        for (int k = 0; k < t.CountLXMLObject(); ++k) {
            const TXMLObject& c = *t.XMLObject(k);
            const int de = intAtr(c, "Day");
            const int y = intAtr(c, "Para");
            if (de < 1 || de > kDayCount || y < 0 || y >= kPeriodCount) continue;
            TAyd* room = roomOf(year, c, lists);
            if (c.Name() == "Yr") {
                TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, &pr);
                if (item == nullptr) continue;
                const int planFN = intAtr(c, "FN");
                if (planFN < 0 || planFN > UINT8_MAX) {
                    skip(lists, "Группа " + gr->Name() + ", неделя " + std::to_string(vNNed) +
                                    ": урок с неверным номером FN=" + std::to_string(planFN) +
                                    " пропущен");
                    continue;
                }
                TYr* yr = week->AddYrRas(0, de, y, item, fp);
                if (yr == nullptr) continue;
                yr->FPlanFN = static_cast<uint8_t>(planFN);
                if (room != nullptr) yr->SetAyd(room);
                if (hasAtr(c, "ObN")) joinUnion(year, fp, vNNed, intAtr(c, "ObN"), lists);
                // An empty "Ot" may read as a field.
                bool cancelled = c.FindXMLField("Ot") != nullptr;
                for (int o = 0; o < c.CountLXMLObject(); ++o)
                    cancelled = cancelled || c.XMLObject(o)->Name() == "Ot";
                if (cancelled) yr->Yrok()->AddOtmena(yr);
            } else if (c.Name() == "Zm") {
                TYrok* yrok = week->Dey(de)->CreateYrok(0, y);
                TYrokKorzina* zk = week->FindYrokKorzina(kSetkaZamena, &pr);
                // Without its basket a substitution would be read as a
                // cancellation.
                const auto noBasket = [&] {
                    skip(lists, "Группа " + gr->Name() + ", неделя " + std::to_string(vNNed) +
                                    ": замену " + PredmetText(&pr) + " некуда записать, пропущена");
                    week->Dey(de)->FreeIfEmpty(0, y);
                };
                if (c.CountLXMLObject() > 0) {
                    if (zk == nullptr) zk = pr.AddPredmetNe(kSetkaZamena, vNNed, fp);
                    if (zk == nullptr) {
                        noBasket();
                        continue;
                    }
                    for (int o = 0; o < c.CountLXMLObject(); ++o) {
                        const TXMLObject& r = *c.XMLObject(o);
                        if (r.Name() != "Yr") continue;
                        if (TYr* old = yrok->FindYrForPlan(intAtr(r, "FN")))
                            yrok->AddZamena(old, zk, room, fio, fp);
                    }
                } else {
                    if (zk == nullptr || zk->CountPlanYrForFio(fp) <= fp->CountZm())
                        zk = pr.AddPredmetNe(kSetkaZamena, vNNed, fp);
                    if (zk == nullptr) {
                        noBasket();
                        continue;
                    }
                    // Replaces nothing: the lessons it stands beside stay.
                    (void)yrok->AddZamena(nullptr, zk, room, fio, fp);
                }
                week->Dey(de)->FreeIfEmpty(0, y);
            }
        }
    }
}

}  // namespace zavlin::exporting
