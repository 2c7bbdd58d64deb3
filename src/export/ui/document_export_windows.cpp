#include "export/ui/document_export_windows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <unordered_set>

#include "base/my_dialog.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/rooms_window.h"
#include "entry/ui/teachers_window.h"
#include "export/html_documents.h"
#include "export/timetable_xml.h"
#include "export/ui/document_opening.h"
#include "export/ui/document_work.h"
#include "export/ui/export_windows.h"
#include "model/god.h"
#include "reports/month_statement.h"
#include "shell/menu.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"
#include "storage/typed_arrays.h"
#include "storage/year_database.h"

namespace zavlin::exporting::ui {
namespace {

namespace fs = std::filesystem;
using entry::ui::MakeButton;

QString qstr(const std::string& s) {
    return QString::fromStdString(s);
}

int countSelectedFio(const TGod& god) {
    int n = 0;
    for (const auto& fio : god.LFio) n += fio->Select ? 1 : 0;
    return n;
}

QString selectionText(const TGod& god, bool teachers) {
    if (teachers)
        return QStringLiteral("Выбрано преподавателей: %1 из %2")
            .arg(countSelectedFio(god))
            .arg(god.LFio.size());
    return QStringLiteral("Выбрано групп: %1 из %2")
        .arg(god.CountSelectGryp())
        .arg(god.CountGryp());
}

QString selectionText(const TGod& god, TWordSelection selection) {
    if (selection != TWordSelection::Rooms)
        return selectionText(god, selection == TWordSelection::Teachers);
    int n = 0;
    for (const auto& ayd : god.LAyd) n += ayd->Select ? 1 : 0;
    return QStringLiteral("Выбрано аудиторий: %1 из %2").arg(n).arg(god.LAyd.size());
}

void selectAll(TGod& god) {
    god.SelectAllGryp(true);
    for (const auto& fio : god.LFio) fio->Select = true;
    for (const auto& ayd : god.LAyd) ayd->Select = true;
}

// The marks of the year shown in a picking list, and the list's choice
// taken back when it closes with OK.
template <class Window, class T, class Lookup>
void pickInto(TWindowContext& context, QWidget* parent, const std::vector<std::unique_ptr<T>>& all,
              Lookup lookup) {
    Window window(context, entry::ui::TListMode::PickMany, parent);
    shell::ui::TListBoxNumer* list = window.List();
    // One selection change for the whole list: a long list is not counted
    // again row by row.
    QItemSelection selection;
    for (int i = 0; i < list->count(); ++i) {
        const T* item = lookup(list->GetNumer(i));
        if (item != nullptr && item->Select) {
            const QModelIndex index = list->model()->index(i, 0);
            selection.select(index, index);
        }
    }
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (window.exec() != QDialog::Accepted) return;
    const auto picked = window.Picked();
    const std::unordered_set<const T*> chosen(picked.begin(), picked.end());
    for (const auto& item : all) item->Select = chosen.count(item.get()) != 0;
}

void pickSelection(TWindowContext& context, QWidget* parent, bool teachers) {
    TGod* god = context.shell.God();
    if (god == nullptr) return;
    if (teachers)
        pickInto<entry::ui::TForm3>(context, parent, god->LFio,
                                    [god](int n) { return god->FioNumer(n); });
    else
        pickInto<entry::ui::TForm2>(context, parent, god->LGryp,
                                    [god](int n) { return god->GrypNumer(n); });
}

void pickSelection(TWindowContext& context, QWidget* parent, TWordSelection selection) {
    TGod* god = context.shell.God();
    if (god == nullptr) return;
    if (selection == TWordSelection::Rooms)
        pickInto<entry::ui::TForm7>(context, parent, god->LAyd,
                                    [god](int n) { return god->GetAydNumer(n); });
    else
        pickSelection(context, parent, selection == TWordSelection::Teachers);
}

QSpinBox* makeSpin(QWidget* parent, const char* name, int low, int high, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

constexpr std::array<const char*, 12> kMonthNames = {"Январь",   "Февраль", "Март",   "Апрель",
                                                     "Май",      "Июнь",    "Июль",   "Август",
                                                     "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};

QProgressBar* makeBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName("ProgressBar1");
    bar->setRange(0, 1);
    bar->setValue(0);
    return bar;
}

constexpr std::array<const char*, 6> kDayNames = {"Понедельник", "Вторник", "Среда",
                                                  "Четверг",     "Пятница", "Суббота"};

}  // namespace

const TWordKind* FindWordKind(int kind) {
    static const std::map<int, TWordKind> kKinds = [] {
        using enum TWordSelection;
        std::map<int, TWordKind> k;
        auto add = [&k](int kind, const char* title, TWordSelection selection, unsigned asks,
                        TWordRequest defaults = {}) {
            k[kind] = TWordKind{kind, title, selection, asks, defaults};
        };
        add(0, "Расписание групп", Groups, waDays);
        add(1, "Расписание преподавателей", Teachers, waDays);
        add(2, "Ведомости групп", Groups, waMonth);
        add(3, "Ведомости преподавателей", Teachers, waMonth);
        add(4, "Замены в группах", Groups, waDays);
        add(41, "Замены в группах относительно базовой недели", Groups, waDays);
        add(5, "Замены преподавателей", Groups, waDays);
        add(51, "Замены преподавателей относительно базовой недели", Groups, waDays);
        add(7, "Группы преподавателей по неделям", Teachers, waPeriods);
        add(77, "Группы преподавателей за период", Teachers, waPeriods | waWeeks);
        add(8, "Аудитории преподавателей", Teachers, waDays | waPeriods);
        add(9, "Аудитории и Группы", Rooms, waDays | waPeriods);
        add(91, "Группы и аудитории", Groups, waDays | waPeriods);
        add(21, "Планируемая нагрузка группы", Groups, 0);
        add(24, "Планируемые часы преподавателей", Teachers, waWeeks);
        add(26, "Годовое расписание преподавателей", Teachers, waPeriods | waWeeks);
        add(60, "Консультации и экзамены групп", Groups, waDays);
        add(61, "Консультации и экзамены преподавателей", Teachers, waDays);
        return k;
    }();
    const auto found = kKinds.find(kind);
    return found == kKinds.end() ? nullptr : &found->second;
}

int WordKindOfComponent(const std::string& component) {
    static const std::map<std::string, int> kItems = {
        {"WORD1", 0}, {"WORD2", 1}, {"WORD3", 60}, {"WORD4", 61}};
    const auto found = kItems.find(component);
    return found == kItems.end() ? -1 : found->second;
}

TForm33::TForm33(TWindowContext& context, QWidget* parent)
    : TWorkDialog(parent), context_(context) {
    setObjectName("TForm33");
    setWindowTitle(QStringLiteral("Экспорт данных"));
    folderView_.TitleName = QStringLiteral("Папка для файлов");

    auto* format = new QComboBox(this);
    format->setObjectName("ComboFormat");
    format->addItem(QStringLiteral("HTML файл"));

    auto* content = new QGroupBox(QStringLiteral("Содержание"), this);
    groups_ = new QRadioButton(QStringLiteral("Расписание групп"), content);
    groups_->setObjectName("RadioGryp");
    groups_->setChecked(true);
    teachers_ = new QRadioButton(QStringLiteral("Расписание преподавателя"), content);
    teachers_->setObjectName("RadioFio");
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->addWidget(groups_);
    contentLayout->addWidget(teachers_);

    const fs::path home = context_.shell.DM().DB.PathR;
    folder_ = new QLineEdit(qstr((home / "export").string() + "/"), this);
    folder_->setObjectName("EditFolder");
    auto* change = MakeButton(this, QStringLiteral("Изменить"), QStringLiteral("ChangeFolder"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(change);

    files_ = new QLineEdit(this);
    files_->setObjectName("EditFiles");
    files_->setReadOnly(true);

    selection_ = new QLabel(this);
    selection_->setObjectName("SelectionLabel");
    auto* pickButton = MakeButton(this, QStringLiteral("Выбрать..."), QStringLiteral("PickButton"));
    auto* selectionRow = new QHBoxLayout;
    selectionRow->addWidget(selection_, 1);
    selectionRow->addWidget(pickButton);

    progress_ = makeBar(this);
    create_ = MakeButton(this, QStringLiteral("Создать файл"), QStringLiteral("CreateButton"));
    auto* close = MakeButton(this, QStringLiteral("Закрыть"), QStringLiteral("CloseButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(create_);
    buttons->addWidget(close);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Формат"), format);
    form->addRow(content);
    form->addRow(QStringLiteral("Папка"), folderRow);
    form->addRow(QStringLiteral("Создаваемые файлы"), files_);
    form->addRow(selectionRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    resize(520, layout->sizeHint().height());

    if (TGod* god = context_.shell.God()) selectAll(*god);
    contentChanged();

    connect(groups_, &QRadioButton::toggled, this, [this] { contentChanged(); });
    connect(change, &QPushButton::clicked, this, [this] {
        folderView_.StartFolder = folder_->text();
        if (folderView_.ShowDirectory(this)) folder_->setText(folderView_.GetDirectory());
    });
    connect(pickButton, &QPushButton::clicked, this, [this] { pick(); });
    connect(create_, &QPushButton::clicked, this, [this] { (void)CreateFiles(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm33::contentChanged() {
    files_->setText(
        qstr(std::string(groups_->isChecked() ? kGrypIndexName : kFioIndexName) + kHtmExt));
    showSelection();
}

void TForm33::showSelection() {
    if (const TGod* god = context_.shell.God())
        selection_->setText(selectionText(*god, teachers_->isChecked()));
}

void TForm33::pick() {
    pickSelection(context_, this, teachers_->isChecked());
    showSelection();
}

bool TForm33::CreateFiles() {
    TGod* god = context_.shell.God();
    if (god == nullptr || busy_) return false;
    const fs::path home = context_.shell.DM().DB.PathR;
    std::string text = folder_->text().trimmed().toStdString();
    if (!text.empty() && text.back() != '/') text += '/';
    folder_->setText(qstr(text));
    fs::path folder(text);
    if (!text.empty() && folder.is_relative()) folder = home / folder;
    TDeferredDialog told;
    auto opener = DocumentOpener(context_);
    THtmlExportHub hub(*god, home, told, *opener);
    // The folder is made before the weeks are asked: a folder that cannot be
    // made would fail every copy.
    if (!hub.PrepareFolder(folder)) {
        told.Replay(context_.dialog);
        return false;
    }
    // The pages cover the active weeks, chosen now; closing the choice
    // without OK writes nothing.
    {
        entry::ui::TForm1_3 weeks(context_, this);
        if (weeks.exec() != QDialog::Accepted) return false;
    }
    // The hub took the weeks when it was made; the choice may have changed them.
    hub.Weeks = ActiveWeeks(&god->AllNed);
    const bool groups = groups_->isChecked();
    busy_ = true;
    create_->setEnabled(false);
    TBarProgress progress(progress_);
    hub.Progress = &progress;
    const bool ok =
        RunOnWorker(this, progress, [&] { return hub.ExportWeb(folder, groups, !groups); });
    busy_ = false;
    create_->setEnabled(true);
    told.Replay(context_.dialog);
    return ok;
}

TForm34::TForm34(TWindowContext& context, int kind, const TWordPreselection& preselection,
                 QWidget* parent)
    : TWorkDialog(parent), context_(context), kind_(kind), wordKind_(FindWordKind(kind)) {
    setObjectName("TForm34");
    setWindowTitle(QStringLiteral("Экспорт в Word"));

    auto* kindLabel =
        new QLabel(wordKind_ != nullptr ? qstr(wordKind_->title)
                                        : qstr(kUnknownKindText + std::to_string(kind)),
                   this);
    kindLabel->setObjectName("KindLabel");
    QFont bold = kindLabel->font();
    bold.setBold(true);
    kindLabel->setFont(bold);

    selection_ = new QLabel(this);
    selection_->setObjectName("SelectionLabel");
    auto* pickButton = MakeButton(this, QStringLiteral("Выбрать..."), QStringLiteral("PickButton"));
    auto* selectionRow = new QHBoxLayout;
    selectionRow->addWidget(selection_, 1);
    selectionRow->addWidget(pickButton);

    weeks_ = new QLabel(this);
    weeks_->setObjectName("WeeksLabel");
    weeks_->setWordWrap(true);
    auto* weeksButton =
        MakeButton(this, QStringLiteral("Недели..."), QStringLiteral("WeeksButton"));
    auto* weeksRow = new QHBoxLayout;
    weeksRow->addWidget(weeks_, 1);
    weeksRow->addWidget(weeksButton);

    auto* daysBox = new QGroupBox(QStringLiteral("Дни недели"), this);
    auto* daysLayout = new QHBoxLayout(daysBox);
    for (std::size_t i = 0; i < kDayNames.size(); ++i) {
        const int day = static_cast<int>(i) + 1;
        auto* box = new QCheckBox(qstr(kDayNames[i]), daysBox);
        box->setObjectName(QStringLiteral("Day%1").arg(day));
        box->setChecked(preselection.days.empty() ||
                        std::find(preselection.days.begin(), preselection.days.end(), day) !=
                            preselection.days.end());
        daysLayout->addWidget(box);
        days_.push_back(box);
    }

    startWord_ = new QCheckBox(QStringLiteral("Запустить Word"), this);
    startWord_->setObjectName("CheckWord");
    startWord_->setChecked(true);

    v1_ = new QComboBox(this);
    v1_->setObjectName("ComboV1");
    v1_->addItems({QStringLiteral("31/12/15"), QStringLiteral("31.12.2015")});
    v2_ = new QComboBox(this);
    v2_->setObjectName("ComboV2");
    v2_->addItems({QStringLiteral("1/2 дополнительные"), QStringLiteral("Числитель/Знаменатель"),
                   QStringLiteral("Чётная/Нечётная")});
    v3_ = new QComboBox(this);
    v3_->setObjectName("ComboV3");
    v3_->addItems({QStringLiteral("Не печатать семестр"), QStringLiteral("(осенний семестр)"),
                   QStringLiteral("(весенний семестр)"),
                   QStringLiteral("1и2(осенний) 3и4 (весенний)")});

    // What the kind needs besides the days; the defaults make a sensible
    // document when the user changes nothing.
    const unsigned asks = wordKind_ != nullptr ? wordKind_->asks : 0u;
    const TWordRequest defaults = wordKind_ != nullptr ? wordKind_->defaults : TWordRequest{};
    auto* kindFields = new QFormLayout;
    if ((asks & waMonth) != 0) {
        month_ = new QComboBox(this);
        month_->setObjectName("ComboMonth");
        for (const char* name : kMonthNames) month_->addItem(qstr(name));
        month_->setCurrentIndex(std::clamp(defaults.me, 1, 12) - 1);
        start_ = new QComboBox(this);
        start_->setObjectName("ComboStart");
        for (const reports::TStatementStart& st : reports::kStatementStarts) {
            start_->addItem(qstr(st.text), st.hh);
            if (st.hh == defaults.h) start_->setCurrentIndex(start_->count() - 1);
        }
        kindFields->addRow(QStringLiteral("Месяц"), month_);
        kindFields->addRow(QStringLiteral("Начало"), start_);
    }
    if ((asks & waPeriods) != 0) {
        y1_ = makeSpin(this, "SpinY1", 0, kPeriodCount - 1, defaults.Y1);
        y2_ = makeSpin(this, "SpinY2", 0, kPeriodCount - 1, defaults.Y2);
        auto* row = new QHBoxLayout;
        row->addWidget(y1_);
        row->addWidget(new QLabel(QStringLiteral("по"), this));
        row->addWidget(y2_);
        row->addStretch();
        kindFields->addRow(QStringLiteral("Пары с"), row);
    }
    if ((asks & waWeeks) != 0) {
        // The active weeks' span to begin with, the study year without any.
        const TGod* god = context_.shell.God();
        const std::vector<int> active =
            god != nullptr ? ActiveWeeks(&god->AllNed) : std::vector<int>{};
        n1_ = makeSpin(this, "SpinN1", 1, kWeeks, active.empty() ? defaults.N1 : active.front());
        n2_ = makeSpin(this, "SpinN2", 1, kWeeks, active.empty() ? defaults.N2 : active.back());
        auto* row = new QHBoxLayout;
        row->addWidget(n1_);
        row->addWidget(new QLabel(QStringLiteral("по"), this));
        row->addWidget(n2_);
        row->addStretch();
        kindFields->addRow(QStringLiteral("Недели с"), row);
    }

    progress_ = makeBar(this);
    export_ = MakeButton(this, QStringLiteral("Экспорт"), QStringLiteral("ExportButton"));
    auto* close = MakeButton(this, QStringLiteral("Закрыть"), QStringLiteral("CloseButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(export_);
    buttons->addWidget(close);

    auto* labels = new QFormLayout;
    labels->addRow(QStringLiteral("Дата"), v1_);
    labels->addRow(QStringLiteral("Недели"), v2_);
    labels->addRow(QStringLiteral("Семестр"), v3_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kindLabel);
    layout->addLayout(selectionRow);
    layout->addLayout(weeksRow);
    layout->addWidget(daysBox);
    daysBox->setVisible((asks & waDays) != 0);
    layout->addLayout(kindFields);
    layout->addWidget(startWord_);
    layout->addLayout(labels);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    resize(620, layout->sizeHint().height());

    TGod* god = context_.shell.God();
    if (god != nullptr && !preselection.keepSelection) selectAll(*god);
    export_->setEnabled(wordKind_ != nullptr);
    pickButton->setEnabled(wordKind_ != nullptr);
    showSelection();
    showWeeks();

    for (QComboBox* box : {v1_, v2_, v3_})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { showWeeks(); });
    connect(pickButton, &QPushButton::clicked, this, [this] { pick(); });
    connect(weeksButton, &QPushButton::clicked, this, [this] {
        entry::ui::TForm1_3 weeks(context_, this);
        weeks.exec();
        showWeeks();
    });
    connect(export_, &QPushButton::clicked, this, [this] { (void)Export(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm34::showSelection() {
    const TGod* god = context_.shell.God();
    if (god != nullptr && wordKind_ != nullptr)
        selection_->setText(selectionText(*god, wordKind_->selection));
}

void TForm34::showWeeks() {
    const TGod* god = context_.shell.God();
    if (god == nullptr) return;
    QStringList labels;
    for (const int ne : ActiveWeeks(&god->AllNed))
        if (const TDNed* dn = god->AllNed.DNed(ne))
            labels << qstr(dn->GetShortStrDateNed(v1_->currentIndex(), v2_->currentIndex(),
                                                  v3_->currentIndex()));
    weeks_->setText(labels.isEmpty()
                        ? QStringLiteral("Нет активных недель")
                        : QStringLiteral("Недели: ") + labels.join(QStringLiteral(", ")));
}

void TForm34::pick() {
    if (wordKind_ == nullptr) return;
    pickSelection(context_, this, wordKind_->selection);
    showSelection();
}

void TForm34::ChosenWD(TArrayOfPointByte& WD) const {
    const TGod* god = context_.shell.God();
    if (god == nullptr) return;
    for (const int ne : ActiveWeeks(&god->AllNed))
        for (std::size_t i = 0; i < days_.size(); ++i)
            if (days_[i]->isChecked())
                WD.AddPoint(static_cast<uint8_t>(ne), static_cast<uint8_t>(i + 1));
}

TWordRequest TForm34::Request() const {
    TWordRequest r = wordKind_ != nullptr ? wordKind_->defaults : TWordRequest{};
    if (month_ != nullptr) r.me = month_->currentIndex() + 1;
    if (start_ != nullptr) r.h = start_->currentData().toInt();
    if (y1_ != nullptr) r.Y1 = y1_->value();
    if (y2_ != nullptr) r.Y2 = y2_->value();
    if (n1_ != nullptr) r.N1 = n1_->value();
    if (n2_ != nullptr) r.N2 = n2_->value();
    return r;
}

bool TForm34::Export() {
    TGod* god = context_.shell.God();
    if (god == nullptr || busy_) return false;
    if (wordKind_ == nullptr) {
        context_.dialog.MessageShow(kUnknownKindText + std::to_string(kind_));
        return false;
    }
    TArrayOfPointByte WD;
    ChosenWD(WD);
    if ((wordKind_->asks & waDays) != 0 && WD.Count() == 0) {
        context_.dialog.MessageShow(ActiveWeeks(&god->AllNed).empty()
                                        ? shell::kNoActiveWeeksText
                                        : "Выберите хотя бы один день недели.");
        return false;
    }
    busy_ = true;
    TDeferredDialog told;
    auto opener = DocumentOpener(context_);
    TBarProgress progress(progress_);
    THtmlExportHub hub(*god, context_.shell.DM().DB.PathR, told, *opener);
    hub.Progress = &progress;
    hub.StartWord = startWord_->isChecked();
    hub.vV1 = v1_->currentIndex();
    hub.vV2 = v2_->currentIndex();
    hub.vV3 = v3_->currentIndex();
    TWordRequest request = Request();
    request.WD = &WD;
    const bool ok =
        RunOnWorker(this, progress, [&] { return hub.CreateWordOfKind(kind_, request); });
    busy_ = false;
    told.Replay(context_.dialog);
    return ok;
}

void RunHtmlExport(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm33 window(context, context.parent);
    window.exec();
}

void RunWordExport(TWindowContext& context, int kind, const TWordPreselection& preselection) {
    if (context.shell.God() == nullptr) return;
    if (FindWordKind(kind) == nullptr) {
        context.dialog.MessageShow(kUnknownKindText + std::to_string(kind));
        return;
    }
    TForm34 window(context, kind, preselection, context.parent);
    window.exec();
}

void RunWordExport(TWindowContext& context) {
    const int kind = WordKindOfComponent(context.component);
    RunWordExport(context, kind < 0 ? 0 : kind);
}

}  // namespace zavlin::exporting::ui
