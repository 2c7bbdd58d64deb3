#include "shell/shell.h"

#include <exception>
#include <system_error>

#include "base/datetime.h"
#include "model/attribute.h"
#include "model/god.h"
#include "shell/backup.h"
#include "storage/year_database.h"

#ifndef ZAVLIN_VERSION
#define ZAVLIN_VERSION "n/a"
#endif

namespace zavlin::shell {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = "Program";
constexpr const char* kEnd = "End";

// Sends the core's progress texts to the view while an operation runs.
class ViewProgress : public TProgressObserver {
public:
    ViewProgress(TDM1& dm, TShellView& view)
        : dm_(dm), view_(view), old_(dm.Hooks.ProgressObserver) {
        dm_.Hooks.ProgressObserver = this;
    }
    ~ViewProgress() override { dm_.Hooks.ProgressObserver = old_; }
    ViewProgress(const ViewProgress&) = delete;
    ViewProgress& operator=(const ViewProgress&) = delete;
    void StydImageShowBar(const std::string& text) override { view_.StatusText(text); }

private:
    TDM1& dm_;
    TShellView& view_;
    TProgressObserver* old_;
};

// Counts the messages the core shows while it lives, passing each on, so
// that a failure the core already explained is not explained twice.
class MessageCounter {
public:
    explicit MessageCounter(TCoreHooks& hooks) : hooks_(hooks) {
        old_ = hooks_.SetMessageRoute([this](const std::string& text) {
            ++count;
            if (old_)
                old_(text);
            else
                hooks_.Dialog().MessageShow(text);
        });
    }
    ~MessageCounter() { (void)hooks_.SetMessageRoute(std::move(old_)); }
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;
    int count = 0;

private:
    TCoreHooks& hooks_;
    TCoreHooks::MessageRoute old_;
};

std::string yearText(int year) {
    TRecordGod rec;
    rec.yGod = static_cast<uint16_t>(year);
    return rec.Name();
}

}  // namespace

std::string ApplicationVersion() {
    return ZAVLIN_VERSION;
}

struct TShell::Impl {
    Impl(const fs::path& home, TMyDialog& dialog, FileSystem& fs)
        : dm(home, dialog, fs), dialog(dialog), fs(fs) {}

    TDM1 dm;
    TMyDialog& dialog;
    FileSystem& fs;
    std::unique_ptr<TAllGod> allGod;
    bool locked = false;

    void message(const std::string& text) { dm.Hooks.Message(text); }
    // False, with the holder said, when another program holds the database.
    bool held(const TDatabaseLock& guard) {
        if (!guard.Held()) message(guard.Message());
        return guard.Held();
    }

    // The tables that do not open, for a message that names them.
    std::string unreadableTables() {
        std::string names;
        for (const std::string& name : dm.DB.ListReIndex) {
            dm.AT2.SetTableName(name);
            bool opened = false;
            try {
                opened = dm.AT2.Open();
            } catch (const std::exception&) {
                opened = false;
            }
            dm.AT2.Close();
            if (!opened) names += (names.empty() ? "" : ", ") + name;
        }
        return names;
    }

    // Makes the year at index the active one; week 1 becomes active when no
    // week is. A year that did not read whole is let go again, so that no
    // window saves half a year over the stored one.
    bool activate(int index, const MessageCounter& counter) {
        if (allGod->SetActivGod(index)) {
            if (TGod* god = allGod->God()) (void)god->AllNed.PreselectActiv();
            return true;
        }
        const std::string name = allGod->RecordGod(index)->Name();
        if (TRecordGod* rec = allGod->ActivRecGod) rec->FGod.reset();
        allGod->ActivRecGod = nullptr;
        (void)dm.FGodini.WriteInteger("God", "ActivGod", 0);
        if (counter.count == 0) {
            const std::string tables = unreadableTables();
            message("Ошибка чтения данных учебного года " + name +
                    (tables.empty() ? std::string() : ". Таблицы: " + tables));
        }
        return false;
    }

