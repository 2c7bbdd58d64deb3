#include "export/html_documents.h"

#include <algorithm>
#include <system_error>

#include "base/my_dialog.h"
#include "export/document_opener.h"
#include "export/html_report_parts.h"
#include "export/timetable_xml.h"
#include "export/xml_export.h"
#include "model/year.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {

namespace fs = std::filesystem;
using namespace zavlin::html;

namespace {

std::string withRooms(std::string text, const std::vector<std::string>& rooms) {
    if (!rooms.empty()) text += " ауд." + JoinedList(rooms);
    return text;
}

// "Пара", "Время", the days; rows from the first to the last period whose
// text is not empty.
TGridHtml* addWeekTable(TBodyHtml& body, const TAllRasp& year, const std::vector<int>& days,
                        const char* noLesson, const std::function<std::string(int, int)>& text) {
    TGridHtml* grid = body.AddGrid();
    grid->Border = 1;
    grid->Headr()->AddCol("Пара");
    grid->Headr()->AddCol("Время");
    for (const int d : days)
        if (d >= 1 && d <= kDayCount) grid->Headr()->AddCol(weekdayName(d));
    std::vector<std::vector<std::string>> cells(kPeriodCount);
    int first = -1;
    int last = -1;
    for (int y = 0; y < kPeriodCount; ++y)
        for (const int d : days) {
            if (d < 1 || d > kDayCount) continue;
            std::string t = text(d, y);
            if (!t.empty()) {
                if (first < 0) first = y;
                last = y;
            }
            cells[static_cast<std::size_t>(y)].push_back(std::move(t));
        }
    for (int y = first; first >= 0 && y <= last; ++y) {
        TRowGridHtml* row = grid->AddRow();
        row->AddCells()->AddText(std::to_string(y));
        row->AddCells()->AddText(year.TaimYrok[static_cast<std::size_t>(y)].TnText());
        for (const std::string& t : cells[static_cast<std::size_t>(y)])
            row->AddCells()->AddText(t.empty() ? noLesson : t);
    }
    return grid;
}

}  // namespace

std::string GrypPageName(int ne, const TGryp& gr) {
    return std::to_string(ne) + "~" + std::to_string(gr.Dan.N) + kHtmExt;
}

std::string FioPageName(int ne, const TFio& fio) {
    return "fio" + std::to_string(ne) + "~" + std::to_string(fio.N) + kHtmExt;
}

std::string FioTitle(const TFio& fio) {
    return fio.TitleName();
}

std::unique_ptr<TFileHtml> MakePage(const std::string& title, const std::string& bgColor,
                                    int fontSize) {
    auto page = std::make_unique<TFileHtml>();
    page->Head().SetTitle(title);
    page->Body().BGColor().StrColor = bgColor;
    page->Body().BaseFont().Size = fontSize;
    return page;
}

TTextHtml* AddHeading(TBodyHtml& body, const std::string& text) {
    TTextHtml* heading = body.AddText(text);
    heading->Paragraf = true;
    heading->Align = TAlignHtml::alCenter;
    heading->Font().Size = kHeadingFontSize;
    heading->Font().StrColor = kHeadingColor;
    return heading;
}

std::string GrypPeriodText(const TYrok* yrok) {
    if (yrok == nullptr) return {};
    std::vector<std::string> subjects;
    std::vector<std::string> teachers;
    std::vector<std::string> rooms;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
        const TYr* yr = yrok->YrDpZm(i);
        if (!yr->Delivered() || yr->Predmet() == nullptr) continue;
        AddDistinct(subjects, yr->NamePredmet(false));
        AddDistinct(teachers, yr->NameFio(false, false));
        AddDistinct(rooms, yr->NameAyd());
    }
    if (subjects.empty()) return {};
    std::string text = JoinedList(subjects);
    if (!teachers.empty()) {
        text += ' ';
        text += JoinedList(teachers);
    }
    return withRooms(std::move(text), rooms);
}

std::string FioPeriodText(const TAllRasp& year, const TFio& fio, int ne, int d, int y) {
    std::vector<TGrypYr> lessons;
    year.GetNFioOfGryp(0, fio.N, ne, d, y, lessons);
    return FioPeriodText(year, lessons);
}

std::string FioPeriodText(const TAllRasp& year, const std::vector<TGrypYr>& lessons) {
    const TFioCellText cell(year, lessons);
    if (cell.Predmet.empty()) return {};
    std::string text = cell.Gryp + " " + cell.Predmet;
    if (!cell.Ayd.empty()) text += " ауд." + cell.Ayd;
    return text;
}

TGridHtml* AddGrypWeekTable(TBodyHtml& body, const TAllRasp& year, const TGryp& gr, int ne,
                            const std::vector<int>& days) {
    const TNed* week = gr.GetNed(ne);
    return addWeekTable(body, year, days, kNoLessonGryp, [week](int d, int y) {
        return week != nullptr ? GrypPeriodText(week->GetYrok(0, d, y)) : std::string();
    });
}

TGridHtml* AddFioWeekTable(TBodyHtml& body, const TAllRasp& year, const TFio& fio, int ne,
                           const std::vector<int>& days) {
    return addWeekTable(body, year, days, kNoLessonFio,
                        [&](int d, int y) { return FioPeriodText(year, fio, ne, d, y); });
}

