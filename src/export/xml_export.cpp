#include "export/xml_export.h"

#include <fmt/format.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "base/text.h"
#include "export/timetable_xml.h"
#include "export/xml_encoding.h"
#include "model/year.h"
#include "settings/settings_file.h"
#include "storage/name_helpers.h"
#include "storage/year_database.h"

extern char** environ;

namespace zavlin::exporting {

namespace fs = std::filesystem;

namespace {

const char* const kUser = "User";

void store(bool) {
    // A setting that could not be saved is reported by the settings file
    // itself; the export goes on.
}

void report(const TStatusSink& status, const std::string& text) {
    if (status) status(text);
}

}  // namespace

TUserSettings ReadUserSettings(TFileIni& ini) {
    TUserSettings s;
    s.Name = ini.ReadString(kUser, "Name");
    s.Coding = ini.ReadInteger(kUser, "Coding", 0) == 1 ? 1 : 0;
    s.EMailWeb = ini.ReadString(kUser, "EMailWeb");
    s.Path = ini.ReadString(kUser, "Path");
    s.FileName = ini.ReadString(kUser, "FileName");
    s.SendCopy = ini.ReadBool(kUser, "SendCopy", false);
    return s;
}

TAuthorParts AuthorParts(const std::string& stored) {
    if (trim(stored).empty()) return {"NoName", {}, {}};
    return {NameFirst(stored), NameSecond(stored), NameThree(stored)};
}

std::string ComposeAuthor(TExportAuthor& a) {
    return SetNameFill(a.surname, a.givenName, a.patronymic);
}

std::string CannotCreateMessage(const fs::path& file, const std::string& why) {
    return "Невозможно создать файл : " + file.string() + (why.empty() ? "" : "\n" + why);
}

std::string ProgramFileName() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("zavlin") : self.filename().string();
}

fs::path TempFolder(const fs::path& home) {
    return home / "temp";
}

std::string WebFileName(int year, int ne) {
    return fmt::format("rs{}{:02}.xml", year, ne);
}

void BuildZavlinXml(TXMLCreater& doc, const TAllRasp& year, const std::string& author,
                    const std::string& progName) {
    TXMLObject* root = doc.CreateMainXMLObject("YhZav");
    root->AddNewXMLField("ProgName", progName);
    root->AddNewXMLField("UserName", author);
    root->AddNewXMLField("ProgVers", asInt(TDB::VersProg));
    root->AddNewXMLField("VersFile", asInt(1));
    root->AddNewXMLField("Year", asInt(year.YGod));
    const std::vector<int> active = ActiveWeeks(&year.AllNed);
    if (active.empty()) return;

    TXmlNameLists lists;
    TXMLObject* ldned = root->CreateXMLObject("LDNed");
    for (const int ne : active) {
        const TDNed* dn = year.AllNed.DNed(ne);
        TXMLObject* week = ldned->CreateXMLObject("DNed");
        DNedFieldToXML(*dn, *week);
        TXMLObject* lgryp = nullptr;
        for (const auto& gr : year.LGryp) {
            const TNed* ned = gr->GetNed(ne);
            const TENed* en = gr->GetENed(ne);
            if (ned == nullptr && en == nullptr) continue;
            if (lgryp == nullptr) lgryp = week->CreateXMLObject("LGryp");
            TXMLObject* g = lgryp->CreateXMLObject("Gryp");
            g->AddNewXMLAtr("I", asInt(lists.Gryp(gr.get())));
            if (ned != nullptr) NedFieldToXML(*ned, *g->CreateXMLObject("Ne"), lists);
            if (en != nullptr) ENedFieldToXML(*en, *g->CreateXMLObject("En"), lists);
        }
        const auto& unions = year.LOb[static_cast<std::size_t>(ne)];
        if (!unions.empty()) {
            TXMLObject* lob = week->CreateXMLObject("LOb");
            for (const auto& ob : unions) ObFieldToXML(*ob, *lob, lists);
        }
    }

    // The lists are complete only now; each is moved before "LDNed" so that
    // the lists come first in their order and "LDNed" stays last.
    auto placeList = [&](const char* listName, const char* itemName, const auto& list,
                         const auto& extra) {
        if (list.Count() == 0) return;
        TXMLObject* l = root->CreateXMLObject(listName);
        for (int i = 0; i < list.Count(); ++i) {
            TXMLObject* item = l->CreateXMLObject(itemName);
            item->AddNewXMLAtr("I", asInt(i + 1));
            item->AddNewXMLAtr("Name", list.names[static_cast<std::size_t>(i)]);
            extra(i, *item);
        }
        (void)root->ExchangeXMLObject(ldned, l);
    };
    auto none = [](int, TXMLObject&) {};
    placeList("LPredmetName", "PredmetName", lists.vLp, none);
    placeList("LFioName", "Fio", lists.vLf, none);
    placeList("LDomName", "DomName", lists.vLd, none);
    placeList("LAydName", "AydName", lists.vLa, [&](int i, TXMLObject& item) {
        const TAyd* ayd = lists.vLa.objects[static_cast<std::size_t>(i)];
        const int dom = ayd->Dom() != nullptr ? lists.vLd.Find(ayd->Dom()->Name()) : 0;
        item.AddNewXMLAtr("Dom_I", asInt(dom > 0 ? dom : 1));
    });
    placeList("L\xD0\x90trName", "AtrName", lists.vLt, none);  // Cyrillic А
    placeList("LGrypName", "GrypName", lists.vLg, [&](int i, TXMLObject& item) {
        PredmetToXML(*lists.vLg.objects[static_cast<std::size_t>(i)], item, lists);
    });
}

