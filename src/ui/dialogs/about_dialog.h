#pragma once

#include <QDialog>

namespace torvane {

// "About Torvane": the application icon, the program's name, its build, the release date, the
// upgrade library's version and the maker, with OK.
class AboutDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDialog)

public:
    explicit AboutDialog(QWidget* parent);

    // The lines of text as shown, top to bottom.
    static QStringList Lines();
};

} // namespace torvane
