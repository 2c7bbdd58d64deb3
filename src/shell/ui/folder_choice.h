// The folder choice of the program: the desktop's folder browser restricted
// to folders. The chooser is replaceable so tests answer it themselves.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace zavlin::shell::ui {

class TPapkaView {
public:
    using Chooser =
        std::function<QString(QWidget* parent, const QString& title, const QString& start)>;

    TPapkaView();

    QString TitleName = QStringLiteral("Выбрать папку базы данных(C:\\..\\Database\\)");
    // Where the browser opens.
    QString StartFolder;
    Chooser Choose;

    // True when a folder was chosen; GetDirectory() then returns it.
    bool ShowDirectory(QWidget* parent);
    QString GetDirectory() const { return directory_; }

private:
    QString directory_;
};

}  // namespace zavlin::shell::ui
