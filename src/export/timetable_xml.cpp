#include "export/timetable_xml.h"

#include <map>
#include <utility>

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

int32_t asInt(int v) {
    return static_cast<int32_t>(v);
}

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

void NedFieldToXML(const TNed& ned, TXMLObject& vP, TXmlNameLists& lists) {
    const TAtribyt* at = atribyt(ned);
    for (int d = 1; d <= kDayCount; ++d) {
        const TDey* dey = ned.Dey(d);
        if (dey == nullptr || dey->FirstYrok(0) == nullptr) continue;
        TXMLObject* day = vP.CreateXMLObject("Day");
        day->AddNewXMLAtr("N", asInt(d));
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* yrok = dey->GetYrok(0, y);
            if (yrok == nullptr || yrok->Empty()) continue;
            TXMLObject* period = day->CreateXMLObject("Yrok");
            period->AddNewXMLAtr("N", asInt(y));
            for (const TYr* yr : yrok->LYr) YrToXML(*yr, *period->CreateXMLObject("Yr"), lists);
            for (const TYr* yr : yrok->LDp) {
                TXMLObject* dp = period->CreateXMLObject("Dp");
                YrToXML(*yr, *dp, lists);
                const std::string name = atrName(at, yr->NAtr());
                if (!name.empty()) dp->AddNewXMLField("Atr", asInt(lists.Atr(name)));
            }
            for (const TYr* yr : yrok->LZm) YrToXML(*yr, *period->CreateXMLObject("Zm"), lists);
        }
    }
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
    // (day, period) -> the members' plan lessons there, in member order.
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

void PredmetToXML(const TGryp& gr, TXMLObject& vP, TXmlNameLists& lists) {
    const TAllNed* calendar = gr.Spisok != nullptr ? &gr.Spisok->AllNed : nullptr;
    TXMLObject* list = nullptr;
    for (std::size_t i = 0; i < gr.LPredmet.size(); ++i) {
        const TPredmet& pr = *gr.LPredmet[i];
        const int pos = lists.vLp.Find(PredmetText(&pr));
        if (pos == 0) continue;
        bool loaded = false;
        for (int ne = 1; ne <= kWeeks && !loaded; ++ne) {
            const TDNed* dn = calendar != nullptr ? calendar->DNed(ne) : nullptr;
            loaded = dn != nullptr && dn->Activ && pr.CountPredmetNe(kSetkaPlan, ne) > 0;
        }
        if (!loaded) continue;
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
    for (int d = 1; d <= kDayCount; ++d) {
        const TDey* dey = ned.Dey(d);
        if (dey == nullptr || dey->FirstYrok(0) == nullptr) continue;
        TXMLObject* day = vP.CreateXMLObject("Day");
        day->AddNewXMLAtr("N", asInt(d));
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* yrok = dey->GetYrok(0, y);
            if (yrok == nullptr || yrok->Empty()) continue;
            TXMLObject* lesson = day->CreateXMLObject("Lesson");
            lesson->AddNewXMLAtr("N", asInt(y));
            int n = 0;
            for (const TYr* yr : yrok->LYr) {
                TXMLObject* part = lesson->CreateXMLObject("Part");
                part->AddNewXMLAtr("N", asInt(++n));
                if (vCanZamena && !yr->LZm.empty()) part->AddNewXMLAtr("Status", "Заменён");
                partToXML(*yr, *part);
            }
            n = 0;
            for (const TYr* yr : yrok->LDp) {
                if (!vCanDp) break;
                TXMLObject* part = lesson->CreateXMLObject("Part");
                part->AddNewXMLAtr("N", asInt(++n));
                part->AddNewXMLAtr("Status", "Назначен дополнительно");
                const std::string name = atrName(at, yr->NAtr());
                if (!name.empty()) part->AddNewXMLAtr("Attribute", name);
                partToXML(*yr, *part);
            }
            n = 0;
            for (const TYr* yr : yrok->LZm) {
                if (!vCanZamena) break;
                TXMLObject* part = lesson->CreateXMLObject("Part");
                part->AddNewXMLAtr("N", asInt(++n));
                part->AddNewXMLAtr("Status", "Замена");
                partToXML(*yr, *part);
            }
        }
    }
}

}  // namespace zavlin::exporting