    // The year list, the lesson times and the active year. False (with a
    // message) when the list or the active year could not be read; no year
    // list is kept then.
    bool loadYears(TShellView& view) {
        allGod.reset();
        // The default Saturday setting is written here: the list below is
        // read under a shared hold, which writes nothing.
        if (dm.FGodini.ReadInteger("God", "RunSubb", 0) == 0)
            (void)dm.FGodini.WriteInteger("God", "RunSubb", 2);
        auto all = std::make_unique<TAllGod>(dm);
        ViewProgress progress(dm, view);
        MessageCounter counter(dm.Hooks);
        const TDatabaseLock guard(dm, LockKind::Shared);
        if (!held(guard)) return false;
        if (!all->ReadListGod()) {
            if (counter.count == 0)
                message("Ошибка чтения списка учебных годов " + dm.TablePath("YmGod.b0").string());
            return false;
        }
        const int active = all->GetIndexGod(dm.FGodini.ReadInteger("God", "ActivGod", 0));
        all->LoadTimeYrok();
        allGod = std::move(all);
        // A table of the year that cannot be read: the database needs
        // repair or a restore, not work on what could be read.
        if (active >= 0 && !activate(active, counter)) {
            allGod.reset();
            return false;
        }
        return true;
    }

    bool load(int index, TShellView& view) {
        ViewProgress progress(dm, view);
        MessageCounter counter(dm.Hooks);
        const TDatabaseLock guard(dm, LockKind::Shared);
        if (!held(guard)) return false;
        return activate(index, counter);
    }
};

TShell::TShell(const fs::path& home, TMyDialog& dialog, FileSystem& fs)
    : impl_(std::make_unique<Impl>(home, dialog, fs)) {}

TShell::~TShell() = default;

TDM1& TShell::DM() {
    return impl_->dm;
}

TAllGod* TShell::AllGod() {
    return impl_->allGod.get();
}

TGod* TShell::God() {
    return impl_->allGod ? impl_->allGod->God() : nullptr;
}

TStartOutcome TShell::Start(TShellView& view) {
    badstart_ = false;
    FClickExitUser = false;
    impl_->locked = false;
    impl_->allGod.reset();
    TDM1& dm = impl_->dm;
    auto lock = [&] {
        impl_->locked = true;
        return TStartOutcome::Locked;
    };
    try {
        // A restore cut short by a crash is finished or undone before any
        // table is opened, so the start-up never sees half of two databases.
        std::string settled;
        const bool restoreSettled = FinishInterruptedRestore(dm.DB.PathR, impl_->fs, settled);
        if (!settled.empty()) {
            if (!restoreSettled) view.HideSplash();
            impl_->message(settled);
        }
        if (!restoreSettled) return lock();
        std::error_code ec;
        if (!fs::is_directory(dm.DB.PathF, ec)) {
            view.HideSplash();
            impl_->message("Отсутствует папка базы данных " + dm.DB.PathF);
            return lock();
        }
        if (dm.FIni1.ReadDate("VersProgram", "DateIns") == 0)
            (void)dm.FIni1.WriteDate("VersProgram", "DateIns", nowLocal());

        (void)dm.FGodini.WriteString("Database", "VersApplication", ApplicationVersion());
        {
            ViewProgress progress(dm, view);
            const TDatabaseLock guard(dm, LockKind::Exclusive);
            if (!guard.Held()) {
                view.HideSplash();
                impl_->message(guard.Message());
                return lock();
            }
            const int stored = dm.StoredVersion();
            const TUpgradeResult upgraded = dm.UpgradeDatabase();
            if (upgraded != TUpgradeResult::Ok) {
                view.HideSplash();
                impl_->message(upgradeFailureText(upgraded, stored));
                if (upgraded == TUpgradeResult::Vers2Failed ||
                    upgraded == TUpgradeResult::Vers3Failed) {
                    impl_->locked = true;
                    return TStartOutcome::Terminate;
                }
                return lock();
            }
            // The previous run did not close: its tables may be half written.
            // Each table that fails has shown its own message.
            if (dm.FIni1.ReadString(kProgram, kEnd) != "OK" && !dm.ReindexFiles()) {
                view.HideSplash();
                return lock();
            }
        }
        if (!dm.FIni1.WriteString(kProgram, kEnd, "Start")) {
            // Without the marker a crash of this run would go unnoticed.
            view.HideSplash();
            impl_->message("Ошибка записи " + dm.FIni1.FullFileName().string());
            return lock();
        }

        if (!impl_->loadYears(view)) {
            view.HideSplash();
            return lock();
        }
    } catch (const std::exception& e) {
        impl_->allGod.reset();
        view.HideSplash();
        impl_->message(std::string("Ошибка запуска: ") + e.what());
        return lock();
    }
    view.HideSplash();
    badstart_ = true;
    return TStartOutcome::Running;
}

