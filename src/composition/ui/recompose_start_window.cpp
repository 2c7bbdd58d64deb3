#include "composition/ui/recompose_start_window.h"

namespace zavlin::composition::ui {

TForm9::TForm9(TWindowContext& context, QWidget* parent)
    : TForm8(context, 1, QStringLiteral("Пересоставление расписания"),
             "Составить расписание? Старое расписание для выбранных групп будет уничтожено!", false,
             parent) {
    setObjectName(QStringLiteral("Form9"));
}

}  // namespace zavlin::composition::ui

#include "moc_recompose_start_window.cpp"
