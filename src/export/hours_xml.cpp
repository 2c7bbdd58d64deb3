#include "export/hours_xml.h"

#include "base/datetime.h"
#include "base/my_dialog.h"
#include "export/xml_document.h"
#include "export/xml_export.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin::exporting {

namespace {

// Columns of the full accounting view.
constexpr int kFirstSemester = 2;
constexpr int kSemesterColumns = 7;
constexpr int kPlanAll = 1, kPlanTeacher = 2, kDelivered = 6;
constexpr int kYearPlan = kFirstSemester + 2 * kSemesterColumns;

void figures(TXMLObject& parent, const char* name, int group, int teacher, int delivered) {
    TXMLObject* o = parent.CreateXMLObject(name);
    o->AddNewXMLField("CountGroup", static_cast<int32_t>(group));
    o->AddNewXMLField("CountTeacher", static_cast<int32_t>(teacher));
    o->AddNewXMLField("LengthTime", static_cast<int32_t>(delivered * 2));
}

std::string twoDigits(int v) {
    std::string text = v < 10 ? "0" : "";
    text += std::to_string(v);
    return text;
}

}  // namespace

void BuildTeacherHoursXml(TXMLCreater& doc, const TAllRasp& year, const TFio& fio,
                          const reports::TAccountOptions& o) {
    reports::TAccountOptions full = o;
    full.shortView = false;
    const reports::TAccountTable table = reports::accountByTeacher(year, fio, full);
    TXMLObject* root = doc.CreateMainXMLObject("Teachers");
    TXMLObject* headr = root->CreateXMLObject("Headr");
    std::string last;
    if (o.toDate != 0) {
        const DateParts d = decodeDate(o.toDate);
        last = twoDigits(d.day) + "." + twoDigits(d.month) + "." + std::to_string(d.year);
    }
    headr->AddNewXMLField("LastDate", std::string_view(last));
    TXMLObject* teacher = root->CreateXMLObject("Teacher");
    teacher->AddNewXMLAtr("Name", std::string_view(fio.BigName()));
    TXMLObject* group = nullptr;
    const TGryp* current = nullptr;
    for (const reports::TAccountRow& r : table.rows) {
        if (r.gryp != current || group == nullptr) {
            current = r.gryp;
            group = teacher->CreateXMLObject("Group");
            group->AddNewXMLAtr("Name",
                                std::string_view(current != nullptr ? current->Name() : ""));
        }
        TXMLObject* lesson = group->CreateXMLObject("Lesson");
        const TYrName* name = r.predmet != nullptr ? r.predmet->YrName() : nullptr;
        lesson->AddNewXMLAtr("Name", std::string_view(name != nullptr ? name->Name() : ""));
        lesson->AddNewXMLAtr("Substitution", r.substitution);
        const auto cell = [&](int semm, int k) {
            return r
                .cells[static_cast<std::size_t>(kFirstSemester + (semm - 1) * kSemesterColumns + k)]
                .value;
        };
        figures(*lesson, "Semester1", cell(1, kPlanAll), cell(1, kPlanTeacher),
                cell(1, kDelivered));
        figures(*lesson, "Semester2", cell(2, kPlanAll), cell(2, kPlanTeacher),
                cell(2, kDelivered));
        figures(*lesson, "Year", cell(1, kPlanAll) + cell(2, kPlanAll), r.cells[kYearPlan].value,
                r.cells[kYearPlan + 1].value);
    }
}

bool SaveTeacherHoursXml(const std::filesystem::path& file, const TAllRasp& year, const TFio& fio,
                         const reports::TAccountOptions& o, TMyDialog& dialog, std::string& message,
                         FileSystem& fs) {
    message.clear();
    if (fs.exists(file) &&
        !dialog.MessageDlg("Файл существует. Заменить? \r\n" + file.string(), "Подтверждение"))
        return false;
    TXMLCreater doc;
    BuildTeacherHoursXml(doc, year, fio, o);
    if (doc.SaveToFile(file, fs)) return true;
    message = CannotCreateMessage(file, doc.LastError());
    return false;
}

}  // namespace zavlin::exporting