TMenuState TShell::MenuVid() const {
    TMenuState state;
    if (impl_->locked && !badstart_) {
        state.godMenu = false;
        state.backupCopy = false;
        state.locked = true;
        return state;
    }
    const bool active = impl_->allGod && impl_->allGod->God() != nullptr;
    state.deleteYear = active;
    state.yearMenus = active;
    state.toolPanel = active;
    state.weekList = active;
    state.plusMinus = active;
    return state;
}

std::vector<TShell::TYearItem> TShell::YearItems() const {
    std::vector<TYearItem> items;
    if (!impl_->allGod) return items;
    for (const auto& rec : impl_->allGod->SL) items.push_back({rec->Name(), rec->yGod});
    return items;
}

int TShell::ActiveYearIndex() const {
    if (!impl_->allGod || impl_->allGod->God() == nullptr) return -1;
    return impl_->allGod->ActivIndx();
}

bool TShell::ChooseYear(int index, TShellView& view) {
    if (!impl_->allGod || impl_->allGod->RecordGod(index) == nullptr) return false;
    try {
        return impl_->load(index, view);
    } catch (const std::exception& e) {
        impl_->message(std::string("Ошибка чтения учебного года: ") + e.what());
        return false;
    }
}

std::vector<std::string> TShell::WeekTexts() const {
    std::vector<std::string> texts;
    const TGod* god = impl_->allGod ? impl_->allGod->God() : nullptr;
    if (god == nullptr) return texts;
    for (auto& line : god->AllNed.DateGodToListBoxN()) texts.push_back(std::move(line.first));
    return texts;
}

std::array<bool, kWeekItems> TShell::ActiveWeeks() const {
    std::array<bool, kWeekItems> weeks{};
    const TGod* god = impl_->allGod ? impl_->allGod->God() : nullptr;
    if (god == nullptr) return weeks;
    for (int i = 0; i < kWeekItems; ++i)
        weeks[static_cast<std::size_t>(i)] = god->AllNed.LNed[static_cast<std::size_t>(i)].Activ;
    return weeks;
}

bool TShell::SetActiveWeeks(const std::array<bool, kWeekItems>& weeks, bool write) {
    TGod* god = God();
    if (god == nullptr) return false;
    std::vector<int> active;
    for (int i = 0; i < kWeekItems; ++i)
        if (weeks[static_cast<std::size_t>(i)]) active.push_back(i + 1);
    god->AllNed.SetActivWeeks(active);
    // An empty selection is never stored: the flags on disk stay usable.
    if (!write || active.empty()) return true;
    if (god->AllNed.SaveDataGod()) return true;
    impl_->message("Ошибка записи " + impl_->dm.FGodini.FullFileName().string());
    return false;
}

void TShell::EnsureActiveWeek() {
    if (TGod* god = God()) (void)god->AllNed.PreselectActiv();
}

TMenuFacts TShell::Facts() const {
    TMenuFacts facts;
    const TGod* god = impl_->allGod ? impl_->allGod->God() : nullptr;
    if (god == nullptr) return facts;
    facts.yearActive = true;
    facts.activeWeeks = god->AllNed.CountActivDNed();
    facts.activeRealWeeks = god->AllNed.CountActivDNedNoDop();
    facts.activeExtraWeeks = god->AllNed.CountActivDNedOnlyDop();
    facts.groups = god->CountGryp();
    facts.teachers = god->CountFio();
    facts.subjects = god->CountYrName();
    facts.rooms = god->CountAyd();
    const std::size_t atr = god->Atribyt.LAtr.size();
    facts.attributes = atr > TAtribyt::kBuiltIn ? static_cast<int>(atr - TAtribyt::kBuiltIn) : 0;
    return facts;
}

