#include "shell/ui/backup_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/ui/qt_dialog.h"

namespace zavlin::shell::ui {

// Sheets flying from one folder to the other while a run goes on.
class TCopyAnimation : public QWidget {
public:
    explicit TCopyAnimation(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("Animate1"));
        setFixedHeight(36);
        timer_.setInterval(60);
        connect(&timer_, &QTimer::timeout, this, [this] {
            phase_ = (phase_ + 1) % 40;
            update();
        });
    }
    void start() {
        timer_.start();
        update();
    }
    void stop() {
        timer_.stop();
        phase_ = 0;
        update();
    }
    bool active() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor folder(0xe8, 0xb8, 0x4a);
        const int h = height() - 8;
        p.setBrush(folder);
        p.setPen(folder.darker(140));
        p.drawRoundedRect(QRect(4, 4, 40, h), 3, 3);
        p.drawRoundedRect(QRect(width() - 44, 4, 40, h), 3, 3);
        if (!timer_.isActive()) return;
        const int span = width() - 100;
        const int x = 50 + span * phase_ / 40;
        p.setBrush(Qt::white);
        p.setPen(Qt::darkGray);
        p.drawRect(QRect(x, 8, 16, h - 8));
    }

private:
    QTimer timer_;
    int phase_ = 0;
};

// Called on the worker: each report becomes a queued signal of the window.
class TCopyFileBazaWindow::Observer : public TBackupObserver {
public:
    explicit Observer(TCopyFileBazaWindow& w) : w_(w) {}
    void FilesStart(int pairs) override { emit w_.filesStarted(pairs); }
    void FileStart(int index, const std::string& source) override {
        emit w_.fileStarted(index, QString::fromStdString(source));
    }
    void BlocksStart(int blocks) override { emit w_.blocksStarted(blocks); }
    void BlockDone() override { emit w_.blockDone(); }
    void FileDone(int index) override { emit w_.fileDone(index); }

private:
    TCopyFileBazaWindow& w_;
};