TGridHtml* AddFioWeekTable(TBodyHtml& body, const TAllRasp& year, const TFio& fio,
                           const std::vector<int>& days, const TFioWeekIndex& index) {
    return addWeekTable(body, year, days, kNoLessonFio,
                        [&](int d, int y) { return FioPeriodText(year, index.At(&fio, d, y)); });
}

std::vector<int> DaysOfWeek(const TArrayOfPointByte& WD, int ne) {
    std::vector<int> days;
    for (int i = 0; i < WD.Count(); ++i)
        if (WD.LowByte(i) == ne) {
            const int d = WD.HighByte(i);
            if (d >= 1 && d <= kDayCount && std::find(days.begin(), days.end(), d) == days.end())
                days.push_back(d);
        }
    std::sort(days.begin(), days.end());
    return days;
}

// --- The hub

THtmlExportHub::THtmlExportHub(const TAllRasp& year, const fs::path& home, TMyDialog& dialog,
                               TDocumentOpener& opener, FileSystem& files)
    : PathTemp(TempFolder(home)),
      Weeks(ActiveWeeks(&year.AllNed)),
      FYear(year),
      FDialog(dialog),
      FOpener(opener),
      FFiles(files) {
    if (!FFiles.createFolder(PathTemp))
        FDialog.MessageShow("Ошибка при создании временной директории :" + PathTemp.string());
}

std::string THtmlExportHub::WeekLabel(int ne) const {
    const TDNed* dn = FYear.AllNed.DNed(ne);
    return dn != nullptr ? dn->GetShortStrDateNed(vV1, vV2, vV3) : std::string();
}

std::vector<const TGryp*> THtmlExportHub::SelectedGryp() const {
    std::vector<const TGryp*> out;
    for (const auto& gr : FYear.LGryp)
        if (gr->Select) out.push_back(gr.get());
    return out;
}

std::vector<const TFio*> THtmlExportHub::SelectedFio() const {
    std::vector<const TFio*> out;
    for (const auto& fio : FYear.LFio)
        if (fio->Select) out.push_back(fio.get());
    return out;
}

bool THtmlExportHub::RemoveStale(const std::string& fileName) {
    const fs::path full = PathTemp / fileName;
    std::error_code ec;
    const bool folder = fs::is_directory(fs::symlink_status(full, ec));
    const bool gone = folder ? FFiles.removeFolder(full) : FFiles.remove(full);
    if (gone && !FFiles.exists(full)) return true;
    FDialog.MessageShow("Невозмохно удалить устаревший Файл (возможно Word уже запущен) " +
                        full.string());
    return false;
}

bool THtmlExportHub::SavePage(TFileHtml& page, const std::string& fileName) {
    page.SetFileName(PathTemp / fileName);
    if (!page.SaveToFile(FFiles)) {
        FDialog.MessageShow(CannotCreateMessage(page.FileName(), page.LastError()));
        return false;
    }
    Fil.push_back(fileName);
    return true;
}

bool THtmlExportHub::Deliver(const std::string& fileName) {
    const fs::path full = PathTemp / fileName;
    if (!StartWord) {
        FDialog.MessageShow("Создан файл " + full.string());
        return true;
    }
    std::string why;
    if (FOpener.Open(full, why)) return true;
    // The document stays; the user learns where it is.
    FDialog.MessageShow("Невозможно открыть файл : " + full.string() +
                        (why.empty() ? "" : "\n" + why));
    return false;
}

bool THtmlExportHub::WriteDocument(const std::string& fileName, const std::string& title,
                                   int maximum, const TBuild& build) {
    Fil.clear();
    if (!RemoveStale(fileName)) return false;
    THtmlProgress& progress = ProgressSink();
    progress.Show(maximum);
    auto page = MakePage(title, {}, kBodyFontSize);
    build(page->Body(), progress);
    const bool saved = SavePage(*page, fileName);
    progress.Hide();
    return saved && Deliver(fileName);
}

bool THtmlExportHub::CreateWordGryp(const TArrayOfPointByte& WD) {
    const auto groups = SelectedGryp();
    return WriteDocument(kWordGrypFile, "Расписание групп", static_cast<int>(groups.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             for (const TGryp* gr : groups) {
                                 for (const int ne : Weeks) {
                                     const std::vector<int> days = DaysOfWeek(WD, ne);
                                     if (days.empty()) continue;
                                     AddHeading(body, "РАСПИСАНИЕ ГРУППЫ " + gr->Name() +
                                                          " неделя " + WeekLabel(ne));
                                     AddGrypWeekTable(body, FYear, *gr, ne, days);
                                 }
                                 progress.Position(++done);
                             }
                         });
}

bool THtmlExportHub::CreateWordFio(const TArrayOfPointByte& WD) {
    const auto teachers = SelectedFio();
    return WriteDocument(kWordFioFile, "Расписание преподавателей",
                         static_cast<int>(teachers.size()),
                         [&](TBodyHtml& body, THtmlProgress& progress) {
                             int done = 0;
                             TFioWeekIndexes index(FYear);
                             for (const TFio* fio : teachers) {
                                 for (const int ne : Weeks) {
                                     const std::vector<int> days = DaysOfWeek(WD, ne);
                                     if (days.empty()) continue;
                                     AddHeading(body, "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ " + FioTitle(*fio) +
                                                          " неделя " + WeekLabel(ne));
                                     AddFioWeekTable(body, FYear, *fio, days, index.Week(ne));
                                 }
                                 progress.Position(++done);
                             }
                         });
}

}  // namespace zavlin::exporting