void BuildWebXml(TXMLCreater& doc, const TAllRasp& year, int ne, bool denominator, bool vCanZamena,
                 bool vCanDp) {
    TXMLObject* root = doc.CreateMainXMLObject("YhZav");
    root->AddNewXMLField("Year", asInt(year.YGod));
    root->AddNewXMLField("Week", asInt(ne));
    root->AddNewXMLField("Numerator", asInt(denominator ? 1 : 0));
    const TDNed* dn = year.AllNed.DNed(ne);
    if (dn != nullptr && !dn->Dop())
        root->AddNewXMLFieldDate("Monday", static_cast<TDateTime>(dn->Dt));
    root->AddNewXMLField("Work", dn != nullptr ? dn->GetShortStrDateNed() : std::string());
    TXMLObject* list = root->CreateXMLObject("ListGroup");
    for (const auto& gr : year.LGryp) {
        TXMLObject* g = list->CreateXMLObject("Group");
        g->AddNewXMLAtr("Name", gr->Name());
        if (const TNed* ned = gr->GetNed(ne))
            NedFieldToXMLForEMail(*ned, *g->CreateXMLObject("Timetable"), vCanDp, vCanZamena);
    }
}

int RunProcess(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int wstatus = 0;
    pid_t waited = 0;
    do waited = waitpid(pid, &wstatus, 0);
    while (waited == -1 && errno == EINTR);
    if (waited != pid) return -1;
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

bool PlainEmailAddress(std::string_view address) {
    if (address.empty() || address.front() == '-') return false;
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7F || c == '?' || c == '&' || c == ',' || c == ';') return false;
    }
    return true;
}

// xdg-email knows no "--": an address that looked like an option would be
// taken for one, so only plain addresses get this far.
bool TXdgMailer::Send(const std::string& address, const std::string& subject,
                      const fs::path& file) {
    if (!PlainEmailAddress(address)) return false;
    return FRunner({"xdg-email", "--subject", subject, "--attach", file.string(), address}) == 0;
}

bool TRecordingMailer::Send(const std::string& address, const std::string& subject,
                            const fs::path& file) {
    messages.push_back({address, subject, file});
    return accept;
}

namespace {

bool prepareTemp(const fs::path& home, fs::path& folder, std::string& message) {
    folder = TempFolder(home);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        message = "Папка недоступна : " + folder.string();
        return false;
    }
    return true;
}

}  // namespace

TExportResult RunXmlFileExport(const TAllRasp& year, TFileIni& ini, const fs::path& home,
                               TXmlExportJob& job, const TStatusSink& status) {
    TExportResult result;
    const std::string author = ComposeAuthor(job.author);
    if (author.empty()) {
        result.message = "Введите вашу фамилию и инициалы";
        return result;
    }
    const int coding = job.coding == 1 ? 1 : 0;
    store(ini.WriteString(kUser, "Name", author));
    store(ini.WriteInteger(kUser, "Coding", coding));
    report(status, "Формирование файла XML.");
    TXMLCreater doc;
    doc.SetEncoding(kEncodings[coding]);
    BuildZavlinXml(doc, year, author, job.progName.empty() ? ProgramFileName() : job.progName);
    report(status, "Файл XML сформирован.");
    fs::path folder;
    if (!prepareTemp(home, folder, result.message)) return result;
    const fs::path file = folder / "Zavlin.xml";
    if (!doc.SaveToFile(file)) {
        result.message = CannotCreateMessage(file, doc.LastError());
        return result;
    }
    report(status, "Файл:" + file.string());
    result.ok = true;
    result.files.push_back(file);
    result.message = "Экспорт расписания успешно завершён. Файл: " + file.string();
    return result;
}

