// The web site: an index page of groups (teachers) with one link per week,
// one page per group (teacher) and week, and the copy of them all into the
// folder the user chose.
#include <cerrno>
#include <system_error>

#include "base/my_dialog.h"
#include "export/html_documents.h"
#include "export/html_report_parts.h"
#include "export/xml_export.h"
#include "model/year.h"

namespace zavlin::exporting {

namespace fs = std::filesystem;
using namespace zavlin::html;

namespace {

const std::vector<int> kAllDays = {1, 2, 3, 4, 5, 6};

// What the two sites differ in.
template <typename Item>
struct TSite {
    const char* title;        // of the index page
    const char* heading;      // of the index page
    const char* firstColumn;  // of the index table
    const char* pageHeading;  // of a week's page, before the name
    const char* back;         // the link back to the index
    std::vector<const Item*> items;
    std::function<std::string(const Item&)> name;
    std::function<std::string(int, const Item&)> page;
    std::function<void(TBodyHtml&, const Item&, int)> table;
};

template <typename Item>
bool createSite(THtmlExportHub& hub, const std::string& tip, const TSite<Item>& site) {
    hub.Fil.clear();
    const std::string index = tip + kHtmExt;
    THtmlProgress& progress = hub.ProgressSink();
    progress.Show(static_cast<int>(site.items.size()));
    bool ok = true;
    auto page = MakePage(site.title);
    AddHeading(page->Body(), site.heading);
    TGridHtml* grid = page->Body().AddGrid();
    grid->Border = 1;
    grid->Headr()->AddCol(site.firstColumn);
    for (const int ne : hub.Weeks)
        grid->Headr()->AddCol("Неделя N" + hub.Year().AllNed.GetNumberWeek(ne));
    int done = 0;
    for (const Item* item : site.items) {
        TRowGridHtml* row = grid->AddRow();
        row->AddCells()->AddText(site.name(*item));
        for (const int ne : hub.Weeks) {
            const std::string file = site.page(ne, *item);
            row->AddCells()->AddLink(hub.WeekLabel(ne), file);
            if (!ok) continue;
            auto weekPage = MakePage(site.name(*item));
            AddHeading(weekPage->Body(),
                       site.pageHeading + site.name(*item) + " " + hub.WeekLabel(ne));
            site.table(weekPage->Body(), *item, ne);
            weekPage->Body().AddLink(site.back, index);
            ok = hub.SavePage(*weekPage, file);
        }
        progress.Position(++done);
    }
    ok = ok && hub.SavePage(*page, index);
    progress.Hide();
    return ok;
}

std::string systemError() {
    return errno != 0 ? std::system_category().message(errno) : std::string();
}

}  // namespace

bool THtmlExportHub::CreateHtmlGryp(const std::string& tip) {
    TSite<TGryp> site{"Расписание групп",
                      "РАСПИСАНИЕ ГРУПП",
                      "Группы",
                      "РАСПИСАНИЕ ГРУППЫ ",
                      "Назад к списку групп",
                      SelectedGryp(),
                      [](const TGryp& gr) { return gr.Name(); },
                      [](int ne, const TGryp& gr) { return GrypPageName(ne, gr); },
                      [this](TBodyHtml& body, const TGryp& gr, int ne) {
                          AddGrypWeekTable(body, FYear, gr, ne, kAllDays);
                      }};
    return createSite(*this, tip, site);
}

bool THtmlExportHub::CreateHtmlFio(const std::string& tip) {
    TFioWeekIndexes index(FYear);
    TSite<TFio> site{"Расписание преподавателей",
                     "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЕЙ",
                     "Преподаватели",
                     "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ ",
                     "Назад к списку преподавателей",
                     SelectedFio(),
                     [](const TFio& fio) { return FioTitle(fio); },
                     [](int ne, const TFio& fio) { return FioPageName(ne, fio); },
                     [this, &index](TBodyHtml& body, const TFio& fio, int ne) {
                         AddFioWeekTable(body, FYear, fio, kAllDays, index.Week(ne));
                     }};
    return createSite(*this, tip, site);
}

bool THtmlExportHub::ExportWeb(const fs::path& folder, bool groups, bool teachers,
                               std::vector<fs::path>* copied) {
    if (copied != nullptr) copied->clear();
    // A folder that cannot be made would fail every copy: nothing is made.
    if (!PrepareFolder(folder)) return false;
    std::vector<std::string> written;
    if (groups) {
        if (!CreateHtmlGryp()) return false;
        written = Fil;
    }
    if (teachers) {
        if (!CreateHtmlFio()) return false;
        written.insert(written.end(), Fil.begin(), Fil.end());
    }
    Fil = written;
    if (Fil.empty()) return false;
    return copyFiles(folder, copied);
}

bool THtmlExportHub::PrepareFolder(const fs::path& folder) {
    std::error_code ec;
    if (!folder.empty() && (fs::is_directory(folder, ec) || FFiles.createFolder(folder)))
        return true;
    FDialog.MessageShow("Ошибка при создании директории");
    return false;
}

bool THtmlExportHub::CopyToFolder(const fs::path& folder, std::vector<fs::path>* copied) {
    if (copied != nullptr) copied->clear();
    return PrepareFolder(folder) && copyFiles(folder, copied);
}

bool THtmlExportHub::copyFiles(const fs::path& folder, std::vector<fs::path>* copied) {
    THtmlProgress& progress = ProgressSink();
    progress.Show(static_cast<int>(Fil.size()));
    std::string lastError;
    int done = 0;
    for (const std::string& name : Fil) {
        const fs::path from = PathTemp / name;
        const fs::path to = folder / name;
        std::string bytes;
        errno = 0;
        if (ReadWholeFile(FFiles, from, bytes) &&
            replaceFileWhole(FFiles, to, reinterpret_cast<const uint8_t*>(bytes.data()),
                             bytes.size(), false)) {
            if (copied != nullptr) copied->push_back(to);
        } else {
            // The system's text alone, as the user knows it; it never names
            // the file, so the file is named only when there is no such text.
            const std::string why = systemError();
            lastError = why.empty() ? "Ошибка копирования в файл: " + to.string() : why;
            (void)FFiles.remove(from);
        }
        progress.Position(++done);
    }
    progress.Hide();
    FDialog.MessageShow(lastError.empty() ? std::string("Файлы созданы.") : lastError);
    return lastError.empty();
}

}  // namespace zavlin::exporting