TCopyFileBazaWindow::TCopyFileBazaWindow(TCopyFileBaza& logic, QWidget* parent)
    : QDialog(parent), logic_(logic), observer_(std::make_unique<Observer>(*this)) {
    setObjectName(QStringLiteral("CopyFileBaza"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    PapkaView.TitleName = QStringLiteral("Резервная папка");

    dateCopy_ = new QLabel(this);
    dateCopy_->setObjectName(QStringLiteral("DateCopy"));
    folder_ = new QLabel(this);
    folder_->setObjectName(QStringLiteral("PathCopy"));
    folder_->setFrameShape(QFrame::StyledPanel);
    folder_->setMinimumWidth(360);
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    change_ = new QPushButton(QStringLiteral("Изменить"), this);
    change_->setObjectName(QStringLiteral("ChangeButton"));
    copy_ = new QPushButton(QStringLiteral("Копировать"), this);
    copy_->setObjectName(QStringLiteral("CopyButton"));
    restore_ = new QPushButton(QStringLiteral("Востановить"), this);
    restore_->setObjectName(QStringLiteral("RestoreButton"));
    cancel_ = new QPushButton(QStringLiteral("Отказ"), this);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    animation_ = new TCopyAnimation(this);
    fileBar_ = new QProgressBar(this);
    fileBar_->setObjectName(QStringLiteral("FileBar"));
    blockBar_ = new QProgressBar(this);
    blockBar_->setObjectName(QStringLiteral("BlockBar"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    status_->setMinimumWidth(360);
    autoStart_ = new QTimer(this);
    autoStart_->setSingleShot(true);
    autoStart_->setInterval(100);

    auto* date = new QHBoxLayout;
    date->addWidget(new QLabel(QStringLiteral("Дата последнего копирования:"), this));
    date->addWidget(dateCopy_);
    date->addStretch();
    auto* grid = new QGridLayout;
    grid->addLayout(date, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Каталог расположения резервной копии"), this), 1, 0,
                    1, 2);
    grid->addWidget(folder_, 2, 0);
    grid->addWidget(change_, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy_);
    buttons->addWidget(restore_);
    buttons->addWidget(cancel_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addWidget(animation_);
    all->addWidget(fileBar_);
    all->addWidget(blockBar_);
    all->addWidget(status_);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);

    connect(change_, &QPushButton::clicked, this, &TCopyFileBazaWindow::changeFolder);
    connect(copy_, &QPushButton::clicked, this, &TCopyFileBazaWindow::startRun);
    connect(restore_, &QPushButton::clicked, this, &TCopyFileBazaWindow::startRun);
    connect(cancel_, &QPushButton::clicked, this, &TCopyFileBazaWindow::reject);
    connect(autoStart_, &QTimer::timeout, this, &TCopyFileBazaWindow::startRun);

    connect(this, &TCopyFileBazaWindow::filesStarted, this, [this](int pairs) {
        fileBar_->setRange(0, std::max(pairs, 1));
        fileBar_->setValue(0);
    });
    connect(this, &TCopyFileBazaWindow::fileStarted, this,
            [this](int, const QString& source) { status_->setText(source); });
    connect(this, &TCopyFileBazaWindow::blocksStarted, this, [this](int blocks) {
        blockBar_->setRange(0, std::max(blocks, 1));
        blockBar_->setValue(0);
    });
    connect(this, &TCopyFileBazaWindow::blockDone, this, [this] {
        blockBar_->setValue(std::min(blockBar_->value() + 1, blockBar_->maximum()));
    });
    connect(this, &TCopyFileBazaWindow::fileDone, this,
            [this](int index) { fileBar_->setValue(std::min(index + 1, fileBar_->maximum())); });
    connect(this, &TCopyFileBazaWindow::runFinished, this, &TCopyFileBazaWindow::onRunFinished,
            Qt::QueuedConnection);
}

TCopyFileBazaWindow::~TCopyFileBazaWindow() {
    // A copy still going stops at the next file; a question it asks now reads
    // "Нет", as the window thread no longer answers while it waits here.
    stop_ = true;
    joinRefusingGuiCalls(worker_);
}

void TCopyFileBazaWindow::prepare(TBackupMode mode) {
    logic_.Mode = mode;
    logic_.ReadSettings();
    const bool restore = mode == TBackupMode::Restore;
    setWindowTitle(restore ? QStringLiteral("Резервное восстановление")
                           : QStringLiteral("Резервное копирование"));
    dateCopy_->setText(QString::fromStdString(logic_.DateCopyText()));
    showFolder();
    copy_->setVisible(mode == TBackupMode::Copy);
    restore_->setVisible(restore);
    for (QPushButton* b : {copy_, restore_, cancel_, change_}) b->setEnabled(true);
    fileBar_->setRange(0, 100);
    fileBar_->setValue(0);
    blockBar_->setRange(0, 100);
    blockBar_->setValue(0);
    status_->clear();
    if (mode == TBackupMode::Automatic) autoStart_->start();
}

void TCopyFileBazaWindow::Open(TBackupMode mode) {
    prepare(mode);
    open();
}

bool TCopyFileBazaWindow::Run(TBackupMode mode) {
    prepare(mode);
    return exec() == QDialog::Accepted;
}

void TCopyFileBazaWindow::showFolder() {
    folder_->setText(QString::fromStdString(logic_.PathCopy));
}

void TCopyFileBazaWindow::changeFolder() {
    PapkaView.StartFolder = QString::fromStdString(logic_.PathCopy);
    if (PapkaView.ShowDirectory(this)) logic_.SetPathCopy(PapkaView.GetDirectory().toStdString());
    showFolder();
}

void TCopyFileBazaWindow::startRun() {
    if (running()) return;
    for (QPushButton* b : {copy_, restore_, change_}) b->setEnabled(false);
    // A copy can be stopped between files; a restore half done cannot.
    const bool restore = logic_.Mode == TBackupMode::Restore;
    cancel_->setEnabled(!restore);
    stop_ = false;
    animation_->start();
    worker_ = std::jthread([this, restore] {
        const bool ok =
            restore ? logic_.Restore(observer_.get()) : logic_.Copy(observer_.get(), &stop_);
        emit runFinished(ok);
    });
}

void TCopyFileBazaWindow::onRunFinished(bool ok) {
    if (worker_.joinable()) worker_.join();
    animation_->stop();
    const TBackupMode mode = logic_.Mode;
    for (QPushButton* b : {copy_, restore_, change_, cancel_}) b->setEnabled(true);
    dateCopy_->setText(QString::fromStdString(logic_.DateCopyText()));
    if (mode == TBackupMode::Restore) {
        if (ok) done(QDialog::Accepted);
        return;  // refused or failed: the person may choose another folder or leave
    }
    if (ok || mode == TBackupMode::Automatic || stop_)
        done(ok ? QDialog::Accepted : QDialog::Rejected);
}

void TCopyFileBazaWindow::reject() {
    if (running()) {
        stop_ = true;  // the run ends at the next file and closes the window
        return;
    }
    QDialog::reject();
}

void TCopyFileBazaWindow::done(int result) {
    autoStart_->stop();
    logic_.Mode = TBackupMode::Automatic;
    QDialog::done(result);
}

void TCopyFileBazaWindow::closeEvent(QCloseEvent* event) {
    if (running()) {
        stop_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace zavlin::shell::ui
