// TFormS1 "Составление": the modal progress window of a composition run. It
// owns the run state, starts the worker shortly after it is shown, hears the
// worker through queued signals, and TFormS2 "Ошибки назначения" lists the
// pinned lessons that could not be transferred.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

#include "composition/driver.h"
#include "shell/ui/window_context.h"

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

// What the start window hands the progress window.
struct TSosStart {
    uint8_t TipSostRasp = 0;   // 0 from zero, 1 recomposition, 2 synchronisation
    uint8_t SinxrNed = 0;      // the base week of a synchronisation
    bool SostRaspYes = false;  // a synchronisation also completes the weeks
    bool WLog = false;         // the report file "Logsrasp.txt"
};

class TFormS1Bridge;

class TFormS1 : public QDialog {
    Q_OBJECT
public:
    TFormS1(TWindowContext& context, const TSosStart& start, QWidget* parent = nullptr);
    ~TFormS1() override;

    TFormS1State& State() { return *state_; }
    // The worker has ended (the button reads "Закрыть окно").
    bool Finished() const;

private:
    TWindowContext& context_;
    std::unique_ptr<TFormS1State> state_;
    std::unique_ptr<TSosRaspisanue> worker_;
    std::unique_ptr<TFormS1Bridge> bridge_;
};

// Runs TFormS1 modally for one run on the context's year and returns when it
// has closed, with the state as the run left it. After a run whose files
// could not be written the context's dropChanges is set: what the run did is
// not saved.
TFormS1Snapshot RunFormS1(TWindowContext& context, const TSosStart& start);

}  // namespace zavlin::composition::ui