TNewYearResult TShell::NewYear(int year, TShellView& view) {
    TAllGod* allGod = impl_->allGod.get();
    if (allGod == nullptr) return TNewYearResult::Failed;
    if (!allGod->TestNewGod(year)) {
        impl_->message(std::to_string(year) + "- Год уже существует!");
        return TNewYearResult::Exists;
    }
    TDM1& dm = impl_->dm;
    try {
        ViewProgress progress(dm, view);
        MessageCounter counter(dm.Hooks);
        const TDatabaseLock guard(dm, LockKind::Exclusive);
        if (!impl_->held(guard)) return TNewYearResult::Failed;
        const int prior = allGod->TestPriorGod(year);
        const int priorYear = prior >= 0 ? allGod->RecordGod(prior)->yGod : 0;
        const int added = allGod->AddGod(year);
        if (added < 0) {
            if (counter.count == 0) impl_->message("Ошибка записи учебного года " + yearText(year));
            return TNewYearResult::Failed;
        }
        bool ok = true;
        if (priorYear != 0) {
            ok = allGod->AssignGod(allGod->GetIndexGod(priorYear), added);
            if (!ok && counter.count == 0)
                impl_->message("Ошибка копирования данных учебного года " + yearText(priorYear) +
                               " в " + yearText(year));
        }
        ok = impl_->activate(allGod->GetIndexGod(year), counter) && ok;
        return ok ? TNewYearResult::Created : TNewYearResult::Failed;
    } catch (const std::exception& e) {
        impl_->message(std::string("Ошибка создания учебного года: ") + e.what());
        return TNewYearResult::Failed;
    }
}

bool TShell::DeleteActiveYear(TShellView& view, const std::function<bool()>& backup) {
    TAllGod* allGod = impl_->allGod.get();
    if (allGod == nullptr || allGod->God() == nullptr) return false;
    TMyDialog& dialog = impl_->dialog;
    if (!dialog.MessageDlg(
            "Удалив учебный год вы лишаетесь всех данных этого года(фамилии, предметы..)."
            "Продолжить?",
            "Предупреждение"))
        return false;
    const int index = allGod->ActivIndx();
    const int year = allGod->RecordGod(index)->yGod;
    if (!dialog.MessageInfDlg("Удалить  год? (" + yearText(year) + ")")) return false;
    // Without a kept backup the restore the closing message points to
    // would bring back nothing.
    if (!backup || !backup()) {
        impl_->message("Резервная копия не создана. Учебный год не удалён.");
        return false;
    }
    TDM1& dm = impl_->dm;
    bool ok = false;
    try {
        ViewProgress progress(dm, view);
        const TDatabaseLock guard(dm, LockKind::Exclusive);
        if (!impl_->held(guard)) return false;
        {
            MessageCounter counter(dm.Hooks);
            ok = allGod->DelGod(index);
            if (!ok && counter.count == 0)
                impl_->message("Ошибка удаления учебного года " + yearText(year));
        }
        ok = dm.ReindexFiles() && ok;
    } catch (const std::exception& e) {
        impl_->message(std::string("Ошибка удаления учебного года: ") + e.what());
        ok = false;
    }
    impl_->message("Если удаление ошибочно то воспользуйтесь Резервным востановлением.");
    impl_->message("Выберите(выделите)или введите новый активный учебный год.");
    return ok;
}

void TShell::Close(bool userClose, const std::function<bool()>& backupDue,
                   const std::function<void()>& runBackup, const std::function<void()>& hideMenus) {
    if (userClose) FClickExitUser = true;
    TDM1& dm = impl_->dm;
    if (badstart_ && impl_->allGod) {
        const TGod* god = impl_->allGod->God();
        (void)dm.FGodini.WriteInteger("God", "ActivGod", god != nullptr ? god->YGod : 0);
        impl_->allGod.reset();
        if (hideMenus) hideMenus();
        if (FClickExitUser && backupDue && backupDue() && runBackup) runBackup();
    }
    if (badstart_) {
        (void)dm.FIni1.WriteString(kProgram, kEnd, "OK");
        (void)dm.FGodini.WriteInteger("Database", "Vers", TDB::VersDataBase);
    }
    FClickExitUser = false;
}

}  // namespace zavlin::shell