namespace {

// Whether two paths name the same file, the letter case aside.
bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path na = fs::absolute(a, ec).lexically_normal();
    const fs::path nb = fs::absolute(b, ec).lexically_normal();
    return lowerAscii(na.string()) == lowerAscii(nb.string());
}

}  // namespace

TExportResult RunWebFileExport(const TAllRasp& year, TFileIni& ini, const fs::path& home,
                               TWebExportJob& job, TMailer& mailer, const TStatusSink& status,
                               FileSystem& files) {
    TExportResult result;
    const std::string author = ComposeAuthor(job.author);
    if (author.empty()) {
        result.message = "Введите вашу фамилию и инициалы";
        return result;
    }
    const int coding = job.coding == 1 ? 1 : 0;
    store(ini.WriteString(kUser, "Name", author));
    store(ini.WriteInteger(kUser, "Coding", coding));
    const int active = year.AllNed.CountActivDNed();
    if (job.mail) {
        job.email = trim(job.email);
        if (job.email.empty()) {
            result.message = "Введите EMail для WEB";
            return result;
        }
        if (!PlainEmailAddress(job.email)) {
            result.message = "Неверный EMail для WEB: " + job.email +
                             "\nНужен один адрес без пробелов, без знаков ? & , ; и не с \"-\".";
            return result;
        }
        store(ini.WriteString(kUser, "EMailWeb", job.email));
        if (active > 1) {
            result.message =
                "При включённой опции \"Открыть Outlook Express\" можно отправлять только одну "
                "неделю";
            return result;
        }
    }
    if (job.copy) {
        store(ini.WriteString(kUser, "Path", job.folder));
        store(ini.WriteString(kUser, "FileName", job.fileName));
        if (active > 1) {
            result.message =
                "При включённой опции \"Копировать в папку\" можно отправлять только одну неделю";
            return result;
        }
    }
    report(status, "Формирование файла XML.");
    fs::path folder;
    if (!prepareTemp(home, folder, result.message)) return result;
    bool mailed = false;
    for (const int ne : ActiveWeeks(&year.AllNed)) {
        TXMLCreater doc;
        doc.SetEncoding(kEncodings[coding]);
        BuildWebXml(doc, year, ne, job.denominator, job.withZamena, job.withDp);
        const fs::path file = folder / WebFileName(year.YGod, ne);
        if (!doc.SaveToFile(file)) {
            result.message = CannotCreateMessage(file, doc.LastError());
            return result;
        }
        result.files.push_back(file);
        report(status, "Файл:" + file.string());
        if (job.mail && mailer.Send(job.email, fmt::format("Week{}", ne), file)) {
            mailed = true;
            result.message =
                "Файл успешно отправлен( или успешно поставлен в очередь на отправление).";
        }
    }
    if (job.copy && !result.files.empty()) {
        const fs::path target = fs::path(job.folder) / job.fileName;
        const std::string targetText =
            job.folder + (job.folder.empty() || job.folder.back() == '/' ? "" : "/") + job.fileName;
        std::error_code ec;
        if (sameFile(target, result.files.back())) {
            result.message = "Нельзя копировать в себя";
            return result;
        }
        if (job.folder.empty() || !fs::is_directory(job.folder, ec)) {
            result.message = "Папка недоступна : " + job.folder;
            return result;
        }
        if (job.fileName.empty() || fs::is_directory(target, ec)) {
            result.message = CannotCreateMessage(targetText);
            return result;
        }
        // Written aside and renamed over: a copy that fails midway leaves the
        // previous copy whole.
        std::string bytes;
        if (!ReadWholeFile(files, result.files.back(), bytes) ||
            !replaceFileWhole(files, target, reinterpret_cast<const uint8_t*>(bytes.data()),
                              bytes.size(), true)) {
            result.message = "Ошибка копирования в файл: " + targetText;
            return result;
        }
        result.files = {target};
    }
    report(status, "Конец экспорта");
    result.ok = true;
    if (!job.mail) {
        std::string list;
        for (const fs::path& f : result.files) list += "\r\n" + f.string();
        result.message = "Экспорт расписания успешно завершён. Файлы: " + list;
    } else if (!mailed) {
        // The client refused: no message, the file stays in "temp".
        result.message.clear();
    }
    return result;
}

bool ReadWholeFile(FileSystem& files, const fs::path& path, std::string& bytes) {
    auto file = files.open(path, OpenMode::ReadOnly);
    if (!file) return false;
    const int64_t size = file->size();
    if (size < 0) return false;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    return size == 0 || file->readAt(0, bytes.data(), bytes.size());
}

}  // namespace zavlin::exporting
