#include "entry/ui/active_weeks_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

using shell::kWeekItems;
using shell::ui::TListBoxNumer;

class TForm1_3::Impl {
public:
    explicit Impl(TWindowContext& context) : context(context) {}

    // The flags as the list shows them.
    std::array<bool, kWeekItems> chosen() const {
        std::array<bool, kWeekItems> weeks{};
        for (int i = 0; i < list->count(); ++i) {
            const int week = list->GetNumer(i);
            if (week >= 1 && week <= kWeekItems)
                weeks[static_cast<std::size_t>(week - 1)] = list->item(i)->isSelected();
        }
        return weeks;
    }
    bool anyChosen() const { return !list->selectedItems().isEmpty(); }

    TWindowContext& context;
    TListBoxNumer* list = nullptr;
    bool filling = false;
};

TForm1_3::TForm1_3(TWindowContext& context, QWidget* parent)
    : QDialog(parent), impl_(new Impl(context)) {
    setObjectName(QStringLiteral("Form1_3"));
    setWindowTitle(QStringLiteral("Выбор активной недели"));
    impl_->list = new TListBoxNumer(this);
    impl_->list->setObjectName(QStringLiteral("ListBoxN"));
    impl_->list->setSelectionMode(QAbstractItemView::MultiSelection);
    auto* plus = MakeButton(this, QStringLiteral("+"), QStringLiteral("PlusButton"));
    plus->setToolTip(QStringLiteral("Выделить все недели"));
    auto* ok = MakeButton(this, QStringLiteral("OK"), QStringLiteral("OkButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(plus);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(impl_->list);
    layout->addLayout(buttons);
    resize(360, 520);

    shell::TShell& shell = context.shell;
    impl_->filling = true;
    if (shell.God() != nullptr) {
        shell.EnsureActiveWeek();
        const auto texts = shell.WeekTexts();
        const auto active = shell.ActiveWeeks();
        for (std::size_t i = 0; i < texts.size() && i < active.size(); ++i) {
            impl_->list->Add(texts[i], static_cast<int>(i) + 1);
            impl_->list->item(static_cast<int>(i))->setSelected(active[i]);
        }
    }
    impl_->filling = false;

    // Every click is the weeks' flags at once; the file is written on close.
    connect(impl_->list, &QListWidget::itemSelectionChanged, this, [this] {
        if (!impl_->filling) (void)impl_->context.shell.SetActiveWeeks(impl_->chosen(), false);
    });
    connect(plus, &QPushButton::clicked, this, [this] { impl_->list->selectAll(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

TForm1_3::~TForm1_3() {
    delete impl_;
}

void TForm1_3::done(int result) {
    if (impl_->context.shell.God() != nullptr) {
        if (!impl_->anyChosen()) {
            impl_->context.dialog.MessageShow("Требуется выбрать хотя бы одну неделю.");
            return;
        }
        // A failed write has been said by the shell; the flags stay in force.
        (void)impl_->context.shell.SetActiveWeeks(impl_->chosen(), true);
        if (impl_->context.weeksChanged) impl_->context.weeksChanged();
    }
    QDialog::done(result);
}

bool RunActiveWeeks(TWindowContext& context) {
    if (context.shell.God() == nullptr) return false;
    TForm1_3 window(context, context.parent);
    window.exec();
    return context.shell.God()->AllNed.CountActivDNed() > 0;
}

}  // namespace zavlin::entry::ui

// The window's meta-object code compiles with it.
#include "moc_active_weeks_window.cpp"
