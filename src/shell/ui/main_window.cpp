#include "shell/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <array>

#include "model/god.h"
#include "shell/menu.h"
#include "shell/ui/backup_window.h"
#include "shell/ui/list_box_numer.h"
#include "shell/ui/new_year_dialog.h"
#include "shell/ui/splash.h"

#ifndef ZAVLIN_VERSION
#define ZAVLIN_VERSION "n/a"
#endif
#ifndef ZAVLIN_BUILD_DATE
#define ZAVLIN_BUILD_DATE ""
#endif

namespace zavlin::shell::ui {

namespace {

const char* const kUntrustedYearText =
    "Учебный год не удалось заново прочитать после прерванной работы: изменения в памяти не "
    "сохраняются. Выберите учебный год в списке «Учебный год».";

// The tool panel in its order, with the short text each button shows.
struct SpeedButtonFace {
    const char* name;
    const char* text;
    const char* hint;  // used when the menu gives none
};
constexpr std::array<SpeedButtonFace, 17> kSpeedButtons = {{
    {"SpeedButton12", "Группы", "Группы"},
    {"SpeedButton13", "Преподав.", "Преподаватели"},
    {"SpeedButton14", "Предметы", "Предметы"},
    {"SpeedButton15", "Аудитории", "Аудитории"},
    {"SpeedButton4", "График", "График  учебы"},
    {"SpeedButton1", "Нагрузка", "Предметы, нагрузка по неделям"},
    {"SpeedButton5", "Преп./предм.", "Преподаватели по предмету"},
    {"SpeedButton6", "Объединения", "Объединения"},
    {"SpeedButton8", "Ограничения", "Ограничения преподавателей"},
    {"SpeedButton11", "Раб. дни", "Желательное количество рабочих дней"},
    {"SpeedButton16", "Приоритет", "Приоретет преподавателей"},
    {"SpeedButton7", "Установки", "Предварительные установки"},
    {"SpeedButton2", "Редактор", "Редактор расписания"},
    {"SpeedButton10", "Вне расп.", "Добавление вне расписания по выбранной фамилии"},
    {"SpeedButton17", "Экзамены", ""},
    {"SpeedButton9", "Диспетчер", "Диспетчер аудиторий"},
    {"SpeedButton3", "Справка", "Справка"},
}};

// The menus a locked shell hides, and those without an active year disabled.
constexpr std::array<const char*, 3> kYearMenus = {"&Расписание", "&Замены", "&Вычитка"};
constexpr const char* kExportMenu = "Экспорт данных";

std::string withoutAmpersands(const std::string& caption) {
    std::string out;
    for (char c : caption)
        if (c != '&') out += c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

// Called on the worker running a shell operation: the texts become queued
// signals of the window.
class TForm1::View : public TShellView {
public:
    explicit View(TForm1& w) : w_(w) {}
    void StatusText(const std::string& text) override {
        emit w_.statusText(QString::fromStdString(text));
    }
    void HideSplash() override { emit w_.splashHidden(); }

private:
    TForm1& w_;
};

TForm1::TForm1(const std::filesystem::path& home, TMyDialog& dialog, QWidget* parent)
    : QMainWindow(parent),
      home_(home),
      dialog_(dialog),
      view_(std::make_unique<View>(*this)),
      shell_(std::make_unique<TShell>(home, dialog_)),
      copyBaza_(std::make_unique<TCopyFileBaza>(home, dialog_)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Завлин 98"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    currentYear = [] { return QDate::currentDate().year(); };
    helpOpener = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    copyBaza_->ListFile = {(home_ / "Database").string() + "/*.*"};
    context_ = std::make_unique<TWindowContext>(TWindowContext{*shell_, dialog_, this, {}, {}, {}, false, {}});
    // The help pages are per subject, not per topic number: every topic
    // opens the menu page, where each window has its section.
    context_->help = [this](int) { openHelp(QStringLiteral("menu.html")); };
    context_->weeksChanged = [this] { fillWeeks(); };
    context_->openWindow = [this](const std::string& window) {
        for (const TWindowOpener& opener : windowOpeners)
            if (opener && opener(window, *context_)) return true;
        return false;
    };

    auto* central = new QWidget(this);
    setCentralWidget(central);
    Panel1_ = new QWidget(central);
    Panel1_->setObjectName(QStringLiteral("Panel1"));
    buildToolPanel(Panel1_);

    ListBoxN1_ = new TListBoxNumer(central);
    ListBoxN1_->setObjectName(QStringLiteral("ListBoxN1"));
    ListBoxN1_->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBoxN1_->setFixedWidth(170);

    weekPane_ = new QWidget(central);
    weekPane_->setObjectName(QStringLiteral("WeekPane"));
    ListBoxN3_ = new TListBoxNumer(weekPane_);
    ListBoxN3_->setObjectName(QStringLiteral("ListBoxN3"));
    ListBoxN3_->setSelectionMode(QAbstractItemView::MultiSelection);
    ListBoxN3_->setMinimumSize(340, 360);
    ListBoxN3_->installEventFilter(this);
    count_ = new QLabel(QStringLiteral("0"), weekPane_);
    count_->setObjectName(QStringLiteral("LabelCount"));
    count_->setMinimumWidth(30);
    plus_ = new QToolButton(weekPane_);
    plus_->setObjectName(QStringLiteral("PlusButton"));
    plus_->setText(QStringLiteral("+"));
    minus_ = new QToolButton(weekPane_);
    minus_->setObjectName(QStringLiteral("MinusButton"));
    minus_->setText(QStringLiteral("-"));

    auto* weekHead = new QHBoxLayout;
    weekHead->addWidget(new QLabel(QStringLiteral("Активные недели"), weekPane_));
    weekHead->addStretch();
    weekHead->addWidget(new QLabel(QStringLiteral("Всего"), weekPane_));
    weekHead->addWidget(count_);
    weekHead->addWidget(plus_);
    weekHead->addWidget(minus_);
    auto* weekBox = new QVBoxLayout(weekPane_);
    weekBox->setContentsMargins(0, 0, 0, 0);
    weekBox->addLayout(weekHead);
    weekBox->addWidget(ListBoxN3_);

    auto* yearBox = new QVBoxLayout;
    yearBox->addWidget(new QLabel(QStringLiteral("Учебный год"), central));
    yearBox->addWidget(ListBoxN1_);
    auto* lists = new QHBoxLayout;
    lists->addLayout(yearBox);
    lists->addWidget(weekPane_, 1);

    version_ = new QLabel(central);
    version_->setObjectName(QStringLiteral("LabelVersion"));
    version_->setText(QStringLiteral("Версия  Linux ") + QStringLiteral(ZAVLIN_VERSION) +
                      QStringLiteral(" - ") + QStringLiteral(ZAVLIN_BUILD_DATE));

    auto* all = new QVBoxLayout(central);
    all->addWidget(Panel1_);
    all->addLayout(lists, 1);
    all->addWidget(version_);

    buildMenu();

    loadWindow_ = new QDialog(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    loadWindow_->setObjectName(QStringLiteral("LoadWindow"));
    loadWindow_->setWindowTitle(QStringLiteral("Чтение данных учебного года"));
    loadWindow_->setWindowModality(Qt::ApplicationModal);
    loadStatus_ = new QLabel(QStringLiteral("Чтение данных учебного года"), loadWindow_);
    loadStatus_->setObjectName(QStringLiteral("LoadStatus"));
    loadStatus_->setMinimumWidth(320);
    (new QVBoxLayout(loadWindow_))->addWidget(loadStatus_);

    backupWindow_ = new TCopyFileBazaWindow(*copyBaza_, this);
    newYearWindow_ = new TForm1_1(this);

    connect(ListBoxN1_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { chooseYear(ListBoxN1_->row(item)); });
    connect(ListBoxN3_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!fillingWeeks_ && !busy_) weeksFromList(true);
    });
    connect(plus_, &QToolButton::clicked, this, [this] {
        fillingWeeks_ = true;
        ListBoxN3_->selectAll();
        fillingWeeks_ = false;
        weeksFromList(false);
    });
    connect(minus_, &QToolButton::clicked, this, [this] {
        fillingWeeks_ = true;
        ListBoxN3_->clearSelection();
        fillingWeeks_ = false;
        weeksFromList(false);
    });
    connect(this, &TForm1::statusText, this, &TForm1::onStatusText, Qt::QueuedConnection);
    connect(
        this, &TForm1::splashHidden, this,
        [this] {
            if (splash_ != nullptr) splash_->hide();
        },
        Qt::QueuedConnection);
    connect(this, &TForm1::workFinished, this, &TForm1::onWorkFinished, Qt::QueuedConnection);
    connect(newYearWindow_, &QDialog::accepted, this, &TForm1::newYear);

    // Everything visible once, so that the fixed size holds the widest state.
    central->adjustSize();
    adjustSize();
    setFixedSize(sizeHint());
    applyMenuState();
}

TForm1::~TForm1() {
    // The worker reports to this window; it must have ended before it goes.
    joinRefusingGuiCalls(worker_);
    delete splash_;
    // The backup window works on copyBaza_, which goes before the children do.
    delete backupWindow_;
}

QAction* TForm1::MenuAction(const std::string& component) const {
    auto it = actions_.find(component);
    return it != actions_.end() ? it->second : nullptr;
}

QMenu* TForm1::MenuNamed(const std::string& caption) const {
    for (const auto& [path, menu] : menus_) {
        const auto slash = path.rfind('\n');
        const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
        if (last == caption) return menu;
    }
    return nullptr;
}

void TForm1::buildMenu() {
    for (const TMenuItem& item : MenuItems()) {
        if (item.path.empty()) continue;
        QMenu* parent = nullptr;
        std::string key;
        for (std::size_t i = 0; i + 1 < item.path.size(); ++i) {
            key += (i == 0 ? "" : "\n") + item.path[i];
            auto it = menus_.find(key);
            if (it == menus_.end()) {
                const QString caption = QString::fromStdString(item.path[i]);
                QMenu* menu =
                    parent == nullptr ? menuBar()->addMenu(caption) : parent->addMenu(caption);
                menu->setObjectName(QString::fromStdString(withoutAmpersands(item.path[i])));
                it = menus_.emplace(key, menu).first;
            }
            parent = it->second;
        }
        const QString caption = QString::fromStdString(item.path.back());
        QAction* action =
            parent == nullptr ? menuBar()->addAction(caption) : parent->addAction(caption);
        action->setObjectName(QString::fromStdString(item.component));
        if (!item.hint.empty()) action->setToolTip(QString::fromStdString(item.hint));
        const std::string component = item.component;
        connect(action, &QAction::triggered, this, [this, component] { menuClicked(component); });
        actions_[item.component] = action;
    }
}

void TForm1::buildToolPanel(QWidget* panel) {
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    int i = 0;
    for (const SpeedButtonFace& face : kSpeedButtons) {
        auto* button = new QToolButton(panel);
        button->setObjectName(QString::fromLatin1(face.name));
        button->setText(QString::fromUtf8(face.text));
        button->setMinimumWidth(86);
        button->setAutoRaise(false);
        std::string component;
        std::string hint = face.hint;
        for (const TMenuItem& item : MenuItems())
            if (item.speedButton == face.name) {
                component = item.component;
                if (!item.hint.empty()) hint = item.hint;
            }
        button->setToolTip(QString::fromStdString(hint));
        if (component.empty())
            connect(button, &QToolButton::clicked, this,
                    [this] { openHelp(QStringLiteral("about.html")); });
        else
            connect(button, &QToolButton::clicked, this,
                    [this, component] { menuClicked(component); });
        grid->addWidget(button, i / 9, i % 9);
        ++i;
    }
}

void TForm1::Start() {
    if (busy_ || worker_.joinable()) return;
    splash_ = new TSplash;
    splash_->show();
    (void)runWork([this] { return static_cast<int>(shell_->Start(*view_)); },
                  [this](int outcome) { afterStart(static_cast<TStartOutcome>(outcome)); }, false);
}

void TForm1::afterStart(TStartOutcome outcome) {
    delete splash_;
    splash_ = nullptr;
    if (outcome == TStartOutcome::Terminate) {
        emit started(static_cast<int>(outcome));
        closeShell(false);
        close();
        return;
    }
    fillLists();
    emit started(static_cast<int>(outcome));
}

bool TForm1::runWork(std::function<int()> work, std::function<void(int)> then, bool loadWindow) {
    // Assigning to a joinable worker would join it here, possibly from
    // inside one of its own window-thread calls.
    if (busy_ || worker_.joinable()) return false;
    then_ = std::move(then);
    setBusy(true);
    if (loadWindow) {
        loadStatus_->setText(QStringLiteral("Чтение данных учебного года"));
        loadWindow_->show();
    }
    worker_ = std::jthread([this, work = std::move(work)] { emit workFinished(work()); });
    return true;
}

void TForm1::onWorkFinished(int result) {
    if (worker_.joinable()) worker_.join();
    loadWindow_->hide();
    setBusy(false);
    auto then = std::move(then_);
    then_ = nullptr;
    if (then) then(result);
    if (restartPending_ && !busy_) restartAfterRestore();
    if (closePending_ && !busy_) close();
}

void TForm1::onStatusText(const QString& text) {
    if (splash_ != nullptr && splash_->isVisible()) {
        splash_->setStatus(text);
        return;
    }
    if (!busy_) return;
    loadStatus_->setText(text);
    if (!loadWindow_->isVisible()) loadWindow_->show();
}

void TForm1::setBusy(bool busy) {
    busy_ = busy;
    menuBar()->setEnabled(!busy);
    centralWidget()->setEnabled(!busy);
}

void TForm1::fillYears() {
    const auto items = shell_->YearItems();
    ListBoxN1_->blockSignals(true);
    ListBoxN1_->Clear();
    for (const auto& item : items) ListBoxN1_->Add(item.text, item.year);
    const int active = shell_->ActiveYearIndex();
    if (active >= 0 && active < ListBoxN1_->count())
        ListBoxN1_->setCurrentRow(active);
    else
        ListBoxN1_->clearSelection();
    ListBoxN1_->blockSignals(false);
}

void TForm1::fillWeeks() {
    fillingWeeks_ = true;
    ListBoxN3_->Clear();
    if (shell_->God() != nullptr) {
        shell_->EnsureActiveWeek();
        const auto texts = shell_->WeekTexts();
        const auto active = shell_->ActiveWeeks();
        for (std::size_t i = 0; i < texts.size() && i < active.size(); ++i) {
            ListBoxN3_->Add(texts[i], static_cast<int>(i) + 1);
            ListBoxN3_->item(static_cast<int>(i))->setSelected(active[i]);
        }
    }
    fillingWeeks_ = false;
    showCount();
}

void TForm1::weeksFromList(bool write) {
    if (shell_->God() == nullptr) return;
    std::array<bool, kWeekItems> weeks{};
    for (int i = 0; i < ListBoxN3_->count(); ++i) {
        const int week = ListBoxN3_->GetNumer(i);
        if (week >= 1 && week <= kWeekItems) weeks[week - 1] = ListBoxN3_->item(i)->isSelected();
    }
    shell_->SetActiveWeeks(weeks, write);
    showCount();
}

void TForm1::showCount() {
    count_->setText(QString::number(ListBoxN3_->selectedItems().size()));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the week list stores the selection (nothing while none is chosen).
    if (watched == ListBoxN3_ && event->type() == QEvent::FocusOut && !busy_ && !fillingWeeks_)
        weeksFromList(true);
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::applyMenuState() {
    const TMenuState st = shell_->MenuVid();
    if (QMenu* god = MenuNamed("&Год")) god->menuAction()->setVisible(st.godMenu && !st.locked);
    std::vector<QMenu*> yearMenus;
    for (const char* caption : kYearMenus)
        if (QMenu* m = MenuNamed(caption)) yearMenus.push_back(m);
    if (QMenu* m = MenuNamed(kExportMenu)) yearMenus.push_back(m);
    for (QMenu* m : yearMenus) {
        m->menuAction()->setVisible(!st.locked);
        m->menuAction()->setEnabled(st.yearMenus && !st.locked);
    }
    if (QAction* a = MenuAction("N70")) a->setEnabled(st.deleteYear);
    if (QAction* a = MenuAction("N61")) a->setEnabled(st.backupCopy);
    Panel1_->setVisible(st.toolPanel);
    Panel1_->setEnabled(st.toolPanel);
    weekPane_->setVisible(st.weekList);
    plus_->setEnabled(st.plusMinus);
    minus_->setEnabled(st.plusMinus);
}

void TForm1::fillLists() {
    fillYears();
    fillWeeks();
    applyMenuState();
}

void TForm1::showYears() {
    fillLists();
    emit yearsChanged();
}

void TForm1::chooseYear(int row) {
    if (busy_ || row < 0) return;
    (void)runWork([this, row] { return shell_->ChooseYear(row, *view_) ? 1 : 0; },
                  [this](int loaded) {
                      // A year read afresh replaces the one that could not be trusted.
                      if (loaded != 0) yearUntrusted_ = false;
                      showYears();
                  },
                  true);
}

void TForm1::menuClicked(const std::string& component) {
    if (busy_) return;
    if (auto refusal = MenuRefusal(component, shell_->Facts())) {
        dialog_.MessageShow(*refusal);
        return;
    }
    if (component == "N69") {
        newYearWindow_->SetYear(currentYear());
        newYearWindow_->open();
    } else if (component == "N70") {
        deleteYear();
    } else if (component == "N61") {
        openBackup(TBackupMode::Copy);
    } else if (component == "N62") {
        openBackup(TBackupMode::Restore);
    } else if (component == "N25") {
        dialog_.MessageShow("Версия сборки :" + ApplicationVersion());
    } else if (component == "N48") {
        openHelp(QStringLiteral("about.html"));
    } else if (component == "N50") {
        openHelp(QStringLiteral("menu.html"));
    } else if (component == "N56") {
        openHelp(QStringLiteral("howto.html"));
    } else if (component == "N5") {
        close();
    } else if (const TMenuItem* item = FindMenuItem(component);
               item != nullptr && openWindow(*item)) {
        return;
    } else {
        const std::string name = item != nullptr && !item->path.empty()
                                     ? withoutAmpersands(item->path.back())
                                     : component;
        dialog_.MessageShow(WindowNotReadyText(name));
    }
}

bool TForm1::openWindow(const TMenuItem& item) {
    if (item.window.empty()) return false;
    if (yearUntrusted_) {
        // Every window writes what it changes: none may work on that year.
        dialog_.MessageShow(kUntrustedYearText);
        return true;
    }
    for (const TWindowOpener& opener : windowOpeners) {
        context_->dropChanges = false;
        context_->component = item.component;
        if (!opener || !opener(item.window, *context_)) continue;
        if (context_->dropChanges) {
            reloadYear();
            return true;
        }
        if (item.saves && shell_->God() != nullptr && !shell_->God()->SaveRasp())
            dialog_.MessageShow("Не удалось сохранить расписание учебного года.");
        // The window may have changed the years (an import makes one), the
        // weeks and the lists the menu checks.
        fillLists();
        return true;
    }
    return false;
}

void TForm1::reloadYear() {
    // What the window did cannot be trusted: the stored year comes back, read
    // on the worker as any year is. Until it has, no window may touch the
    // year in memory, nor save it.
    yearUntrusted_ = true;
    const int index = shell_->ActiveYearIndex();
    const bool started =
        runWork([this, index] { return shell_->ChooseYear(index, *view_) ? 1 : 0; },
                [this](int loaded) {
                    yearUntrusted_ = loaded == 0;
                    if (yearUntrusted_) dialog_.MessageShow(kUntrustedYearText);
                    showYears();
                },
                true);
    if (!started) dialog_.MessageShow(kUntrustedYearText);
}

void TForm1::newYear() {
    const int year = newYearWindow_->Year();
    (void)runWork([this, year] { return static_cast<int>(shell_->NewYear(year, *view_)); },
                  [this](int) { showYears(); }, true);
}

void TForm1::deleteYear() {
    // The questions come first; the load window shows with the first text.
    (void)runWork(
        [this] {
            return shell_->DeleteActiveYear(*view_,
                                            [this] {
                                                bool kept = false;
                                                (void)runOnGuiThread([this, &kept] {
                                                    // The load window would sit
                                                    // over the backup window.
                                                    loadWindow_->hide();
                                                    kept =
                                                        backupWindow_->Run(TBackupMode::Automatic);
                                                });
                                                return kept;
                                            })
                       ? 1
                       : 0;
        },
        [this](int) { showYears(); }, false);
}

void TForm1::openBackup(TBackupMode mode) {
    // The answer belongs to this opening only: a later automatic backup that
    // succeeds is no restore.
    connect(
        backupWindow_, &QDialog::finished, this,
        [this, mode](int result) {
            if (mode == TBackupMode::Restore && result == QDialog::Accepted) restartAfterRestore();
        },
        Qt::SingleShotConnection);
    backupWindow_->Open(mode);
}

void TForm1::restartAfterRestore() {
    if (busy_ || worker_.joinable()) {
        restartPending_ = true;
        return;
    }
    restartPending_ = false;
    // The restored database may hold another structure version or a run
    // that did not end cleanly: it goes through the whole start-up. The
    // shell of the replaced database is dropped without its close sequence,
    // which would mark the restored one as converted and cleanly closed.
    shell_.reset();
    shell_ = std::make_unique<TShell>(home_, dialog_);
    shellClosed_ = false;
    ListBoxN1_->Clear();
    ListBoxN3_->Clear();
    showCount();
    applyMenuState();
    Start();
}

QString TForm1::helpFolder() {
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zavlin98/help");
    if (QFileInfo::exists(installed + QStringLiteral("/about.html")))
        return QDir::cleanPath(installed);
#ifdef ZAVLIN_HELP_SOURCE_DIR
    return QStringLiteral(ZAVLIN_HELP_SOURCE_DIR);
#else
    return QDir::cleanPath(installed);
#endif
}

void TForm1::openHelp(const QString& page) {
    const QString path = helpFolder() + QLatin1Char('/') + page;
    if (!QFileInfo::exists(path) || !helpOpener || !helpOpener(path))
        dialog_.MessageShow("Не удалось открыть справку: " + path.toStdString());
}

void TForm1::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (centred_) return;
    centred_ = true;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm1::closeShell(bool userClose) {
    if (shellClosed_) return;
    shellClosed_ = true;
    shell_->Close(
        userClose, [this] { return copyBaza_->TestNewCopy(); },
        [this] { (void)backupWindow_->Run(TBackupMode::Automatic); },
        [this] {
            // The year list is gone: nothing of the menu may reach it any
            // more, also while the reminder and the backup are shown.
            Panel1_->hide();
            for (const char* caption : {"&Год", "&Расписание", "&Замены", "&Вычитка",
                                        "Доп. Возможности", "Справка", kExportMenu})
                if (QMenu* m = MenuNamed(caption)) m->menuAction()->setVisible(false);
        });
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // A worker still reports to this window: close once it has returned.
        closePending_ = true;
        event->ignore();
        return;
    }
    closeShell(true);
    event->accept();
}

}  // namespace zavlin::shell::ui
