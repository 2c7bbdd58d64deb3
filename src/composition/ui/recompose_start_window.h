// TForm9 "Пересоставление расписания": the start window of a recomposition,
// which clears and composes the selected groups only.
#pragma once

#include "composition/ui/compose_start_window.h"

namespace zavlin::composition::ui {

class TForm9 : public TForm8 {
    Q_OBJECT
public:
    explicit TForm9(TWindowContext& context, QWidget* parent = nullptr);
};

}  // namespace zavlin::composition::ui
