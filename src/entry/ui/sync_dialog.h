// "Синхронизация часов нагрузки по предметам": which two template weeks the
// load of the selected weeks is synchronised by.
#pragma once

#include <QDialog>
#include <optional>

#include "entry/load_ops.h"

class QRadioButton;

namespace zavlin {
class TMyDialog;
}

namespace zavlin::entry::ui {

class TForm5_4 : public QDialog {
    Q_OBJECT
public:
    // The variants are "FirstTwoButton", "Extra12Button", "Extra34Button";
    // OK is "OkButton", cancel "CancelButton".
    TForm5_4(TMyDialog& dialog, QWidget* parent = nullptr);

    std::optional<TSyncVariant> Variant() const;
    // OK without a variant is refused and the window stays.
    void accept() override;

private:
    TMyDialog& dialog_;
    QRadioButton* firstTwo_ = nullptr;
    QRadioButton* extra12_ = nullptr;
    QRadioButton* extra34_ = nullptr;
};

}  // namespace zavlin::entry::ui
