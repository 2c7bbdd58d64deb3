#include "entry_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>

#include "demo/sample_college.h"
#include "shell/ui/hgrid.h"

namespace fs = std::filesystem;

namespace zavlin::test {

bool EntryHarness::start() {
    context.reset();
    shell.reset();
    shell =
        std::make_unique<shell::TShell>(home.path(), dialog, faulty ? *faulty : realFileSystem());
    if (shell->Start(view) != shell::TStartOutcome::Running) return false;
    context = std::make_unique<shell::ui::TWindowContext>(shell::ui::TWindowContext{
        *shell, dialog, nullptr, [this](int topic) { helpTopics.push_back(topic); },
        [this] { ++weeksChanged; },
        [this](const std::string& window) {
            opened.push_back(window);
            return onOpen && onOpen(window);
        },
        false,
        {}});
    return true;
}

bool SampleTemplate::make(const std::string& tag, std::string& message) {
    home_ = std::make_unique<testsupport::ScratchHome>(tag);
    TScriptedDialog quiet;
    demo::SampleOptions options;
    options.size = demo::SampleSize::S;
    const demo::SampleResult made = demo::createSampleCollege(home_->path(), options, quiet);
    message = made.message;
    return made.ok;
}

void SampleTemplate::copyInto(EntryHarness& h, bool faulty) const {
    if (home_ == nullptr) qFatal("the sample college was not made");
    std::error_code ec;
    fs::copy(home_->path(), h.home.path(), fs::copy_options::recursive, ec);
    if (ec) qFatal("cannot copy the sample college: %s", ec.message().c_str());
    if (faulty) h.faulty = std::make_unique<FaultInjectingFileSystem>();
    if (!h.start() || h.shell->God() == nullptr) qFatal("the sample college did not start");
}

namespace {

void closeWindow(QWidget* w) {
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->done(QDialog::Rejected);
    else
        w->close();
}

int live = 0;  // waits still looking

}  // namespace

int ModalWait::waiting() {
    return live;
}

ModalWatchdog::ModalWatchdog() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || ModalWait::waiting() > 0) {
            unexpected_.invalidate();
            return;
        }
        if (!unexpected_.isValid()) unexpected_.start();
        if (unexpected_.elapsed() < ModalWait::kBoundMs) return;
        unexpected_.invalidate();
        QTest::qFail("a modal window opened that the test did not expect", __FILE__, __LINE__);
        closeWindow(modal);
    });
    timer_.start();
}

ModalWait::ModalWait(std::function<QWidget*(QWidget*)> match, std::function<void(QWidget*)> act)
    : match_(std::move(match)), act_(std::move(act)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    clock_.start();
    timer_.start();
    ++live;
}

ModalWait::~ModalWait() {
    stop();
    if (!shown_ && !gaveUp_ && !QTest::currentTestFailed())
        QTest::qFail("the expected modal window was never shown", __FILE__, __LINE__);
}

void ModalWait::stop() {
    if (!timer_.isActive()) return;
    timer_.stop();
    --live;
}

void ModalWait::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* w = modal != nullptr ? match_(modal) : nullptr;
    if (w != nullptr && w->isVisible()) {
        stop();
        shown_ = true;
        QPointer<QWidget> guard(w);
        act_(w);
        if (guard != nullptr && guard->isVisible()) closeWindow(guard);
        return;
    }
    if (clock_.elapsed() < boundMs_) return;
    stop();
    gaveUp_ = true;
    QTest::qFail("the expected modal window was never shown", __FILE__, __LINE__);
    if (modal != nullptr) {
        qWarning("another modal window stood in the way: %s", qPrintable(modal->objectName()));
        closeWindow(modal);
    }
}

QStringList memoLines(QWidget* parent, const char* name) {
    const QString text = child<QPlainTextEdit>(parent, name)->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

void click(QWidget* parent, const char* name) {
    auto* button = parent->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY2(button != nullptr, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void clickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers) {
    QListWidgetItem* item = list->item(row);
    QVERIFY(item != nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(item).center());
}

void clickCell(THGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers) {
    const QRect rect = grid->cellRect(col, row);
    QVERIFY2(!rect.isEmpty(), "the cell is not in view");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, rect.center());
}

void doubleClickCell(THGrid* grid, int col, int row) {
    const QRect rect = grid->cellRect(col, row);
    QVERIFY2(!rect.isEmpty(), "the cell is not in view");
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
}

void selectCells(THGrid* grid, int c1, int r1, int c2, int r2) {
    grid->MoveTo(c1, r1);
    for (int c = c1; c < c2; ++c) QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
    for (int r = r1; r < r2; ++r) QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const auto key = c.isDigit() ? Qt::Key(Qt::Key_0 + c.digitValue())
                                     : static_cast<Qt::Key>(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

void retype(QWidget* parent, const char* edit, const QString& text) {
    auto* line = parent->findChild<QLineEdit*>(QString::fromLatin1(edit));
    QVERIFY2(line != nullptr, edit);
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Backspace);
    typeText(line, text);
}

void chooseCombo(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

}  // namespace zavlin::test
