#include "composition/ui/progress_window.h"

namespace zavlin::composition::ui {

class TFormS1Bridge {};

TFormS1::TFormS1(TWindowContext& context, const TSosStart&, QWidget* parent)
    : QDialog(parent), context_(context) {}
TFormS1::~TFormS1() = default;
bool TFormS1::Finished() const {
    return true;
}

TFormS1Snapshot RunFormS1(TWindowContext&, const TSosStart&) {
    return {};
}

}  // namespace zavlin::composition::ui
