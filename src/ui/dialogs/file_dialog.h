#pragma once

#include <string_view>

#include <QFileDialog>

#include "editing/forms/file_filter.h"

namespace torvane {

// Every open and save dialog: a QFileDialog showing the types of a filter text such as
// "Open Bin File(*.bin)|Default DB File(*.ddf)" as FileFilter reads it, its name box preset from
// the default name (a folder in it opens the dialog there, else folder), and the file renamed to
// the type the user picks. A save dialog asks before it overwrites a file. A pattern in the name
// box (the preset "*.bin") is never taken for a file name.
class FileDialog final : public QFileDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDialog)

public:
    enum class Mode { Open, Save };

    FileDialog(Mode mode, std::string_view filterText, const QString& defaultName, const QString& folder,
               QWidget* parent);

    // The file chosen (after exec() answered Accepted).
    QString Path() const;
    // The type selected last, counted from 1.
    int TypeNumber() const { return m_filter.TypeNumber(); }
    // The text of the name box.
    QString NameBoxText() const;

protected:
    void accept() override;

private:
    void TypePicked(const QString& label);
    void SetNameBoxText(const QString& text);

    FileFilter m_filter;
};

} // namespace torvane
